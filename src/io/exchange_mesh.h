// A mesh as the exchange formats hold it: y up, real coordinates, faces of any corner count.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

struct ExchangeFace {
    std::vector<uint32_t> corners;  // indices into points, in the file's order (counter-clockwise front)
    bool twoSided;                  // the face's material shows both sides
};

struct ExchangeMesh {
    std::vector<std::array<double, 3>> points;   // x right, y up, z toward the viewer
    std::vector<ExchangeFace> faces;             // three or more corners
    std::vector<std::array<uint32_t, 2>> lines;  // segments; polylines arrive split
    std::size_t droppedPoints = 0;               // point elements, which a model cannot hold
    bool skippedPlyEdges = false;                // a PLY edge element, which the importer does not read
};

}  // namespace vx
