// Reading model files of other programs into an ExchangeMesh, each by the reader of the format its
// content shows, whatever its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/exchange_mesh.h"

namespace vx {

// `importer` stands for every format only the importer library reads, known by extension alone.
enum class ModelFormat : uint8_t { unknown, vx, obj, ply, stl, gltf, glb, off, importer };

// The format of a file from its first bytes (a few kilobytes are enough), its whole size and its
// extension (lower case, no dot). The content decides; the extension only breaks ties, and names
// the formats that have no mark of their own.
ModelFormat recognizeModel(std::string_view head, uint64_t fileSize, std::string_view extension);
ModelFormat recognizeModelFile(const std::string& path);  // unknown when it cannot be read

// The formats the importer library reads beyond those above, by extension, for messages and help.
extern const char* const importerFormatList;

// Every mesh of the file, merged, with node transforms applied. False with a one-line reason
// when the file cannot be read; the mesh is then empty.
bool importMeshFile(const std::string& path, ExchangeMesh& mesh, std::string& error);

// The same from bytes in memory; extension breaks ties as above, and no other file is read.
bool importMeshBytes(const uint8_t* data, std::size_t size, const std::string& extension, ExchangeMesh& mesh,
                     std::string& error);

}  // namespace vx
