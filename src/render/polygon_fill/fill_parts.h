// The declarations the parts of the polygon pass share: vector lanes, a polygon's target, its
// corners, its samples' blocks, the settle box and the keys.
//
// Only the builds of the pass (fill_any.cpp and fill_sse42.cpp) include this header, and the parts
// after it: each build is one translation unit, so every helper stays internal and inlines across
// the parts as it did when the pass was one file.
#pragma once

#include "render/polygon_fill.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/numeric.h"
#include "render/line.h"

// On x86-64 the pass is built twice: for every processor (fill_any.cpp, namespace fill_any), and
// for those with SSE4.2 (fill_sse42.cpp, namespace fill_sse42), whose minimum, blend and rounding
// instructions the settle box and its write-out use. processor_pick.cpp picks one at run time.
#ifdef VX_FILL_FOR_SSE42
#define VX_FILL_BUILD fill_sse42
#else
#define VX_FILL_BUILD fill_any
#endif

namespace vx::VX_FILL_BUILD {
namespace {

// Four lanes of 32 or 16 bits, or of doubles: the shades of a span are worked out four samples at
// a time, the spans of a settled box are walked four at a time, and the box goes into the frame
// four pixels at a time.
using Lanes = int32_t __attribute__((vector_size(16)));
using ShortLanes = int16_t __attribute__((vector_size(8)));
using DoubleLanes = double __attribute__((vector_size(32)));
using SingleLanes = float __attribute__((vector_size(16)));

template <class V, class T>
V loadLanes(const T* from) {
    V v;
    std::memcpy(&v, from, sizeof v);
    return v;
}
template <class V, class T>
void storeLanes(T* to, const V& v) {
    std::memcpy(to, &v, sizeof v);
}

// Lanes of all ones or zeros, as 16-bit lanes.
ShortLanes narrowMask(const Lanes& mask) {
#ifdef __SSE2__
    // One saturating pack: without it, each lane is narrowed on its own.
    const __m128i packed =
        _mm_packs_epi32(reinterpret_cast<const __m128i&>(mask), reinterpret_cast<const __m128i&>(mask));
    return loadLanes<ShortLanes>(&packed);
#else
    return __builtin_convertvector(mask, ShortLanes);
#endif
}

// Whether every lane of a mask is set.
bool allLanes(const Lanes& mask) {
#ifdef __SSE2__
    return _mm_movemask_epi8(reinterpret_cast<const __m128i&>(mask)) == 0xFFFF;
#else
    return (mask[0] & mask[1] & mask[2] & mask[3]) != 0;
#endif
}

// One bit for each lane of a mask, lane 0 lowest.
uint32_t laneBits(const Lanes& mask) {
#ifdef __SSE2__
    return static_cast<uint32_t>(_mm_movemask_ps(reinterpret_cast<const __m128&>(mask)));
#else
    return (mask[0] & 1u) | (mask[1] & 2u) | (mask[2] & 4u) | (mask[3] & 8u);
#endif
}

// How many spans of a settled polygon are walked side by side (SpanLanes).
constexpr int spanLanes = 4;

// Sweep and span counts (rule 3): the longer axis of a difference, rounded to nearest, ties to even.
double stepCount(const ScreenPoint& d) {
    return std::nearbyint(std::max(std::fabs(static_cast<double>(d.x)), std::fabs(static_cast<double>(d.y))));
}

// A pixel between two blocks that touch only at a corner, with the later sample's depth and shade.
struct MendCandidate {
    int32_t x, y, depth;
    uint32_t colour;
};

// Within one polygon, the writes a pixel gets leave it as the first write of the lowest depth
// alone would: each later write passes the depth test only when it is nearer still, and every
// write carries the same pick code and visibility. So a polygon is settled in a box of its own
// first, and the box then goes into the frame with one polygon-sample write per pixel, four pixels
// at a time, instead of four depth-tested writes per sample to the frame, whose lines are seldom
// in the cache. Under the flat shade, where every write carries the same colour, a pixel settles
// to the lowest depth alone; under the per-sample shade, to a key that orders by depth and then by
// sample (SampleKeys).
//
// A sample settles in one cell, that of its block's first pixel, and a pixel then takes the least
// of the four cells whose blocks reach it: one update per sample instead of four. A block without
// a fraction in x or y (a sample at whole coordinates, or a block cut at the band's edge) covers
// fewer pixels than its cell would give it; it settles in those pixels themselves, in a second box
// laid out alike, and its rows are marked. The cells reach one column left of and one row above
// the pixels.
struct SettleBox {
    int32_t x0, y0;  // the frame pixel of the box's first
    int32_t width, height;
    int32_t* cells;       // unsettled where no block starts
    int32_t* exactCells;  // the pixels of the blocks without a fraction
    uint8_t* exactRows;   // 1 for a row with such pixels, by row of the box from y0 - 1

    std::ptrdiff_t stride() const { return width + 1; }
    // The cell whose block starts at pixel (x, y), and the pixel (x, y) of the second box.
    std::size_t at(int32_t x, int32_t y) const {
        return static_cast<std::size_t>((static_cast<std::ptrdiff_t>(y) - y0 + 1) * stride() + x - x0 + 1);
    }
};

// Farther than any sample or key, and than the frame ever holds: an unreached pixel writes nothing.
constexpr int32_t unsettled = INT32_MAX;

// A per-sample shade's settle key in 31 bits: the depth above the polygon's nearest, then the
// sample's number within its polygon, then its grey level. The least key is the first sample of
// the lowest depth, and carries its shade. A polygon whose keys would not fit is not settled.
struct SampleKeys {
    int32_t nearest;      // no sample of the polygon is nearer
    int numberShift;      // the bits of a sample's number and grey level
    std::size_t samples;  // the samples of the spans so far: the next span's are numbered from here

    // The key's lower bits, below the depth.
    static uint32_t bitsOf(uint32_t number, uint32_t grey) { return number << 8 | grey; }
    int32_t of(int32_t depth, uint32_t bits) const {
        return static_cast<int32_t>(static_cast<uint32_t>(depth - nearest) << numberShift | bits);
    }
    int32_t depthOf(int32_t key) const { return (key >> numberShift) + nearest; }
};

// Rows top..bottom-1 of the surface.
struct Rows {
    int32_t top, bottom;
};

// The pixels one sample covers: columns x0..x1 and rows y0..y1, each pair equal or one apart.
struct Block {
    int32_t x0, x1, y0, y1;
};

// The block of a sample that lies in the drawable area, where truncation is floor.
Block blockOf(const ScreenPoint& r) {
    const int32_t ix = static_cast<int32_t>(r.x), iy = static_cast<int32_t>(r.y);
    return {ix, r.x > static_cast<float>(ix) ? ix + 1 : ix, iy, r.y > static_cast<float>(iy) ? iy + 1 : iy};
}

// The columns first..last of one row.
struct Columns {
    int32_t first, last;
};

// A span whose count rounds to 0 has no samples, and the sweep passes its start point by. Near a
// sharp corner, or along a sliver less than half a pixel wide, whole stretches of the outline have
// no samples at all; the start points passed by are noted, with the depth and shade a one-sample
// span there would give, for the pixels inside the outline that no block reaches (OutlineMend).
struct PassedPoint {
    Block block;
    int32_t depth;
    uint32_t colour;
};

// The depth and shade a pixel of a polygon settles to.
struct MendValue {
    int32_t depth;
    uint32_t colour;
};

// What every sample of one polygon writes besides its shade.
struct Target {
    FrameArrays frame;
    // The rows the sweep may write: the band's, or the surface's when the polygon is settled, as
    // only the band's rows of its box go into the frame.
    Rows sweep;
    // The rows whose pixels the samples walked must reach: the band's, and for a settled polygon
    // one more either side, whose values the outline mend looks at.
    Rows reached;
    int16_t code = 0;      // the polygon's pick code
    bool visible = false;  // false: depth and pick code only (rule 1)
    uint32_t tint = 0xFFFFFF;  // the colour its grey levels take: white (grey), red when selected, or its own
    uint8_t style = 1;  // 1 flat, 2 per sample
    uint32_t flatColour = 0;
    double maxCount = 0.0;                         // 2·screenWidth: longer sweeps and spans are not drawn
    bool inside = false;                           // every span of the polygon passes spanInside
    double sweepX = 0.0, sweepY = 0.0;             // stepAB + stepCD: the side of a span its successor lies on
    std::vector<MendCandidate>* mends = nullptr;   // the corner pixels found by the sweep, in order
    std::vector<PassedPoint>* passedBy = nullptr;  // the start points of spans without samples
    const class MendWindow* window = nullptr;      // set only to walk the sweep again for OutlineMend
    const class MendWindow* gather = nullptr;      // where the blocks also go, for OutlineMend; may be null

    SettleBox* settle = nullptr;       // where the samples go first; null: straight into the frame
    SampleKeys* keys = nullptr;        // per sample, when settled: the samples' keys; else null
    class SpanLanes* lanes = nullptr;  // when settled: the spans waiting to be walked side by side

    // The polygon-sample write of this polygon, in table order or out of it.
    void write(std::size_t i, int32_t depth, uint32_t colour) const {
        if (frame.anyOrder)
            writeOrderedPolygonSample(frame, i, depth, colour, code);
        else
            writePolygonSample(frame, i, depth, colour, visible, code);
    }
};

// A polygon's corners in drawing order: A slot 0, B slot 3, C slot 1, D slot 2.
struct Corners {
    const ProjectedVertex* a;
    const ProjectedVertex* b;
    const ProjectedVertex* c;
    const ProjectedVertex* d;
};

// The pixels in `rows` the blocks of samples in the box low..high can reach, each bound inclusive.
struct PixelBox {
    int32_t x0, x1, y0, y1;
};

}  // namespace
}  // namespace vx::VX_FILL_BUILD
