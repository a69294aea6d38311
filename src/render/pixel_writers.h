// The four pixel writers and the view of the per-frame arrays they write into.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

#include "core/editor_state.h"

namespace vx {

inline constexpr uint32_t whiteColour = 0xFFFFFF;
inline constexpr uint32_t redColour = 0xFF0000;
// Vertices of the group: a colour nothing else is drawn in, so a group shows at a glance.
inline constexpr uint32_t groupColour = 0xFFC000;
// The dotted rectangle of a Shift + left drag, in a colour of its own too.
inline constexpr uint32_t groupRectangleColour = 0x40C0FF;
// Selection marks sit at depth 0, which no drawn geometry can reach, so they stay on top.
inline constexpr int32_t selectionMarkDepth = 0;

// The per-frame arrays as bare pointers, taken once per frame so that a writer is one index,
// one depth test and the stores. Rows are stored one after another: (x, y) is y * width + x.
// Lines and polygons write only rows top..bottom-1, so that threads drawing the same primitives
// in the same order into different bands give every pixel the sequence of writes of one thread.
struct FrameArrays {
    uint32_t* color;
    int32_t* depth;
    int16_t* pick;
    int32_t width;
    int32_t height;
    int32_t top;     // first row of the band
    int32_t bottom;  // one past its last row
    // Set while polygons are drawn out of table order. Their writes then replace vertex pick codes
    // too, which are put back after the polygon pass.
    bool anyOrder = false;
    // Optional: for each run of depthRun pixels of a row (runsPerRow(width) to a row), a depth no
    // nearer than the farthest in the run, stored run by run: row y of run r at r * height + y.
    // Every writer only ever brings a depth nearer, so a bound stays true as the frame is drawn;
    // the polygon pass reads it, and tightens it.
    int32_t* farthest = nullptr;
};

inline constexpr int32_t depthRun = 32;
inline int32_t runsPerRow(int32_t width) { return (width + depthRun - 1) / depthRun; }

inline FrameArrays frameArraysOf(ScreenBuffers& screen) {
    return {screen.colorBuffer.data(), screen.depthBuffer.data(), screen.pickBuffer.data(),
            screen.screenWidth,        screen.screenHeight,       0,
            screen.screenHeight};
}

// floorToInt32 of a single, without the trip through double: the same value for every input
// (NaN and values beyond 32 bits give -2147483648), but cheap enough for every sample.
inline int32_t floorSample(float v) {
    if (!(v >= -2147483648.0f && v < 2147483648.0f)) return INT32_MIN;
    const auto truncated = static_cast<int32_t>(v);  // in range: checked above
    return v < static_cast<float>(truncated) ? truncated - 1 : truncated;
}

// Callers clip first: x and y lie on the surface.
inline std::size_t indexOf(const FrameArrays& f, int32_t x, int32_t y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(f.width) + static_cast<std::size_t>(x);
}

// A hidden marker (showMarker false) leaves colour and depth alone but is still pickable.
// Returns false when the depth test fails, which also denies the marks around it.
inline bool writeVertexCentre(const FrameArrays& f, std::size_t i, int32_t depth, bool showMarker, int16_t code,
                              uint32_t colour) {
    if (!(depth < f.depth[i])) return false;
    if (showMarker) {
        f.color[i] = colour;
        f.depth[i] = depth;
    }
    f.pick[i] = code;
    return true;
}

// Red around a selected vertex, the group's colour on the diagonals around a group member.
inline void writeSelectionMark(const FrameArrays& f, std::size_t i, uint32_t colour = redColour) {
    f.color[i] = colour;
    f.depth[i] = selectionMarkDepth;
}

inline void writeLineSample(const FrameArrays& f, std::size_t i, int32_t depth, uint32_t colour) {
    if (!(depth < f.depth[i])) return;
    f.color[i] = colour;
    f.depth[i] = depth;
}

// An invisible polygon still takes depth and pick codes; a vertex pick code is never replaced.
// With a branch: within one polygon the test mostly goes the same way, and a version without
// branches, storing back what was there, measured slower.
inline void writePolygonSample(const FrameArrays& f, std::size_t i, int32_t depth, uint32_t colour, bool visible,
                               int16_t code) {
    if (!(depth < f.depth[i])) return;
    if (visible) f.color[i] = colour;
    f.depth[i] = depth;
    if (f.pick[i] < 1) f.pick[i] = code;
}

// The polygon-sample write for polygons drawn in any order, each pixel ending as table order
// would leave it: a write wins when it is nearer, or as near and from a polygon earlier in the
// table than the one that wrote the pixel (which table order would have drawn after it). The
// pick code tells which that was: -(index + 1); 0 or a vertex code where no polygon wrote. Only
// for frames whose polygons are all visible: an invisible polygon leaves the colour of whatever
// it hides, which depends on the order.
inline void writeOrderedPolygonSample(const FrameArrays& f, std::size_t i, int32_t depth, uint32_t colour,
                                      int16_t code) {
    if (!(depth < f.depth[i] || (depth == f.depth[i] && f.pick[i] < code))) return;
    f.color[i] = colour;
    f.depth[i] = depth;
    f.pick[i] = code;
}

}  // namespace vx
