// Which format a model file is in: its content decides, its name only breaks ties.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/exchange/formats.h"

namespace vx {

// How much of a file's start recognition reads.
inline constexpr std::size_t recognitionHeadBytes = 65536;

// The format of a file from its first bytes (a few kilobytes are enough), its whole size and its
// extension (lower case, no dot). The content decides; the extension only breaks ties, and names
// the formats that have no mark of their own.
ModelFormat recognizeModel(std::string_view head, uint64_t fileSize, std::string_view extension);
ModelFormat recognizeModelFile(const std::string& path);  // unknown when it cannot be read

// The row whose extensions hold this one (lower case, no dot); nullptr when none does.
const FormatRow* formatOfExtension(std::string_view extension);

// The weaker signs of content the format table names.
bool looksLikeStl(std::string_view head, uint64_t fileSize);       // binary by its size, or "solid"
bool looksLikeGltfJson(std::string_view head, uint64_t fileSize);  // a JSON object with "asset"
bool looksLikeOff(std::string_view head, uint64_t fileSize);       // OFF, COFF, NOFF ... first
bool looksLikeObj(std::string_view head, uint64_t fileSize);       // every record an OBJ keyword

// A path's extension in lower case, without the dot; empty when it has none.
std::string extensionOfPath(const std::string& path);
std::string lowerCase(std::string_view text);

}  // namespace vx
