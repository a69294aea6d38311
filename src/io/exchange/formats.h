// The model formats in one table: how each is named, recognised, read, written and typed for the
// desktop. Recognition, the messages and help texts that list formats, the converter's writers
// and the desktop's file types are all made from it or tested against it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "io/exchange/exchange_mesh.h"
#include "io/exchange/model_to_mesh.h"
#include "io/exchange/readers.h"

namespace vx {

// `importer` stands for every format only the importer library reads, known by extension alone.
enum class ModelFormat : uint8_t { unknown, vx, obj, ply, stl, gltf, glb, off, importer };

// True when the first bytes of a file (a few kilobytes) and its whole size look like the format.
using ContentTest = bool (*)(std::string_view head, uint64_t fileSize);
using MeshWriter = std::string (*)(const ExportTables& tables, bool ascii);

struct FormatRow {
    ModelFormat format;
    std::string_view name;        // as people call it: "OBJ", "glTF"
    std::string_view extensions;  // lower case, no dots, ", " between
    // Bytes at the start that name the format whatever else the file holds; empty when none.
    std::array<std::string_view, 2> firstBytes;
    // A weaker sign, read after every row's first bytes; nullptr when only the name tells.
    ContentTest looksLike;
    // When the content looks like several formats and the name is none of them, the lowest wins.
    uint8_t contentRank;
    MeshReader reader;          // nullptr: the editor's own file, which the model file reads
    MeshWriter writer;          // nullptr: vxtool does not write it (or, for .vx, the model file does)
    std::string_view mimeType;  // empty: the desktop is not told the editor opens it
    bool mimeDefinedHere;       // data/vxedit.xml defines the type; else the shared database does
};

// Every row, in the order the help texts list them.
std::span<const FormatRow> modelFormats();

// The row of a format; nullptr for unknown.
const FormatRow* formatRow(ModelFormat format);

// The formats the importer library reads beyond those with a reader of their own, by extension,
// for messages and help.
extern const char* const importerFormatList;

// ".vx, .obj, ..." : the extensions of every format but the importer library's, in table order.
std::string recognisedExtensions();

}  // namespace vx
