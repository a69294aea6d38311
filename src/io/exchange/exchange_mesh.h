// A mesh as the exchange formats hold it: y up, real coordinates, faces of any corner count.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/palette.h"

namespace vx {

inline constexpr int32_t noColour = -1;  // a face the file gives no colour

struct ExchangeFace {
    std::vector<uint32_t> corners;  // indices into points, in the file's order (counter-clockwise front)
    uint16_t flags;                 // the polygon's flags as the editor keeps them: twoSidedFlag shows both sides
    // 0x00RRGGBB as the file paints the face (sRGB), or noColour. Where it has one, the palette
    // index in flags is only a hint: it is kept when its entry is this colour.
    int32_t colour = noColour;
};

// What a file holds that the editor's tables do not, counted so that the import can say so.
struct LeftOut {
    std::size_t normals = 0;             // one per vertex or corner that carried one
    std::size_t textureCoordinates = 0;  // likewise
    std::size_t meshes = 0;              // the file's separate meshes (or objects), all merged into one
    std::size_t animations = 0;
    std::size_t morphTargets = 0;
    std::size_t materials = 0;
};

struct ExchangeMesh {
    std::vector<std::array<double, 3>> points;   // x right, y up, z toward the viewer
    std::vector<ExchangeFace> faces;             // three or more corners
    std::vector<std::array<uint32_t, 2>> lines;  // segments; polylines arrive split
    // The points are the file's own vertex list in its order, unused ones included: each becomes
    // one vertex, none welded. False for readers that rebuild vertices face by face.
    bool filesOwnVertices = false;
    // The file was written by vxtool: its coordinates are the editor's own whole units, to be
    // taken as they are.
    bool editorUnits = false;
    // The palette vxtool wrote beside the colours, when the model's own differed from the
    // built-in one.
    bool hasPalette = false;
    Palette palette = builtinPalette;
    LeftOut leftOut;
};

}  // namespace vx
