// A plain, literal renderer for the differential test: slow, with no shortcut of any kind.
#pragma once

#include <cstdint>
#include <vector>

#include "core/editor_state.h"

namespace vx::test {

// Its own arrays, indexed (x, y) with x as the outer index: element (x, y) is at x * height + y.
struct ReferenceFrame {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> color;
    std::vector<int32_t> depth;
    std::vector<int16_t> pick;
    std::array<ProjectedVertex, maxVertices> projected;  // starts as the table of the last frame
    std::array<Normal, maxPolygons> normals;
    std::array<float, maxPolygons> facing;
    int64_t lineSteps = 0;  // every step of every line walk, to keep the test's frames short
};

// Draws the frame the state describes, starting from `lastProjected`. Gives up (returning false)
// once the line walks pass stepBudget steps.
bool renderReference(const EditorState& state, const std::array<ProjectedVertex, maxVertices>& lastProjected,
                     ReferenceFrame& out, int64_t stepBudget);

}  // namespace vx::test
