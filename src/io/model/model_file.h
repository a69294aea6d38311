// The editor's own model file: its layout, saveModel and loadModel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/editor_state.h"

namespace vx {

// "VTXF", three big-endian 16-bit counts V, P, L and two reserved bytes, then the records.
inline constexpr std::size_t modelHeaderBytes = 12;

constexpr std::size_t modelFileBytes(std::size_t vertices, std::size_t polygons, std::size_t lines) {
    return modelHeaderBytes + 12 * vertices + 22 * polygons + 4 * lines;
}

inline constexpr std::size_t maxModelFileBytes = modelFileBytes(maxVertices, maxPolygons, maxLines);

// A model's own palette follows the records: "VXPL", then R, G, B of entries 1..31. It is written
// only when the palette differs from the built-in one, and taken only when exactly these bytes
// follow the records, so a file from an older writer, or with anything else after its records,
// loads with the built-in palette.
inline constexpr std::size_t paletteTrailerBytes = 4 + 3 * paletteSize;

// endsEarly: loaded, but the file ends before the data its header promises; what is missing
// reads as 0, so what survives of a damaged file can still be saved elsewhere.
enum class LoadVerdict : uint8_t { loaded, invalidFile, endsEarly };
inline constexpr std::string_view endsEarlyMessage = "file ends early: missing data read as 0";
enum class SaveVerdict : uint8_t { saved, failed, notAModelFile };

// A privateCopy (a recovery copy) is readable by its user alone, follows no symbolic link at its
// name and replaces whatever stands there.
enum class SaveKind : uint8_t { document, privateCopy };

// Writes the whole model file in one piece. An existing file that is neither empty nor starts
// with the signature is never replaced (notAModelFile); on any failure an earlier file of that
// name is as it was.
SaveVerdict saveModelFile(const EditorState& state, const std::string& fileName, SaveKind kind = SaveKind::document);
// The same, true only when saved.
bool saveModel(const EditorState& state, const std::string& fileName);

// Reads the whole file before it touches the state. A file that does not start with the
// signature, or that counts more entries than a table holds, is refused and changes nothing.
// Bytes missing at the end read as 0 (endsEarly); vertex indices are kept as stored. A file of
// just the signature is a complete empty model.
LoadVerdict loadModel(EditorState& state, const std::string& fileName);

// What follows the records of a model file that holds them all: its own palette, or other bytes,
// which the loader ignores. Both nothing for a file it cannot read.
struct ModelFileTail {
    bool palette;            // a palette trailer, taken by the loader
    std::size_t otherBytes;  // bytes after the records that are not one, ignored
};
ModelFileTail modelFileTail(const EditorState& state, const std::string& fileName);

// True when the file exists and starts with the model signature "VTXF".
bool startsWithModelSignature(const std::string& fileName);

}  // namespace vx
