// The line primitive drawLine and the pass that draws the LineTable.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/editor_state.h"
#include "render/pixel_writers.h"

namespace vx {

// A point on the screen as the walks carry it: every component single precision. The fourth,
// always 0, fills the point to four lanes: a compiler that packs the three components into one
// vector operation then computes 0 in the last lane, and never a stray subnormal that costs a
// hundred cycles and more (seen when a whole quotient was divided at once).
struct ScreenPoint {
    float x, y, depth;
    float unused = 0.0f;
};

inline ScreenPoint operator-(const ScreenPoint& a, const ScreenPoint& b) {
    return {a.x - b.x, a.y - b.y, a.depth - b.depth, 0.0f};
}
inline ScreenPoint& operator+=(ScreenPoint& a, const ScreenPoint& b) {
    a.x += b.x;
    a.y += b.y;
    a.depth += b.depth;
    return a;
}
inline ScreenPoint operator/(const ScreenPoint& a, float count) {
    return {a.x / count, a.y / count, a.depth / count, 0.0f};
}

// How far, at most, samples walked from a towards b in `steps` single-precision steps stray from
// the segment between them. Each difference, quotient and sum rounds by at most 2^-24 of the
// largest value passed, so a sweep and its span together stray less than (steps + 8) · 2^-24 of
// it: the second term is 16 times that, and the quarter pixel is for good measure. A tight margin
// matters: it decides which polygons are found hidden and how large their boxes are.
inline double walkMargin(float a, float b, double steps) {
    const double largest = std::max(std::fabs(static_cast<double>(a)), std::fabs(static_cast<double>(b))) + 2.0;
    return 0.25 + (steps + 2.0) * largest * 0x1p-20;
}

// Columns 0, 1 and 2 of a ProjectedVertexTable row.
inline ScreenPoint screenPointOf(const ProjectedVertex& v) {
    return {static_cast<float>(v.screenX), static_cast<float>(v.screenY), static_cast<float>(v.depth)};
}

// A depth taken as a single must lie in 1..drawdepth.
inline bool inDepthRange(float depth, int32_t drawdepth) {
    return depth >= 1.0f && static_cast<double>(depth) <= static_cast<double>(drawdepth);
}

// Walks from p to end in steps of at most a pixel along the longer axis, drawing the start and
// not the end. p is advanced in place to where the walk ended (end, up to rounding), so that
// outlines can chain their edges from it.
void drawLine(const FrameArrays& frame, ScreenPoint& p, const ScreenPoint& end, uint32_t colour);

// Every line of the LineTable in white, skipping lines with an end outside the depth range or
// naming a vertex that does not exist.
void drawLines(const EditorState& state, const FrameArrays& frame);

}  // namespace vx
