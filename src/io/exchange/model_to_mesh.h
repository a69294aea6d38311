// The editor's tables as the exchange writers see them: y up, valid elements only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/editor_state.h"

namespace vx {

struct ExportFace {
    std::array<uint32_t, 4> corners;  // vertex indices; cornerCount of them are used
    uint32_t cornerCount;             // 3 for a triangle (slot 3 repeats slot 2), else 4
    uint16_t flags;                   // PolygonFlags as the table holds them
};

inline bool isTwoSided(const ExportFace& face) { return (face.flags & twoSidedFlag) != 0; }

struct ExportTables {
    std::vector<std::array<int64_t, 3>> points;  // every vertex in table order, as (x, -y, -z)
    std::vector<ExportFace> faces;               // polygons in slot order
    std::vector<std::array<uint32_t, 2>> lines;
    std::vector<uint32_t> unusedVertices;  // named by no written face or line
    std::size_t skippedPolygons = 0;       // named a missing vertex
    std::size_t skippedLines = 0;
    Palette palette = builtinPalette;      // what the faces' colours 1..31 mean
    std::string name = "model";            // the file's name without folder or ending; OBJ's materials go to NAME.mtl
    // Coordinates are multiplied by this as they are written (vxtool convert --scale, which takes
    // an import's fit back); at 1 they are the editor's whole units and the file says so.
    double scale = 1.0;
};

// Whether any written face has a colour; the model's palette when it is not the built-in one.
bool anyColour(const ExportTables& tables);
inline bool ownPalette(const ExportTables& tables) { return tables.palette != builtinPalette; }
// The colour of a face with one, as 0x00RRGGBB.
inline uint32_t rgbOf(const ExportTables& tables, const ExportFace& face) {
    return paletteColour(tables.palette, colourOf(face.flags));
}

inline bool inEditorUnits(const ExportTables& tables) { return tables.scale == 1.0; }

// A point's coordinate as written: whole at scale 1, else a fixed-point fraction.
std::string coordinateText(const ExportTables& tables, int64_t value);

ExportTables exportTablesOf(const Model& model);

// Largest magnitude of any coordinate; a 32-bit float holds integers exactly up to 2^24.
int64_t largestCoordinate(const ExportTables& tables);
inline constexpr int64_t exactInFloat = int64_t{1} << 24;

// Locale-independent number texts for the text formats.
std::string integerText(int64_t value);
std::string fractionText(double value);  // fixed point with 7 decimals
// The integers separated by single spaces.
std::string integerWords(std::initializer_list<int64_t> values);

}  // namespace vx
