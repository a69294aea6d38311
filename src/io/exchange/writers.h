// The exchange writers: the editor's tables as OBJ, STL, PLY and GLB files, and the marks by
// which their readers know a file vxtool wrote.
#pragma once

#include <string>

#include "io/exchange/model_to_mesh.h"

namespace vx {

// What the exchange files say beyond their plain geometry, so that a model comes back from
// them byte for byte; other readers skip it. Each writer and its reader share these names; the
// flags of OBJ and PLY faces travel in comments (flag_notes.h).
inline constexpr const char* objModelMark = "# vxtool model";  // first line: editor units
inline constexpr const char* objColourPrefix = "colour";       // OBJ material of colour N: colourN
inline constexpr const char* objNoColour = "none";             // OBJ material of faces without a colour
inline constexpr const char* plyModelMark = "comment written by vxtool";
inline constexpr const char* gltfGenerator = "vxtool";
inline constexpr const char* gltfPolygonTable = "vxPolygons";          // mesh extras: 4 slots, flags
inline constexpr const char* gltfExactPositions = "vxExactPositions";  // mesh extras: index, x, y, z
inline constexpr const char* gltfPalette = "vxPalette";                // file extras: 31 colours 0xRRGGBB

// The whole file in memory; ascii chooses the text form of STL and PLY.
std::string writeObj(const ExportTables& tables);
std::string writeStl(const ExportTables& tables, bool ascii);
std::string writePly(const ExportTables& tables, bool ascii);
std::string writeGlb(const ExportTables& tables);

// The OBJ's companion with a material per colour its faces use, written when any face has a
// colour; its name, which the OBJ names, is NAME.mtl after the tables' name.
std::string writeMtl(const ExportTables& tables);
std::string objMaterialFile(const ExportTables& tables);

}  // namespace vx
