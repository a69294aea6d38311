// The polygon pass: outline, flat shade and per-sample shade.
//
// A polygon is swept between its edges slot 0 -> slot 3 (A to B) and slot 1 -> slot 2 (C to D):
// both are walked in the same number of steps, and at each step a span from the point on AB to
// the point on CD is sampled, each sample covering a block of up to 2x2 pixels. As in the
// projection, every formula is evaluated in double and rounded to single where it is stored.
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

// On x86-64 the pass is built twice: for every processor (fill_any), and, from
// polygon_fill_sse42.cpp, for those with SSE4.2 (fill_sse42), whose minimum, blend and rounding
// instructions the settle box and its write-out use. The entry points at the end pick one.
#ifdef VX_FILL_FOR_SSE42
#define VX_FILL_BUILD fill_sse42
#else
#define VX_FILL_BUILD fill_any
#endif

namespace vx {

#if VX_FILL_HAS_SSE42
namespace fill_sse42 {
void drawPolygons(const EditorState& state, const FrameArrays& frame);
void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order);
}  // namespace fill_sse42
#endif

namespace VX_FILL_BUILD {
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

// Grey (g, g, g), or red (g, 0, 0) when selected, with g = floor(magnitude) + 7. A shade that is
// not a number (no normal, or a zero length product) is black.
uint32_t shadeColour(double magnitude, bool selected) {
    if (!std::isfinite(magnitude)) return 0;
    // The magnitude is at most 248 up to rounding; the cap keeps g a colour channel. It is never
    // negative, so truncation is floor.
    const auto g = static_cast<uint32_t>(std::min(magnitude, 248.0)) + 7;
    return selected ? g << 16 : (g << 16) | (g << 8) | g;
}

// Sweep and span counts: the longer axis of a difference, rounded to nearest, ties to even.
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

struct PassedPoint;

// What every sample of one polygon writes besides its shade.
struct Target {
    FrameArrays frame;
    // The rows the sweep may write: the band's, or the surface's when the polygon is settled, as
    // only the band's rows of its box go into the frame.
    Rows sweep;
    // The rows whose pixels the samples walked must reach: the band's, and for a settled polygon
    // one more either side, whose values the outline mend looks at.
    Rows reached;
    int16_t code;  // the polygon's pick code
    bool visible;  // false: depth and pick code only
    bool selected;
    uint8_t style;  // 1 flat, 2 per sample
    uint32_t flatColour;
    double maxCount;                     // 2·screenWidth: longer sweeps and spans are not drawn
    bool inside;                         // every span of the polygon passes spanInside
    double sweepX, sweepY;               // stepAB + stepCD: the side of a span its successor lies on
    std::vector<MendCandidate>* mends;   // the corner pixels found by the sweep, in order
    std::vector<PassedPoint>* passedBy;  // the start points of spans without samples
    const class MendWindow* window;      // set only to walk the sweep again for OutlineMend
    const class MendWindow* gather;      // where the blocks also go, for OutlineMend; may be null

    SettleBox* settle;       // where the samples go first; null: straight into the frame
    SampleKeys* keys;        // per sample, when settled: the samples' keys; else null
    class SpanLanes* lanes;  // when settled: the spans waiting to be walked side by side

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

// The swept edges' direction (Eu, Ev, Ez) at each sample of a span, with its length, in view
// units: three arrays rather than one of triples, so that the loops over them are vectorised.
struct EdgeSamples {
    const double* eu;
    const double* ev;
    const double* length;  // sqrt(Eu² + Ev² + Ez²)
    // The same as singles: Eu and Ev are singles to begin with, the length rounded.
    const float* singleEu;
    const float* singleEv;
    const float* singleLength;
};

// What the per-sample shade of one span needs: the swept edges' direction at each sample against
// the span's direction (Su, Sv, Sz).
struct SampleShade {
    EdgeSamples edge;  // from the span's first sample
    double su, sv;
    double slen;  // |S| / 248, rounded to single
    bool selected;
};

// The shades of a whole span worked out in one tight loop before its samples are drawn: every
// sample costs a division, and in a loop of few branches the divisions overlap. The result is
// shadeColour's: a length of zero or a quotient that is not finite gives black.
// For a polygon settled under keys the loop gives each sample's number and grey level together
// instead, as the lower bits of its key (SampleKeys::bitsOf); the colour comes back from the grey.
struct SpanShades {
    const uint32_t* next;
    uint32_t channels;  // 0xFFFFFF grey, 0xFF0000 red when selected
    bool keyed;         // next holds key bits rather than colours

    uint32_t colour() const { return keyed ? (*next & 0xFF) * 0x010101u & channels : *next; }
    const uint32_t* keyBits() const { return next; }
    void advance() { ++next; }
};

// The shade loop works on eight samples at a time, the last eight running past the span's end
// into the padding of the arrays (shadeBlocksOf), whose values are ignored.
uint32_t shadeBlocksOf(uint32_t m) { return (m + 7) / 8 * 8; }

// What the shade loop reads, as copies that the stores of its results cannot change.
struct ShadeInputs {
    EdgeSamples edge;
    double slen, su, sv;
    uint32_t channels;
};

// The key bits or colours of four samples from their grey levels.
template <bool keyed>
Lanes shadeValues(const Lanes& grey, const Lanes& numbers, uint32_t channels) {
    return keyed ? numbers << 8 | grey : (grey << 16 | grey << 8 | grey) & static_cast<int32_t>(channels);
}

// Samples t..t+3 exactly as the shade is defined, in doubles. Vectors of 32 bytes are copied in
// rather than returned by a function: they pass differently with AVX and without it.
template <bool keyed>
[[gnu::always_inline]] inline void shadeFour(const ShadeInputs& in, uint32_t t, const Lanes& numbers, uint32_t* out) {
    DoubleLanes length, ev, eu;
    std::memcpy(&length, in.edge.length + t, sizeof length);
    std::memcpy(&ev, in.edge.ev + t, sizeof ev);
    std::memcpy(&eu, in.edge.eu + t, sizeof eu);
    const DoubleLanes len =
        __builtin_convertvector(__builtin_convertvector(length * in.slen, SingleLanes), DoubleLanes);
    const DoubleLanes quotient = (ev * in.su - eu * in.sv) / len;
    const DoubleLanes magnitude = quotient < 0.0 ? -quotient : quotient;
    // Capped at 248; a magnitude that is not finite gives -7, and so a grey of 0: black.
    const DoubleLanes capped = magnitude < 248.0 ? magnitude : 248.0;
    const DoubleLanes level = magnitude <= std::numeric_limits<double>::max() ? capped : -7.0;
    storeLanes(out + t, shadeValues<keyed>(__builtin_convertvector(level, Lanes) + 7, numbers, in.channels));
}

// Samples t..t+7 in singles throughout, where the grey levels are certain. The defined quotient
// is |N| / L: N = Ev·Su - Eu·Sv in doubles, L the single that Len·Slen rounds to. Here the two
// products, their difference, Len before its product, that product and the division each round
// to a single. N comes out within 2^-23·P of its value, P = |Ev·Su| + |Eu·Sv| being at most
// Len·|S|, which is 248·L up to rounding; L within 3·2^-24 of its size; the division adds 2^-24
// of its size. Up to the cap the quotient is therefore within 248·2^-23 + 4·2^-24·249, below
// 9·10^-5, of the defined one, so where its fraction is farther than 2^-12 from a whole number
// both have the same floor. False, with nothing written, where any is not certain (a quotient at
// or near a whole number, as a rectangle seen face-on gives at the cap, or one that is not
// finite); shadeFour then works them out in doubles.
template <bool keyed>
[[gnu::always_inline]] inline bool shadeEight(const ShadeInputs& in, uint32_t t, const Lanes& numbers, uint32_t* out) {
    using Singles8 = float __attribute__((vector_size(32)));
    using Ints8 = int32_t __attribute__((vector_size(32)));
    Singles8 eu, ev, length;
    std::memcpy(&eu, in.edge.singleEu + t, sizeof eu);
    std::memcpy(&ev, in.edge.singleEv + t, sizeof ev);
    std::memcpy(&length, in.edge.singleLength + t, sizeof length);
    const auto su = static_cast<float>(in.su), sv = static_cast<float>(in.sv), slen = static_cast<float>(in.slen);
    const Singles8 num = ev * su - eu * sv;
    const Singles8 len = length * slen;
    const Singles8 quotient = (num < 0.0f ? -num : num) / len;
    const Singles8 capped = quotient < 248.5f ? quotient : 248.5f;  // past 248 by more than the doubt
    const Ints8 floor = __builtin_convertvector(capped, Ints8);
    const Singles8 fraction = capped - __builtin_convertvector(floor, Singles8);
    constexpr float doubt = 0x1p-12f;
    const Ints8 certain =
        (quotient <= std::numeric_limits<float>::max()) & (fraction >= doubt) & (fraction <= 1.0f - doubt);
    const Lanes certain0 = __builtin_shufflevector(certain, certain, 0, 1, 2, 3);
    const Lanes certain1 = __builtin_shufflevector(certain, certain, 4, 5, 6, 7);
    if (!allLanes(certain0 & certain1)) return false;
    const Ints8 grey = floor + 7;
    storeLanes(out + t, shadeValues<keyed>(__builtin_shufflevector(grey, grey, 0, 1, 2, 3), numbers, in.channels));
    storeLanes(out + t + 4,
               shadeValues<keyed>(__builtin_shufflevector(grey, grey, 4, 5, 6, 7), numbers + 4, in.channels));
    return true;
}

template <bool keyed>
[[gnu::always_inline]] inline void shadeLoop(const SampleShade& shade, uint32_t m, uint32_t channels,
                                             uint32_t firstNumber, uint32_t* out) {
    const ShadeInputs in{shade.edge, shade.slen, shade.su, shade.sv, channels};
    Lanes numbers = static_cast<int32_t>(firstNumber) + Lanes{0, 1, 2, 3};
    for (uint32_t t = 0; t < m; t += 8, numbers += 8) {
        if (shadeEight<keyed>(in, t, numbers, out)) continue;
        shadeFour<keyed>(in, t, numbers, out);
        shadeFour<keyed>(in, t + 4, numbers + 4, out);
    }
}

template <bool keyed>
void shadeSamples(const SampleShade& shade, uint32_t m, uint32_t channels, uint32_t firstNumber, uint32_t* out) {
    shadeLoop<keyed>(shade, m, channels, firstNumber, out);
}

#ifdef VX_FILL_FOR_SSE42
// The same loop in AVX2's vectors of eight singles and four doubles, where the processor has them:
// the division of every sample is the pass's costliest instruction. AVX2 brings no fused
// multiply-add, so every sum and product rounds as before.
template <bool keyed>
[[gnu::target("avx2")]] void shadeSamplesAvx2(const SampleShade& shade, uint32_t m, uint32_t channels,
                                              uint32_t firstNumber, uint32_t* out) {
    shadeLoop<keyed>(shade, m, channels, firstNumber, out);
}
const bool shadeWithAvx2 = __builtin_cpu_supports("avx2") != 0;
#endif

template <bool keyed>
void shadeSpan(const SampleShade& shade, uint32_t m, uint32_t channels, uint32_t firstNumber, uint32_t* out) {
#ifdef VX_FILL_FOR_SSE42
    if (shadeWithAvx2) return shadeSamplesAvx2<keyed>(shade, m, channels, firstNumber, out);
#endif
    shadeSamples<keyed>(shade, m, channels, firstNumber, out);
}

// `lane`: which of the buffers to use, so that the key bits of spans waiting to be walked stay.
SpanShades spanShades(const SampleShade& shade, uint32_t m, const SampleKeys* keys, int lane) {
    thread_local std::array<std::vector<uint32_t>, spanLanes> buffers;  // only grow, like the edge directions
    std::vector<uint32_t>& values = buffers[static_cast<std::size_t>(lane)];
    if (values.size() < shadeBlocksOf(m)) values.resize(shadeBlocksOf(m));
    const uint32_t channels = shade.selected ? 0xFF0000u : 0xFFFFFFu;
    if (keys)
        shadeSpan<true>(shade, m, channels, static_cast<uint32_t>(keys->samples), values.data());
    else
        shadeSpan<false>(shade, m, channels, 0, values.data());
    return {values.data(), channels, keys != nullptr};
}

struct FlatShade {
    uint32_t flat;
    uint32_t colour() { return flat; }
    const uint32_t* keyBits() const { return nullptr; }  // flat colours are never settled under keys
    void advance() {}
};

// The edge trackers of the per-sample shade, set up once per polygon and stepped per sweep step.
struct ShadeEdges {
    float uP, vP, uQ, vQ;
    float sU1, sV1, sU2, sV2;
    float kU, kV;
    float dU1, dV1, dZ1, dZd;

    void advance() {
        uP += sU1;
        vP += sV1;
        uQ += sU2;
        vQ += sV2;
    }
};

float asSingle(int32_t v) { return static_cast<float>(v); }

ShadeEdges shadeEdgesOf(const Corners& k, double n) {
    const float uA = asSingle(k.a->viewX), vA = asSingle(k.a->viewY), zA = asSingle(k.a->depth);
    const float uB = asSingle(k.b->viewX), vB = asSingle(k.b->viewY), zB = asSingle(k.b->depth);
    const float uC = asSingle(k.c->viewX), vC = asSingle(k.c->viewY), zC = asSingle(k.c->depth);
    const float uD = asSingle(k.d->viewX), vD = asSingle(k.d->viewY), zD = asSingle(k.d->depth);
    const float dU1 = uB - uA, dV1 = vB - vA, dU2 = uD - uC, dV2 = vD - vC;
    const auto kU = static_cast<float>((static_cast<double>(dU2) - dU1) / n);
    const auto kV = static_cast<float>((static_cast<double>(dV2) - dV1) / n);
    const auto dZd = static_cast<float>((static_cast<double>(zD) - zC) - (static_cast<double>(zB) - zA));
    const auto count = static_cast<float>(n);
    return {uA, vA, uC, vC, dU1 / count, dV1 / count, dU2 / count, dV2 / count, kU, kV, dU1, dV1, zB - zA, dZd};
}

// Every span of a polygon starts the edge direction at (dU1, dV1, dZ1) and steps it by
// (kU, kV, dZd / m), so spans with the same sample count m share its values: they are worked out
// once per count, not once per span. The table lives as long as its thread and only grows (to at
// most 2·screenWidth samples), so frames allocate nothing once the longest span has been seen.
class EdgeDirections {
public:
    EdgeSamples forCount(const ShadeEdges& e, uint32_t m) {
        Table& table = samples();
        if (m == count) return table.view();
        const uint32_t padded = shadeBlocksOf(m);  // the shade loop reads up to here
        if (table.eu.size() < padded) {
            table.eu.resize(padded), table.ev.resize(padded), table.length.resize(padded);
            table.singleEu.resize(padded), table.singleEv.resize(padded), table.singleLength.resize(padded);
        }
        // The sums first, in order; the lengths after, in a loop of their own that is vectorised.
        const float kz = e.dZd / static_cast<float>(m);
        float eu = e.dU1, ev = e.dV1, ez = e.dZ1;
        double* const zs = table.length.data();  // Ez until the lengths replace it
        for (uint32_t t = 0; t < m; ++t) {
            table.eu[t] = eu, table.ev[t] = ev, zs[t] = ez;
            table.singleEu[t] = eu, table.singleEv[t] = ev;
            eu += e.kU;
            ev += e.kV;
            ez += kz;
        }
        const double* const us = table.eu.data();
        const double* const vs = table.ev.data();
        float* const singleLengths = table.singleLength.data();
        for (uint32_t t = 0; t < m; ++t) {
            zs[t] = std::sqrt(us[t] * us[t] + vs[t] * vs[t] + zs[t] * zs[t]);
            singleLengths[t] = static_cast<float>(zs[t]);
        }
        count = m;
        return table.view();
    }

private:
    struct Table {
        std::vector<double> eu, ev, length;
        std::vector<float> singleEu, singleEv, singleLength;
        EdgeSamples view() const {
            return {eu.data(), ev.data(), length.data(), singleEu.data(), singleEv.data(), singleLength.data()};
        }
    };
    uint32_t count = 0;  // the sample count the table holds; 0 when it belongs to another polygon
    static Table& samples() {
        thread_local Table table;
        return table;
    }
};

// The span direction is taken from the undivided span difference s.
SampleShade spanShadeOver(const ShadeEdges& e, const EdgeSamples& edge, const ScreenPoint& s, bool selected) {
    const float su = e.uQ - e.uP, sv = e.vQ - e.vP, sz = s.depth;
    const double length =
        std::sqrt(static_cast<double>(su) * su + static_cast<double>(sv) * sv + static_cast<double>(sz) * sz);
    return {edge, su, sv, static_cast<float>(length / 248.0), selected};
}
SampleShade spanShade(const ShadeEdges& e, EdgeDirections& directions, const ScreenPoint& s, uint32_t m,
                      bool selected) {
    return spanShadeOver(e, directions.forCount(e, m), s, selected);
}

// The shade a span of one sample would give at its start, for a span without samples (PassedPoint).
// Its edge direction is the first of every span's, worked out here so that the table of the spans'
// directions stays as it is.
uint32_t passedShade(const ShadeEdges& e, const ScreenPoint& s, bool selected, int lane) {
    std::array<double, 8> eu{}, ev{}, length{};  // one block of the shade loop
    std::array<float, 8> singleEu{}, singleEv{}, singleLength{};
    eu.fill(e.dU1), ev.fill(e.dV1), singleEu.fill(e.dU1), singleEv.fill(e.dV1);
    length.fill(std::sqrt(static_cast<double>(e.dU1) * e.dU1 + static_cast<double>(e.dV1) * e.dV1 +
                          static_cast<double>(e.dZ1) * e.dZ1));
    singleLength.fill(static_cast<float>(length[0]));
    const EdgeSamples edge{eu.data(), ev.data(), length.data(), singleEu.data(), singleEv.data(), singleLength.data()};
    return spanShades(spanShadeOver(e, edge, s, selected), 1, nullptr, lane).colour();
}

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

// Where the points passed by reach (x, y), the values of the first of the lowest depth.
bool passedByValue(const std::vector<PassedPoint>& points, int32_t x, int32_t y, MendValue& value) {
    bool found = false;
    for (const PassedPoint& p : points) {
        if (x < p.block.x0 || x > p.block.x1 || y < p.block.y0 || y > p.block.y1) continue;
        if (!found || p.depth < value.depth) value = {p.depth, p.colour};
        found = true;
    }
    return found;
}

// The columns of each row whose pixel centres lie strictly inside a polygon's projected outline:
// every edge of some length sees the centre on the side the outline turns to, in exact integers.
// For a convex outline that is its inside; for any other, the part every edge agrees on. Worked
// out for the rows first..last that lie strictly between the top and bottom corners, within
// columns 1..width-1: each edge's bound is stepped from row to row as a quotient and remainder.
class OutlineRows {
public:
    OutlineRows() = default;  // no pixels inside
    OutlineRows(const Corners& k, int32_t first, int32_t last, int32_t width) {
        const ProjectedVertex* const order[4] = {k.a, k.c, k.d, k.b};  // slots 0, 1, 2, 3
        __int128 area = 0;
        int64_t top = INT64_MAX, bottom = INT64_MIN;
        for (int i = 0; i < 4; ++i) {
            const ProjectedVertex &p = *order[i], &q = *order[(i + 1) % 4];
            area += static_cast<__int128>(p.screenX) * q.screenY - static_cast<__int128>(q.screenX) * p.screenY;
            top = std::min<int64_t>(top, p.screenY), bottom = std::max<int64_t>(bottom, p.screenY);
            // A polygon with a corner this far out draws nothing: its first span, or one of its
            // swept edges, is longer than any span is drawn.
            if (std::abs(int64_t{p.screenX}) >= limit || std::abs(int64_t{p.screenY}) >= limit) return;
        }
        if (area == 0) return;
        firstRow = static_cast<int32_t>(std::max<int64_t>(first, top + 1));
        const auto lastInside = static_cast<int32_t>(std::min<int64_t>(last, bottom - 1));
        if (lastInside < firstRow) return;
        const auto count = static_cast<std::size_t>(lastInside - firstRow + 1);
        std::vector<Columns>& all = rows();
        if (all.size() < count) all.resize(count);
        columns = all.data();  // the vector is reached through a call that checks it is made
        std::fill_n(columns, count, Columns{1, width - 1});
        const int64_t turn = area > 0 ? 1 : -1;
        // Where every corner turns the same way, the two edges that cross a row bound it alone.
        convex = turnsOneWay(order, turn);
        for (int i = 0; i < 4; ++i) {
            const ProjectedVertex &p = *order[i], &q = *order[(i + 1) % 4];
            const int64_t dx = int64_t{q.screenX} - p.screenX, dy = int64_t{q.screenY} - p.screenY;
            if (dx == 0 && dy == 0) continue;
            const int32_t from = convex ? std::max(firstRow, std::min(p.screenY, q.screenY)) : firstRow;
            const int32_t to = convex ? std::min(lastInside, std::max(p.screenY, q.screenY)) : lastInside;
            // The centre (x, y) is on the turning side when a·x + b(y) > 0, with b(y + 1) = b(y) + turn·dx.
            const int64_t a = -turn * dy;
            const int64_t b = turn * (dx * (from - p.screenY) + dy * p.screenX);
            if (a == 0) {
                // A level edge: whole rows are on its side or not.
                for (int32_t y = from; y <= to; ++y)
                    if (b + turn * dx * (y - from) <= 0) columns[y - firstRow] = {1, 0};
                continue;
            }
            // x > -b/a for a > 0, x < -b/a for a < 0: floor(-b / |a|) row by row.
            const int64_t d = std::abs(a);
            Quotient bound = quotientOf(-b, d);
            const Quotient step = quotientOf(-turn * dx, d);
            for (int32_t y = from; y <= to; ++y) {
                Columns& c = columns[y - firstRow];
                if (a > 0)
                    c.first = static_cast<int32_t>(std::max<int64_t>(c.first, std::min<int64_t>(bound.q + 1, width)));
                else
                    c.last = static_cast<int32_t>(std::min<int64_t>(c.last, std::max<int64_t>(-bound.q - 1, 0)));
                // Without a branch: whether the remainder carries changes from row to row unforeseeably.
                bound.r += step.r;
                const int64_t carry = bound.r >= d ? 1 : 0;
                bound.q += step.q + carry, bound.r -= carry * d;
            }
        }
        lastRow = lastInside;
    }

    // Row y's pixels inside; none when first exceeds last.
    Columns of(int32_t y) const { return y >= firstRow && y <= lastRow ? columns[y - firstRow] : Columns{1, 0}; }
    int32_t first() const { return firstRow; }
    int32_t last() const { return lastRow; }
    // Whether the corners in slot order turn one way only: then the outline is its corners' hull.
    bool convexOutline() const { return convex; }

private:
    // Whether every corner of some length turns the way the outline does, or goes straight on.
    static bool turnsOneWay(const ProjectedVertex* const (&order)[4], int64_t turn) {
        int64_t lastX = 0, lastY = 0;
        bool first = true, oneWay = true;
        for (int i = 0; i < 5; ++i) {
            const ProjectedVertex &p = *order[i % 4], &q = *order[(i + 1) % 4];
            const int64_t dx = int64_t{q.screenX} - p.screenX, dy = int64_t{q.screenY} - p.screenY;
            if (dx == 0 && dy == 0) continue;
            if (!first) oneWay = oneWay && turn * (lastX * dy - lastY * dx) >= 0;
            first = false, lastX = dx, lastY = dy;
        }
        return oneWay;
    }
    // Corners within 2^24 pixels of the origin keep every product well inside 64 bits.
    static constexpr int64_t limit = int64_t{1} << 24;
    struct Quotient {
        int64_t q, r;  // n = q·d + r, 0 <= r < d
    };
    // Through a division in doubles, put right where it rounded across a whole number: below 2^51
    // both n and d are exact in doubles, and the quotient is off by at most one.
    static Quotient quotientOf(int64_t n, int64_t d) {
        Quotient r{static_cast<int64_t>(std::floor(static_cast<double>(n) / static_cast<double>(d))), 0};
        r.r = n - r.q * d;
        if (r.r < 0) --r.q, r.r += d;
        if (r.r >= d) ++r.q, r.r -= d;
        return r;
    }
    int32_t firstRow = 0, lastRow = -1;
    bool convex = false;
    Columns* columns = nullptr;
    static std::vector<Columns>& rows() {
        thread_local std::vector<Columns> columns;  // only grows, like the settle box
        return columns;
    }
};

// The mend of the pixels inside a polygon's outline that no block of its samples reaches (along
// the edges the sweep does not sample, beside sharp corners, across slivers): each takes the depth
// and shade the points passed by give it, or else those its first neighbour has (left, right,
// above, below, then the four diagonal ones) from the blocks or the points passed by; it is
// written through the polygon-sample write once the sweep and the corner mend are done. The
// corner mend's pixels are lit already.
struct OutlineMend {
    const Target& t;
    const OutlineRows& outline;
    const std::vector<PassedPoint>& passedBy;
    const std::vector<MendCandidate>& corners;

    // `reach(x, y, value)`: whether the polygon's blocks reach (x, y), and with what.
    template <class Reach>
    void mend(int32_t x, int32_t y, const Reach& reach) const {
        for (const MendCandidate& c : corners)
            if (c.x == x && c.y == y) return;
        const auto from = [&](int32_t nx, int32_t ny, MendValue& v) {
            return reach(nx, ny, v) || passedByValue(passedBy, nx, ny, v);
        };
        MendValue v{};
        if (passedByValue(passedBy, x, y, v) || from(x - 1, y, v) || from(x + 1, y, v) || from(x, y - 1, v) ||
            from(x, y + 1, v) || from(x - 1, y - 1, v) || from(x + 1, y - 1, v) || from(x - 1, y + 1, v) ||
            from(x + 1, y + 1, v))
            t.write(indexOf(t.frame, x, y), v.depth, v.colour);
    }
};

// For a polygon that goes straight into the frame, what its samples settle to over some rows:
// each keeps the columns `columnsOf(y)` gives it.
class MendWindow {
public:
    template <class ColumnsOf>
    MendWindow(int32_t firstRow, int32_t lastRow, const ColumnsOf& columnsOf) : top(firstRow), bottom(lastRow) {
        thread_local std::vector<Columns> rowColumns;  // only grow, like the settle box
        thread_local std::vector<std::size_t> rowStarts;
        thread_local std::vector<MendValue> cells;
        const auto rows = static_cast<std::size_t>(std::max(bottom - top + 1, 0));
        rowColumns.resize(rows), rowStarts.resize(rows + 1);
        std::size_t count = 0;
        for (int32_t y = top; y <= bottom; ++y) {
            const Columns c = columnsOf(y);
            rowColumns[static_cast<std::size_t>(y - top)] = c;
            rowStarts[static_cast<std::size_t>(y - top)] = count;
            count += static_cast<std::size_t>(std::max(c.last - c.first + 1, 0));
        }
        rowStarts[rows] = count;
        cells.assign(count, {unreached, 0});
        // The vectors are reached through a call that checks they are made.
        columns = rowColumns.data(), starts = rowStarts.data(), values = cells.data();
    }
    // The window over rows first-1..last+1 that the mend of rows first..last reads: each row
    // keeps only the columns its own inside pixels and those of the rows beside it span, and one
    // more either side.
    static MendWindow aroundInside(const OutlineRows& outline, int32_t first, int32_t last, int32_t width) {
        return MendWindow(first - 1, last + 1, [&outline, width](int32_t y) {
            int32_t from = width, to = -1;
            for (int32_t near = y - 1; near <= y + 1; ++near) {
                const Columns c = outline.of(near);
                if (c.first <= c.last) from = std::min(from, c.first - 1), to = std::max(to, c.last + 1);
            }
            return Columns{from, std::min(to, width - 1)};
        });
    }
    int32_t firstRow() const { return top; }
    int32_t lastRow() const { return bottom; }

    void settle(const Block& b, int32_t depth, uint32_t colour) const {
        for (int32_t y = std::max(b.y0, top); y <= std::min(b.y1, bottom); ++y) {
            const Columns c = columns[y - top];
            const std::size_t start = starts[y - top];
            for (int32_t x = std::max(b.x0, c.first); x <= std::min(b.x1, c.last); ++x) {
                MendValue& v = values[start + static_cast<std::size_t>(x - c.first)];
                if (depth < v.depth) v = {depth, colour};
            }
        }
    }
    // A block whose every pixel the window keeps. The strict test keeps the first sample of the
    // lowest depth, as the frame's own test would; a block without a fraction names a pixel twice,
    // which is harmless.
    void settleWithin(const Block& b, int32_t depth, uint32_t colour) const {
        const auto rowOf = [this](int32_t y, int32_t x) {
            return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(starts[y - top]) + x - columns[y - top].first);
        };
        const std::size_t upper = rowOf(b.y0, b.x0), lower = rowOf(b.y1, b.x0);
        const auto right = static_cast<std::size_t>(b.x1 - b.x0);
        // Without a branch: within a polygon the test goes either way from one sample to the next.
        for (const std::size_t i : {upper, upper + right, lower, lower + right}) {
            const MendValue v = values[i];
            values[i] = depth < v.depth ? MendValue{depth, colour} : v;
        }
    }
    // The values the window's rows in the band settled to, through the polygon-sample write: the
    // pixels a polygon's samples reach each take the first of their lowest depth, as the samples'
    // own writes would leave them.
    void writeOut(const Target& t) const {
        const FrameArrays& f = t.frame;
        for (int32_t y = std::max(top, f.top); y <= std::min(bottom, f.bottom - 1); ++y) {
            const Columns c = columns[y - top];
            const MendValue* row = values + starts[y - top];
            for (int32_t x = std::max(c.first, 0); x <= c.last; ++x) {
                const MendValue& v = row[x - c.first];
                if (v.depth != unreached) t.write(indexOf(f, x, y), v.depth, v.colour);
            }
        }
    }
    bool reach(int32_t x, int32_t y, MendValue& value) const {
        if (y < top || y > bottom) return false;
        const Columns c = columns[y - top];
        if (x < c.first || x > c.last) return false;
        const MendValue& v = values[starts[y - top] + static_cast<std::size_t>(x - c.first)];
        if (v.depth == unreached) return false;
        value = v;
        return true;
    }

private:
    // Farther than any sample: no single below 2^31 floors to it.
    static constexpr int32_t unreached = INT32_MAX;
    int32_t top, bottom;
    const Columns* columns;
    const std::size_t* starts;
    MendValue* values;
};

// A sample's block into a MendWindow.
struct WindowBlocks {
    const MendWindow& window;
    void write(const Block& b, int32_t iz, uint32_t colour, uint32_t /*sample*/) const { window.settle(b, iz, colour); }
};

// Two samples of a span a pixel apart on a diagonal cover blocks that touch only at a corner,
// and the sweep leaves both pixels beside that corner empty; the neighbouring spans, sampled on
// the same diagonals, may miss them too (a square turned 45 degrees came out a checkerboard). The
// mend fills the one on the side of the next span, so that it stays inside the polygon, with the
// later sample's shade and depth, through the same polygon-sample write as the blocks. The sweep
// only notes such pixels; once it is done, those that no block of the polygon covered are written
// (mendHoles), so every write of the sweep itself stays as it was.
struct CornerMend {
    int32_t dx, dy;  // the direction of the span's steps, -1 or 1; 0 when it never moves that way
    bool besideInX;  // the mended pixel is the earlier block's neighbour in x, else in y
};

inline CornerMend cornerMendOf(const Target& t, const ScreenPoint& s, const ScreenPoint& step) {
    // Blocks touch only at a corner when their samples lie a pixel or more apart in both x and y.
    // Each sum of the walk rounds by at most half a unit in the last place of an on-screen
    // coordinate, so a step that falls short of a pixel by more than that never gets there.
    const float nearlyOne = 1.0f - static_cast<float>(std::max(t.frame.width, t.frame.height)) * 0x1p-22f;
    if (!(std::fabs(step.x) >= nearlyOne && std::fabs(step.y) >= nearlyOne)) return {0, 0, false};
    const int32_t dx = step.x > 0.0f ? 1 : step.x < 0.0f ? -1 : 0;
    const int32_t dy = step.y > 0.0f ? 1 : step.y < 0.0f ? -1 : 0;
    const double side = static_cast<double>(s.x) * t.sweepY - static_cast<double>(s.y) * t.sweepX;
    // The pixel beside the earlier block in x lies on the side -dx·dy of the span.
    return {dx, dy, !(side * dx * dy > 0.0)};
}

// The pixel between the blocks of consecutive samples a and b, when they touch only at a corner.
bool cornerBetween(const CornerMend& c, const Block& a, const Block& b, int32_t& x, int32_t& y) {
    if (c.dx == 0 || c.dy == 0) return false;
    const int32_t ax = c.dx > 0 ? a.x1 : a.x0, bx = c.dx > 0 ? b.x0 : b.x1;
    const int32_t ay = c.dy > 0 ? a.y1 : a.y0, by = c.dy > 0 ? b.y0 : b.y1;
    if (bx - ax != c.dx || by - ay != c.dy) return false;
    x = c.besideInX ? bx : ax;
    y = c.besideInX ? ay : by;
    return true;
}

// One sample's block, of which only the rows in `rows` are written. The caller has checked that
// the sample lies in 1..width-2, 1..height-2 and that top-1 <= y < bottom, so the block stays on
// the surface and its upper row is at most the last of the rows.
template <class Blocks>
void writeBlockInBand(const Rows& rows, const Blocks& blocks, const Block& b, int32_t iz, uint32_t colour,
                      uint32_t sample) {
    const bool upper = b.y0 >= rows.top;
    const bool lower = b.y1 > b.y0 && b.y1 < rows.bottom;
    if (!upper && !lower) return;
    // A row outside the band is left out: the block keeps the row inside only.
    blocks.write({b.x0, b.x1, upper ? b.y0 : b.y1, lower ? b.y1 : b.y0}, iz, colour, sample);
}

template <class Blocks, class Shade>
void walkSpan(const Target& t, const Blocks& blocks, ScreenPoint r, const ScreenPoint& step, uint32_t count,
              const CornerMend& mend, Shade shade) {
    const FrameArrays& f = t.frame;
    const float maxX = static_cast<float>(f.width - 1);
    const float minY = static_cast<float>(std::max(1, t.sweep.top - 1));
    const float maxY = static_cast<float>(std::min(f.height - 1, t.sweep.bottom));
    // The mend joins two drawn samples; a sample left out of the band counts as drawn, as it is
    // in the band that holds it.
    const float minMendY = 1.0f, maxMendY = static_cast<float>(f.height - 1);
    bool lastDrawn = false;
    Block last{};
    for (uint32_t sample = 0; sample < count; ++sample) {
        const bool drawn = r.x >= 1.0f && r.x < maxX && r.y >= minMendY && r.y < maxMendY;
        if (drawn) {
            const Block b = blockOf(r);
            const int32_t iz = floorSample(r.depth);
            const uint32_t colour = t.visible ? shade.colour() : 0;
            if (r.y >= minY && r.y < maxY) writeBlockInBand(t.sweep, blocks, b, iz, colour, sample);
            int32_t x = 0, y = 0;
            if (lastDrawn && cornerBetween(mend, last, b, x, y) && y >= f.top && y < f.bottom)
                t.mends->push_back({x, y, iz, colour});
            last = b;
        }
        lastDrawn = drawn;
        shade.advance();
        r += step;
    }
}

// Whether such samples may write one of `rows`; a block reaches one row below its sample.
bool mayTouchRows(const Rows& rows, float y0, float y1, double steps) {
    const double margin = walkMargin(y0, y1, steps);
    return std::min(y0, y1) - margin < rows.bottom && std::max(y0, y1) + margin + 1.0 >= rows.top;
}
bool mayTouchBand(const FrameArrays& f, float y0, float y1, double steps) {
    return mayTouchRows({f.top, f.bottom}, y0, y1, steps);
}

// Whether every sample of the span from p to q is drawn, its whole block lies in `rows` and its
// depth is positive and below 2^31: then the samples need no clipping and truncation is floor.
bool spanInside(const FrameArrays& f, const Rows& rows, const ScreenPoint& p, const ScreenPoint& q, double steps) {
    const double mx = walkMargin(p.x, q.x, steps), my = walkMargin(p.y, q.y, steps);
    const double mz = walkMargin(p.depth, q.depth, steps);
    return std::min(p.x, q.x) - mx >= 1.0 && std::max(p.x, q.x) + mx < f.width - 1.0 &&
           std::min(p.y, q.y) - my >= std::max(1, rows.top) &&
           std::max(p.y, q.y) + my + 1.0 < std::min(f.height - 1, rows.bottom) &&
           std::min(p.depth, q.depth) - mz > 0.0 && std::max(p.depth, q.depth) + mz < 2147483648.0;
}

// The four writes of a sample's block straight into the frame. A block without a fraction names
// a pixel twice, which is harmless: the second write is no nearer, so it fails the test.
struct FrameBlocks {
    const Target& t;
    std::size_t rowStep;
    void write(const Block& b, int32_t iz, uint32_t colour, uint32_t /*sample*/) const {
        const FrameArrays& f = t.frame;
        const std::size_t i = indexOf(f, b.x0, b.y0);
        const std::size_t right = static_cast<std::size_t>(b.x1 - b.x0);
        const std::size_t down = b.y1 > b.y0 ? rowStep : 0;
        t.write(i, iz, colour);
        t.write(i + right, iz, colour);
        t.write(i + down, iz, colour);
        t.write(i + down + right, iz, colour);
    }
};

// For a sweep that walks the rows beside the band too and gathers its blocks for the outline
// mend: the blocks settle in a window over the polygon's hull, which goes into the frame once the
// sweep is done (MendWindow::writeOut).
struct GatheringBlocks {
    MendWindow window;  // a copy: the values' writes could change the window's own fields
    void write(const Block& b, int32_t iz, uint32_t colour, uint32_t /*sample*/) const {
        window.settleWithin(b, iz, colour);
    }
};

// A sample's block into the polygon's settle box: the strict test keeps the first sample of the
// lowest depth, as the frame's own test would. Without branches: in the box the test goes either
// way from one block to the next.
struct SettleCells {
    int32_t* cells;
    int32_t* exactCells;
    uint8_t* exactRows;
    std::ptrdiff_t stride, origin;  // copies: the cells' writes could change the box's own fields
    int32_t firstRow;               // the frame row of exactRows[0]
    explicit SettleCells(const SettleBox& box)
        : cells(box.cells),
          exactCells(box.exactCells),
          exactRows(box.exactRows),
          stride(box.stride()),
          origin(static_cast<std::ptrdiff_t>(box.at(0, 0))),
          firstRow(box.y0 - 1) {}

    static void settle(int32_t& cell, int32_t value) { cell = value < cell ? value : cell; }
    void settleBlock(const Block& b, int32_t value) const {
        settleAt(static_cast<std::size_t>(b.y0 * stride + b.x0 + origin), b.x1 - b.x0, b.y1 - b.y0, b.y0 - firstRow,
                 value);
    }
    // The block at cell i, one pixel wider when `right` is 1 and higher when `down` is 1; `row`
    // is its first row in exactRows.
    void settleAt(std::size_t i, int32_t right, int32_t down, int32_t row, int32_t value) const {
        if (right != 0 && down != 0) {
            settle(cells[i], value);
            return;
        }
        const auto across = static_cast<std::size_t>(right);
        const auto below = static_cast<std::size_t>(down != 0 ? stride : 0);
        settle(exactCells[i], value);
        settle(exactCells[i + across], value);
        settle(exactCells[i + below], value);
        settle(exactCells[i + below + across], value);
        exactRows[row] = 1;
        exactRows[row + down] = 1;
    }
};

// Flat: each sample settles its depth.
struct SettleBlocks {
    SettleCells box;
    explicit SettleBlocks(const SettleBox& settle) : box(settle) {}
    void write(const Block& b, int32_t iz, uint32_t /*colour*/, uint32_t /*sample*/) const { box.settleBlock(b, iz); }
};

// Per-sample shades: each sample settles under its key, whose lower bits the span's shades hold.
struct SettleKeyBlocks {
    SettleCells box;
    SampleKeys keys;  // a copy, so that the cells' writes cannot change it
    const uint32_t* keyBits;
    SettleKeyBlocks(const SettleBox& settle, const SampleKeys& keys, const uint32_t* keyBits)
        : box(settle), keys(keys), keyBits(keyBits) {}
    void write(const Block& b, int32_t iz, uint32_t /*colour*/, uint32_t sample) const {
        box.settleBlock(b, keys.of(iz, keyBits[sample]));
    }
};

// Four spans of a settled polygon walked side by side, one to a vector lane. A cell keeps the
// least value it is given whatever the order, so the samples of different spans may interleave,
// and four samples share each instruction of the walk but the cells' own updates. One span alone
// also keeps the processor waiting on its sums, each of which needs the last.
class SpanLanes {
public:
    SpanLanes(const SettleBox& box, const SampleKeys* keys)
        : box(box), keys(keys ? *keys : SampleKeys{}), keyed(keys) {}

    // A span spanInside has cleared and that needs no mend, from r in `count` steps. Its key bits
    // (null under the flat shade) must last until it is walked; a full set is walked at once.
    void add(const ScreenPoint& r, const ScreenPoint& step, uint32_t count, const uint32_t* keyBits) {
        spans[static_cast<std::size_t>(used++)] = {r, step, count, keyBits};
        if (used == spanLanes) walk();
    }
    // The spans added since the last walk; a lane left over repeats the first span, which changes
    // nothing: a cell given the same value twice keeps it.
    void walk() {
        if (used == 0) return;
        for (int lane = used; lane < spanLanes; ++lane) spans[static_cast<std::size_t>(lane)] = spans[0];
        if (keyed)
            walkSideBySide<true>();
        else
            walkSideBySide<false>();
        used = 0;
    }
    // The lane a span's key bits are worked out for: one not waiting to be walked.
    int nextLane() const { return used; }

private:
    struct Span {
        ScreenPoint r, step;
        uint32_t count;
        const uint32_t* keyBits;
    };

    template <bool keyed>
    int32_t valueOf(int32_t depth, const Span& span, uint32_t sample) const {
        return keyed ? keys.of(depth, span.keyBits[sample]) : depth;
    }
    template <bool keyed>
    void walkSideBySide();
    // Each lane's block on its own, when not every block has four pixels: kept out of the walk's
    // loop, which it would otherwise crowd.
    [[gnu::noinline]] void settleEach(const Lanes& at, const Lanes& values, const Lanes& right, const Lanes& down,
                                      const Lanes& row) const {
        for (int lane = 0; lane < spanLanes; ++lane)
            box.settleAt(static_cast<std::size_t>(at[lane]), right[lane], down[lane], row[lane], values[lane]);
    }

    SettleCells box;
    SampleKeys keys;
    bool keyed;
    std::array<Span, spanLanes> spans{};
    int used = 0;
};

template <bool keyed>
void SpanLanes::walkSideBySide() {
    SingleLanes x, y, z, dx, dy, dz;
    uint32_t common = spans[0].count;
    for (int lane = 0; lane < spanLanes; ++lane) {
        const Span& span = spans[static_cast<std::size_t>(lane)];
        x[lane] = span.r.x, y[lane] = span.r.y, z[lane] = span.r.depth;
        dx[lane] = span.step.x, dy[lane] = span.step.y, dz[lane] = span.step.depth;
        common = std::min(common, span.count);
    }
    // Cleared samples lie right of and below the box's first cell and are nearer than 2^31, so
    // truncation is floor. The cell index counts from the box's first row and column.
    const auto stride = static_cast<int32_t>(box.stride);
    const Lanes firstRow = box.firstRow + Lanes{};
    const Lanes firstColumn = static_cast<int32_t>(-box.origin - box.firstRow * box.stride) + Lanes{};
    const Lanes nearest = keys.nearest + Lanes{};
    // Copies: the cells' writes could otherwise change them, as far as the compiler knows.
    int32_t* const cells = box.cells;
    const int shift = keys.numberShift;
    const uint32_t *const bits0 = spans[0].keyBits, *const bits1 = spans[1].keyBits;
    const uint32_t *const bits2 = spans[2].keyBits, *const bits3 = spans[3].keyBits;
    for (uint32_t sample = 0; sample < common; ++sample) {
        const Lanes ix = __builtin_convertvector(x, Lanes), iy = __builtin_convertvector(y, Lanes);
        const Lanes iz = __builtin_convertvector(z, Lanes);
        const Lanes right = x > __builtin_convertvector(ix, SingleLanes),
                    down = y > __builtin_convertvector(iy, SingleLanes);
        const Lanes row = iy - firstRow;
        const Lanes at = row * stride + (ix - firstColumn);
        Lanes value = iz;
        if (keyed) {
            const Lanes keyBits{static_cast<int32_t>(bits0[sample]), static_cast<int32_t>(bits1[sample]),
                                static_cast<int32_t>(bits2[sample]), static_cast<int32_t>(bits3[sample])};
            value = (iz - nearest) << shift | keyBits;
        }
        if (allLanes(right & down)) {
            // The common case: every block has four pixels and settles in one cell.
            for (int lane = 0; lane < spanLanes; ++lane) SettleCells::settle(cells[at[lane]], value[lane]);
        } else {
            settleEach(at, value, right & 1, down & 1, row);
        }
        x += dx, y += dy, z += dz;
    }
    // Each span's samples beyond the shortest, on their own.
    for (int lane = 0; lane < spanLanes; ++lane) {
        const Span& span = spans[static_cast<std::size_t>(lane)];
        ScreenPoint r{x[lane], y[lane], z[lane]};
        for (uint32_t sample = common; sample < span.count; ++sample, r += span.step)
            box.settleBlock(blockOf(r), valueOf<keyed>(static_cast<int32_t>(r.depth), span, sample));
    }
}

// walkSpan for a span that spanInside has cleared, its blocks written by `blocks`.
template <bool mending, class Blocks, class Shade>
void walkSpanInside(const Target& t, const Blocks& blocks, ScreenPoint r, const ScreenPoint& step, uint32_t count,
                    const CornerMend& mend, Shade shade) {
    Block last{-2, -2, -2, -2};  // touches no block
    for (uint32_t sample = 0; sample < count; ++sample) {
        const Block b = blockOf(r);
        const auto iz = static_cast<int32_t>(r.depth);
        // Both shades here cost a load, so there is nothing to gain from testing the block first.
        const uint32_t colour = shade.colour();
        blocks.write(b, iz, colour, sample);
        int32_t x = 0, y = 0;
        if (mending && cornerBetween(mend, last, b, x, y) && y >= t.frame.top && y < t.frame.bottom)
            t.mends->push_back({x, y, iz, colour});
        last = b;
        shade.advance();
        r += step;
    }
}

// One span's samples through `blocks`, clipped unless the span is clear of every edge.
template <class Blocks, class Shade>
void walkSpanInto(const Target& t, const Blocks& blocks, const ScreenPoint& p, const ScreenPoint& q, double m,
                  Shade shade) {
    const ScreenPoint step = (q - p) / static_cast<float>(m);
    const CornerMend mend = cornerMendOf(t, q - p, step);
    const auto count = static_cast<uint32_t>(m);
    if (!(t.inside || spanInside(t.frame, t.sweep, p, q, m)))
        walkSpan(t, blocks, p, step, count, mend, shade);
    else if (mend.dx != 0)
        walkSpanInside<true>(t, blocks, p, step, count, mend, shade);
    else if (t.lanes)
        t.lanes->add(p, step, count, shade.keyBits());
    else
        walkSpanInside<false>(t, blocks, p, step, count, mend, shade);
}

template <class Shade>
void drawSpan(const Target& t, const ScreenPoint& p, const ScreenPoint& q, double m, Shade shade) {
    if (t.keys) {
        walkSpanInto(t, SettleKeyBlocks(*t.settle, *t.keys, shade.keyBits()), p, q, m, shade);
        t.keys->samples += static_cast<std::size_t>(m);
    } else if (t.settle)
        walkSpanInto(t, SettleBlocks(*t.settle), p, q, m, shade);
    else if (t.window)
        walkSpanInto(t, WindowBlocks{*t.window}, p, q, m, shade);
    else if (t.gather)
        walkSpanInto(t, GatheringBlocks{*t.gather}, p, q, m, shade);
    else
        walkSpanInto(t, FrameBlocks{t, static_cast<std::size_t>(t.frame.width)}, p, q, m, shade);
}

// One sweep step: the span from p to q, its end not sampled. False when the span is too long,
// which ends the polygon with what is drawn so far.
bool drawSweepStep(const Target& t, const ScreenPoint& p, const ScreenPoint& q, const ShadeEdges& edges,
                   EdgeDirections& directions) {
    const ScreenPoint s = q - p;
    const double m = stepCount(s);
    if (m == 0.0) {
        if (t.passedBy && p.x >= 1.0f && p.x < t.frame.width - 1.0f && p.y >= 1.0f && p.y < t.frame.height - 1.0f) {
            const uint32_t colour =
                t.style == 2 ? passedShade(edges, s, t.selected, t.lanes ? t.lanes->nextLane() : 0) : t.flatColour;
            t.passedBy->push_back({blockOf(p), floorSample(p.depth), colour});
        }
        return true;
    }
    if (m > t.maxCount) return false;
    if (!mayTouchRows(t.reached, p.y, q.y, m)) return true;
    if (t.style == 2)
        drawSpan(t, p, q, m,
                 spanShades(spanShade(edges, directions, s, static_cast<uint32_t>(m), t.selected),
                            static_cast<uint32_t>(m), t.keys, t.lanes ? t.lanes->nextLane() : 0));
    else
        drawSpan(t, p, q, m, FlatShade{t.flatColour});
    return true;
}

ScreenPoint lowestCorner(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, const ScreenPoint& d) {
    return {std::min({a.x, b.x, c.x, d.x}), std::min({a.y, b.y, c.y, d.y}),
            std::min({a.depth, b.depth, c.depth, d.depth})};
}
ScreenPoint highestCorner(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c, const ScreenPoint& d) {
    return {std::max({a.x, b.x, c.x, d.x}), std::max({a.y, b.y, c.y, d.y}),
            std::max({a.depth, b.depth, c.depth, d.depth})};
}

// The pixels in `rows` the blocks of samples in the box low..high can reach, each bound inclusive.
struct PixelBox {
    int32_t x0, x1, y0, y1;
};

PixelBox reachOf(const FrameArrays& f, const Rows& rows, const ScreenPoint& low, const ScreenPoint& high,
                 double steps) {
    const double mx = walkMargin(low.x, high.x, steps), my = walkMargin(low.y, high.y, steps);
    // A block reaches one pixel right of and below its sample.
    return {static_cast<int32_t>(std::max(std::floor(low.x - mx), 0.0)),
            static_cast<int32_t>(std::min(std::floor(high.x + mx) + 1.0, f.width - 1.0)),
            static_cast<int32_t>(std::max(std::floor(low.y - my), static_cast<double>(rows.top))),
            static_cast<int32_t>(std::min(std::floor(high.y + my) + 1.0, rows.bottom - 1.0))};
}

// The farthest depth of the pixels from..to of a row.
int32_t farthestOf(const int32_t* row, int32_t from, int32_t to) {
    int32_t farthest = INT32_MIN;
    for (int32_t x = from; x <= to; ++x) farthest = std::max(farthest, row[x]);
    return farthest;
}

// Whether every write of a polygon whose samples lie in the box low..high would fail its depth
// test: its nearest sample is no nearer than anything drawn where its blocks can reach. Such a
// polygon changes nothing, so it need not be swept; a model seen from outside hides about half of
// itself this way. The check stops at the first row the polygon could win, which for a polygon
// over empty screen is the first; where the frame keeps bounds on its runs of pixels, a run's
// rows behind a finished surface cost a few vector comparisons.
// `nearest`, above 0, is no farther than any of the polygon's samples.
bool hiddenBehind(const FrameArrays& f, const PixelBox& box, int32_t nearest) {
    // Out of table order a write as near as the pixel's may still win it.
    const int32_t depth = nearest - (f.anyOrder ? 1 : 0);
    // Whether any of the pixels from..to of a row is farther: four at a time without an early
    // exit, the last four ending at `to`, so that no loop of single pixels follows whose length
    // the processor would have to guess.
    const auto anyFarther = [depth](const int32_t* row, int32_t from, int32_t to) {
        if (to - from < 3) {
            bool farther = false;
            for (int32_t x = from; x <= to; ++x) farther = farther || row[x] > depth;
            return farther;
        }
        const Lanes near = depth + Lanes{};
        Lanes farther = loadLanes<Lanes>(row + to - 3) > near;
        for (int32_t x = from; x < to - 3; x += 4) farther |= loadLanes<Lanes>(row + x) > near;
        return !allLanes(farther == 0);
    };
    if (!f.farthest) {
        for (int32_t y = box.y0; y <= box.y1; ++y)
            if (anyFarther(f.depth + indexOf(f, 0, y), box.x0, box.x1)) return false;
        return true;
    }
    // The bounds of a run's rows lie side by side, and are compared together; a row whose bound
    // is farther has it tightened first, and is read where the box covers it only if it is still
    // too far.
    for (int32_t run = box.x0 / depthRun; run <= box.x1 / depthRun; ++run) {
        int32_t* const bounds = f.farthest + static_cast<std::ptrdiff_t>(run) * f.height;
        if (!anyFarther(bounds, box.y0, box.y1)) continue;
        const int32_t first = run * depthRun, last = std::min(first + depthRun, f.width) - 1;
        for (int32_t y = box.y0; y <= box.y1; ++y) {
            if (bounds[y] <= depth) continue;
            const int32_t* row = f.depth + indexOf(f, 0, y);
            bounds[y] = farthestOf(row, first, last);
            if (bounds[y] > depth && anyFarther(row, std::max(first, box.x0), std::min(last, box.x1))) return false;
        }
    }
    return true;
}

bool hiddenBehindDrawn(const FrameArrays& f, const PixelBox& box, const ScreenPoint& low, const ScreenPoint& high,
                       double steps) {
    const double nearest = std::floor(low.depth - walkMargin(low.depth, high.depth, steps));
    return nearest > 0.0 && hiddenBehind(f, box, static_cast<int32_t>(std::min(nearest, 2147483647.0)));
}

// The settle box over `reach`, every cell unsettled. It lives as long as its thread and only
// grows; writeSettled leaves it unsettled again.
SettleBox settleBoxOver(const PixelBox& reach) {
    thread_local std::vector<int32_t> cells, exactCells;
    thread_local std::vector<uint8_t> exactRows;
    const int32_t width = reach.x1 - reach.x0 + 1, height = reach.y1 - reach.y0 + 1;
    const auto count = static_cast<std::size_t>(width + 1) * static_cast<std::size_t>(height + 1);
    if (cells.size() < count) cells.resize(count, unsettled), exactCells.resize(count, unsettled);
    if (exactRows.size() < static_cast<std::size_t>(height + 1)) exactRows.resize(static_cast<std::size_t>(height + 1));
    return {reach.x0, reach.y0, width, height, cells.data(), exactCells.data(), exactRows.data()};
}

// The keys of a polygon's per-sample shades, unless they would not fit in 31 bits. Its samples'
// depths lie between its corners' up to the walk's margin, and a span has no more samples than the
// longer of its first and last up to the same margin, nor than maxCount.
bool sampleKeysOf(const Target& t, const ScreenPoint& low, const ScreenPoint& high, double steps, double sweepSteps,
                  double longestSpan, SampleKeys& keys) {
    const double nearest = std::floor(low.depth - walkMargin(low.depth, high.depth, steps));
    const double farthest = std::floor(high.depth + walkMargin(low.depth, high.depth, steps));
    const double margin = std::max(walkMargin(low.x, high.x, steps), walkMargin(low.y, high.y, steps));
    const double numbers = sweepSteps * std::min(t.maxCount, std::floor(longestSpan + 2.0 * margin + 1.0));
    if (!(nearest >= 0.0 && farthest - nearest < 0x1p31 && numbers < 0x1p31)) return false;
    const int shift = static_cast<int>(std::bit_width(static_cast<uint32_t>(numbers))) + 8;
    if (!((farthest - nearest + 1.0) * std::ldexp(1.0, shift) < 0x1p31)) return false;
    keys = {static_cast<int32_t>(nearest), shift, 0};
    return true;
}

// Whether a polygon is worth settling: a box with pixels in it (a polygon beside the screen has
// none), no larger than a million pixels, so that a thread's two boxes of cells never take more
// than 8 MB however large the picture. A long thin sliver across the screen has a box far larger
// than itself, but only the cells its blocks reach are ever touched, and the write-out visits
// only the columns its hull reaches in each row.
bool worthSettling(const PixelBox& reach) {
    if (reach.x1 < reach.x0 || reach.y1 < reach.y0) return false;
    return (reach.x1 - reach.x0 + 1.0) * (reach.y1 - reach.y0 + 1.0) <= 1048576.0;
}

// The columns of each row of a box that the blocks of samples inside the corners' hull can
// reach, up to the walks' margins mx and my. A block starts on row y - 1 or y, so its sample lies
// in the strip y - 1 <= y' < y + 1; the hull meets the strip within the lines between two corners
// (every edge of the hull is one), each cut to the strip. Worked out for all the box's rows at
// once.
class HullRows {
public:
    // `convex`: the corners in slot order turn one way only, so that the hull's edges are the
    // outline's four; else any of the six lines between two corners may be one.
    HullRows(const ScreenPoint (&k)[4], bool convex, double mx, double my, int32_t firstColumn, int32_t lastColumn,
             int32_t firstRow, int32_t rowCount)
        : firstRow(firstRow) {
        std::array<Line, 6> lines{};
        std::size_t next = 0;
        const auto join = [&](const ScreenPoint& p, const ScreenPoint& q) {
            const ScreenPoint& low = p.y <= q.y ? p : q;
            const ScreenPoint& high = p.y <= q.y ? q : p;
            const double rise = static_cast<double>(high.y) - low.y;
            lines[next++] = {low.y, high.y, low.x, high.x,
                             rise > 0.0 ? (high.x - static_cast<double>(low.x)) / rise : 0.0};
        };
        if (convex) {
            // k holds slots 0, 3, 1, 2.
            join(k[0], k[2]), join(k[2], k[3]), join(k[3], k[1]), join(k[1], k[0]);
        } else {
            for (int i = 0; i < 4; ++i)
                for (int j = i + 1; j < 4; ++j) join(k[i], k[j]);
        }
        const auto count = static_cast<std::size_t>(std::max(rowCount, 0));
        std::vector<Columns>& all = rows();
        if (all.size() < count + 1) all.resize(count + 1);
        columns = all.data();  // the vector is reached through a call that checks it is made
        // Two rows to a vector of doubles, each comparison a mask of all ones or zeros.
        using Pair = double __attribute__((vector_size(16)));
        using Mask = int64_t __attribute__((vector_size(16)));
        const double infinity = std::numeric_limits<double>::infinity();
        for (std::size_t row = 0; row < count; row += 2) {
            const Pair y = static_cast<double>(firstRow) + static_cast<double>(row) + Pair{0, 1};
            const Pair top = y - 1.0 - my, bottom = y + 1.0 + my;
            Pair first = infinity + Pair{}, last = -infinity + Pair{};
            for (std::size_t l = 0; l < next; ++l) {
                const Line& line = lines[l];
                const Pair from = top > line.y0 ? top : line.y0 + Pair{};
                const Pair to = bottom < line.y1 ? bottom : line.y1 + Pair{};
                // A level line is met whole; any other between the x at both cut ends.
                const bool level = !(line.y1 > line.y0);
                const Pair a = level ? line.x0 + Pair{} : line.x0 + (from - line.y0) * line.slope;
                const Pair b = level ? line.x1 + Pair{} : line.x0 + (to - line.y0) * line.slope;
                const Mask met = from <= to;
                const Pair low = b < a ? b : a, high = b > a ? b : a;
                first = (met & (low < first)) ? low : first;
                last = (met & (high > last)) ? high : last;
            }
            for (std::size_t lane = 0; lane < 2; ++lane) {
                Columns& c = columns[row + lane];
                if (!(first[lane] <= last[lane])) {
                    c = {firstColumn, firstColumn - 1};
                    continue;
                }
                // Clamped before the conversion: a corner far off the screen lies beyond 32 bits.
                c = {static_cast<int32_t>(std::max<double>(firstColumn, std::floor(first[lane] - mx))),
                     static_cast<int32_t>(std::min<double>(lastColumn, std::floor(last[lane] + mx) + 1.0))};
            }
        }
    }

    Columns of(int32_t y) const { return columns[y - firstRow]; }

private:
    struct Line {
        double y0, y1;  // y0 <= y1
        double x0, x1;  // x at y0 and at y1
        double slope;   // dx / dy; 0 for a level line
    };
    int32_t firstRow;
    Columns* columns;
    static std::vector<Columns>& rows() {
        thread_local std::vector<Columns> columns;  // only grows, like the settle box
        return columns;
    }
};

// The polygon-sample write of four neighbouring pixels at once, each exactly as its own write
// would go: every lane stores back what was there where its test fails.
template <bool ordered>
[[gnu::always_inline]] inline void writePolygonSamples4(const FrameArrays& f, std::size_t i, const Lanes& depth,
                                                        const Lanes& colour, bool visible, int16_t code) {
    const Lanes old = loadLanes<Lanes>(f.depth + i);
    // Where all four are nearer, as over empty screen, the colour and pick code already there need
    // not be read: their cache lines are seldom at hand, and a store does not wait for its line.
    if (ordered && allLanes(depth < old)) {
        storeLanes(f.color + i, colour);
        storeLanes(f.depth + i, depth);
        storeLanes(f.pick + i, code + ShortLanes{});
        return;
    }
    const ShortLanes pick = loadLanes<ShortLanes>(f.pick + i);
    const Lanes wins =
        ordered ? (depth < old) | ((depth == old) & __builtin_convertvector(pick < code, Lanes)) : depth < old;
    const Lanes oldColour = loadLanes<Lanes>(f.color + i);
    if (ordered || visible) storeLanes(f.color + i, wins ? colour : oldColour);
    storeLanes(f.depth + i, wins ? depth : old);
    const ShortLanes takesCode = ordered ? narrowMask(wins) : narrowMask(wins) & (pick < 1);
    storeLanes(f.pick + i, takesCode ? code + ShortLanes{} : pick);
}

// The settled pixels of a box, read from its cells: each pixel takes the least of the four cells
// whose blocks reach it and, on a marked row, of its own pixel in the second box, which is left
// unsettled again. A pixel is named by its index `i` in the box (SettleBox::at).
struct SettledPixels {
    int32_t* cells;
    int32_t* exactCells;
    std::size_t stride;

    static Lanes least(const Lanes& a, const Lanes& b) { return b < a ? b : a; }
    bool reached(std::size_t i) const {
        return cells[i - stride - 1] != unsettled || cells[i - stride] != unsettled || cells[i - 1] != unsettled ||
               cells[i] != unsettled || exactCells[i] != unsettled;
    }
    // Pixels i..i+3, taken from the left of their row: the cells above them from one left of i on
    // are read for the last time here (every block starting there reaches the pixels' row too)
    // and are left unsettled, but for the last (clearAbove).
    [[gnu::always_inline]] Lanes take4(std::size_t i, bool exactRow) const {
        int32_t* const up = cells + i - stride;
        const int32_t* const row = cells + i;
        const Lanes upLeft = loadLanes<Lanes>(up - 1);
        const Lanes settled =
            least(least(upLeft, loadLanes<Lanes>(up)), least(loadLanes<Lanes>(row - 1), loadLanes<Lanes>(row)));
        storeLanes(up - 1, unsettled + Lanes{});
        if (!exactRow) return settled;
        const Lanes exact = loadLanes<Lanes>(exactCells + i);
        storeLanes(exactCells + i, unsettled + Lanes{});
        return least(settled, exact);
    }
    int32_t take(std::size_t i, bool exactRow) const {
        const int32_t settled =
            std::min(std::min(cells[i - stride - 1], cells[i - stride]), std::min(cells[i - 1], cells[i]));
        return exactRow ? std::min(settled, std::exchange(exactCells[i], unsettled)) : settled;
    }
    // The cells of the row above pixels `first`..`last` (a pixel's index), one more to the left,
    // once the pixels are taken.
    void clearAbove(std::size_t first, std::size_t last) const {
        if (last >= first) std::fill(cells + first - stride - 1, cells + last - stride + 1, unsettled);
    }
    // The pixels `first`..`last` of the second box, when their row is not written.
    void clearExact(std::size_t first, std::size_t last) const {
        if (last >= first) std::fill(exactCells + first, exactCells + last + 1, unsettled);
    }
};

// What a settled pixel writes under the flat shade: its depth, in the polygon's colour.
struct FlatValues {
    uint32_t colour;
    void of(const Lanes& settled, Lanes& depths, Lanes& colours) const {
        depths = settled;
        colours = static_cast<int32_t>(colour) + Lanes{};
    }
    void of(int32_t settled, int32_t& depth, uint32_t& shade) const {
        depth = settled;
        shade = colour;
    }
};

// The same from a key: its depth, and its grey level as grey (or red when selected).
struct KeyValues {
    SampleKeys keys;
    uint32_t channels;  // 0x010101 grey, 0x010000 red when selected

    void of(const Lanes& settled, Lanes& depths, Lanes& colours) const {
        const Lanes reached = settled != unsettled;
        depths = reached ? (settled >> keys.numberShift) + keys.nearest : settled;
        colours = (settled & 0xFF) * static_cast<int32_t>(channels);
    }
    void of(int32_t settled, int32_t& depth, uint32_t& shade) const {
        depth = settled != unsettled ? keys.depthOf(settled) : settled;
        shade = static_cast<uint32_t>(settled & 0xFF) * channels;
    }
};

// The rows first..last of a polygon's outline mend: in the band, with pixels inside. None when
// first exceeds last.
struct MendedRows {
    int32_t first, last;
};
MendedRows mendedRows(const FrameArrays& f, const OutlineRows& outline) {
    return {std::max({f.top, outline.first(), 1}), std::min({f.bottom - 1, outline.last(), f.height - 1})};
}

// The outline mend of a settled polygon, a row behind the write-out. The write-out keeps the
// values it takes from the last three rows, by column, one row after another in turn; the
// pixels inside the outline that no block reached in one row are mended once the row below it is
// taken too. Where the band has such pixels, the rows either side of it are taken as well, without
// being written, as their pixels are neighbours of the band's.
template <class Values>
class RowMend {
public:
    RowMend(const OutlineMend& mend, const SettleBox& box, const HullRows& hull, const Values& values)
        : mend(mend),
          hull(hull),
          values(values),
          x0(box.x0),
          width(static_cast<std::size_t>(box.width)),
          firstRow(box.y0) {
        const MendedRows mended = mendedRows(mend.t.frame, mend.outline);
        first = mended.first, last = mended.last;
        thread_local std::vector<int32_t> ring;  // only grows, like the settle box
        thread_local std::vector<int32_t> columns[2];
        if (ring.size() < 3 * width) ring.resize(3 * width);
        rows = ring.data();
        waiting = &columns[0], found = &columns[1];
        waiting->clear();
    }
    // The values of the row to be taken next, from the box's first column.
    int32_t* next() const { return rows + static_cast<std::size_t>(slot) * width; }

    // The next row, y, is taken: its unreached pixels inside are found, and those of the row above
    // mended. `columns` are those taken; where they are no more than 64, `missing` has a bit for
    // each that no block reached, the first column's lowest.
    [[gnu::always_inline]] void taken(int32_t y, const Columns& columns, uint64_t missing) {
        lastTaken = y;
        const int32_t* const settled = next();
        slot = slot == 2 ? 0 : slot + 1;
        found->clear();
        const Columns inside = mend.outline.of(y);
        if (y >= first && y <= last && inside.first <= inside.last) {
            // Looked for all at once first: mostly there are none. A row of up to 64 columns has
            // them as bits already, which spares a loop whose end the processor seldom foresees.
            bool any = false;
            if (columns.last - columns.first < 64 && inside.first >= columns.first && inside.last <= columns.last) {
                const int from = inside.first - columns.first, to = inside.last - columns.first;
                const uint64_t wanted = (~uint64_t{0} >> (63 - to)) & (~uint64_t{0} << from);
                any = (missing & wanted) != 0;
            } else if (inside.last - inside.first >= 3) {
                // Unsettled is the greatest value: the greatest of each lane is unsettled only
                // where one of its pixels is.
                Lanes greatest = loadLanes<Lanes>(settled + (inside.last - 3 - x0));
                for (int32_t c = inside.first; c + 3 < inside.last; c += 4) {
                    const Lanes v = loadLanes<Lanes>(settled + (c - x0));
                    greatest = v > greatest ? v : greatest;
                }
                any = !allLanes(greatest != unsettled);
            } else {
                for (int32_t c = inside.first; c <= inside.last; ++c) any = any || settled[c - x0] == unsettled;
            }
            for (int32_t c = inside.first; any && c <= inside.last; ++c)
                if (settled[c - x0] == unsettled) found->push_back(c);
        }
        if (!waiting->empty()) finishRow(y - 1);
        std::swap(waiting, found);
    }
    // The unreached pixels of the last row taken, with nothing below.
    void finish() {
        if (!waiting->empty()) finishRow(lastTaken);
    }

private:
    // Row y's values, for one of the last three rows taken, from the box's first column.
    const int32_t* row(int32_t y) const {
        const int32_t back = lastTaken - y + 1;  // 1 for the last row taken
        return rows + static_cast<std::size_t>((slot + 3 - back) % 3) * width;
    }
    void finishRow(int32_t y) const {
        const auto reach = [this](int32_t x, int32_t ny, MendValue& v) {
            if (ny < firstRow || ny > lastTaken) return false;
            const Columns c = hull.of(ny);
            if (x < c.first || x > c.last || row(ny)[x - x0] == unsettled) return false;
            values.of(row(ny)[x - x0], v.depth, v.colour);
            return true;
        };
        for (const int32_t x : *waiting) mend.mend(x, y, reach);
    }

    const OutlineMend& mend;
    const HullRows& hull;
    const Values values;  // a copy: the write-out's stores could otherwise change the original
    int32_t x0;
    std::size_t width;
    int32_t firstRow;              // the box's
    int32_t first = 0, last = -1;  // the rows mended
    int32_t lastTaken = INT32_MIN;
    int32_t* rows;
    int slot = 0;                   // of the row to be taken next
    std::vector<int32_t>* waiting;  // the unreached pixels of the last row taken
    std::vector<int32_t>* found;
};

// The `count` pixels of a box row from cell `at` on, written to the frame from pixel `first` on
// when `write` is set, and each pixel's value kept in `row` when `keep` is.
template <bool write, bool keep, bool ordered, class Values>
[[gnu::always_inline]] inline uint64_t takeRow(const FrameArrays& f, const SettledPixels& pixels, const Values& values,
                                               std::size_t at, std::size_t first, std::size_t count, bool exactRow,
                                               int32_t* row, bool visible, int16_t code) {
    const auto writeFour = [&](std::size_t from, const Lanes& settled) {
        if (!write) return;
        Lanes depths, colours;
        values.of(settled, depths, colours);
        writePolygonSamples4<ordered>(f, first + from, depths, colours, visible, code);
    };
    // With `keep`, a bit for each pixel no block reached, for the first 64 (RowMend::taken).
    uint64_t missing = 0;
    const auto note = [&missing](std::size_t from, const Lanes& unreached) {
        missing |= uint64_t{laneBits(unreached)} << (from & 63);
    };
    std::size_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const Lanes settled = pixels.take4(at + x, exactRow);
        if (keep) {
            storeLanes(row + x, settled);
            note(x, settled == unsettled);
        }
        writeFour(x, settled);
    }
    if (x < count && count >= 4) {
        // The row's last pixels as four ending at its end. The first of them are written already,
        // and their cells, read again without those above, give no nearer value and so change
        // nothing; the cell above the last pixel is never settled. Those pixels keep the values
        // taken the first time.
        const std::size_t from = count - 4;
        const Lanes settled = pixels.take4(at + from, exactRow);
        const Lanes again = static_cast<int32_t>(from) + Lanes{0, 1, 2, 3} < static_cast<int32_t>(x);
        if (keep) {
            storeLanes(row + from, again ? loadLanes<Lanes>(row + from) : settled);
            note(from, (settled == unsettled) & ~again);
        }
        writeFour(from, settled);
        return missing;
    }
    const std::size_t taken4 = x;
    for (; x < count; ++x) {
        const int32_t settled = pixels.take(at + x, exactRow);
        if (keep) {
            row[x] = settled;
            missing |= uint64_t{settled == unsettled} << (x & 63);
        }
        if (!write) continue;
        int32_t depth = 0;
        uint32_t colour = 0;
        values.of(settled, depth, colour);
        if (ordered)
            writeOrderedPolygonSample(f, first + x, depth, colour, code);
        else
            writePolygonSample(f, first + x, depth, colour, visible, code);
    }
    pixels.clearAbove(at + taken4, at + count - 1);
    return missing;
}

// The settled box into the frame, one polygon-sample write per pixel, leaving the box unsettled.
// Only the pixels the corners' hull can reach are visited: no block reaches the others. Where the
// band has pixels inside the outline, the rows either side of it are taken too, without being
// written, as their pixels are neighbours of the band's; and the mend follows a row behind.
template <bool ordered, bool mending, class Values>
void writeSettled(const Target& t, const SettleBox& box, const HullRows& hull, const SettledPixels& pixels,
                  const Values values, const OutlineMend& mend) {
    // Copies: the pick codes written here are 16-bit, as the polygon's own code is, and the colour
    // and key fields 32-bit, so through references the compiler would read them again for every
    // pixel.
    const FrameArrays f = t.frame;
    const int16_t code = t.code;
    const bool visible = t.visible;
    std::optional<RowMend<Values>> rowMend;
    if (mending) rowMend.emplace(mend, box, hull, values);
    std::size_t at = 0, count = 0;
    for (int32_t y = box.y0; y < box.y0 + box.height; ++y) {
        const Columns reached = hull.of(y);
        at = box.at(reached.first, y);
        const bool exactRow = std::exchange(box.exactRows[y - box.y0 + 1], 0) != 0;
        const std::size_t first = indexOf(f, reached.first, y);
        count = static_cast<std::size_t>(std::max(reached.last - reached.first + 1, 0));
        // The frame's lines two rows down, when in the band, are asked for now: the processor
        // fetches a row's lines in turn by itself, but not the jump to the next row.
        if (y + 2 >= f.top && y + 2 < f.bottom && count > 0) {
            const std::size_t ahead = first + 2 * static_cast<std::size_t>(f.width);
            const auto ask = [&](std::size_t i) {
                __builtin_prefetch(f.depth + i, 1);
                __builtin_prefetch(f.color + i, 1);
                __builtin_prefetch(f.pick + i, 1);
            };
            for (std::size_t x = 0; x < count; x += 16) ask(ahead + x);
            ask(ahead + count - 1);  // the last line, where the row does not start on one
        }
        const bool inBand = y >= f.top && y < f.bottom;
        if (!inBand && !(mending && (y == f.top - 1 || y == f.bottom))) {
            // Another band's row: its cells are only made unsettled again.
            if (exactRow) pixels.clearExact(at, at + count - 1);
            pixels.clearAbove(at, at + count - 1);
            continue;
        }
        if (!mending) {
            takeRow<true, false, ordered>(f, pixels, values, at, first, count, exactRow, nullptr, visible, code);
            continue;
        }
        int32_t* const row = rowMend->next() + (reached.first - box.x0);
        const uint64_t missing =
            inBand ? takeRow<true, true, ordered>(f, pixels, values, at, first, count, exactRow, row, visible, code)
                   : takeRow<false, true, ordered>(f, pixels, values, at, first, count, exactRow, row, visible, code);
        rowMend->taken(y, reached, missing);
    }
    // The last row's own cells.
    if (count > 0) pixels.clearAbove(at + pixels.stride, at + pixels.stride + count - 1);
    if (mending) rowMend->finish();
}

// The polygon's box into the frame, then the pixels of the corner mend that no block reached and
// those of the outline mend.
template <class Values>
void writeSettledPolygon(const Target& t, const SettleBox& box, const HullRows& hull, const Values& values,
                         std::vector<MendCandidate>& mends, const OutlineMend& outline) {
    const SettledPixels pixels{box.cells, box.exactCells, static_cast<std::size_t>(box.stride())};
    std::erase_if(mends, [&](const MendCandidate& m) { return pixels.reached(box.at(m.x, m.y)); });
    // Only where the band has rows of pixels inside the outline is the write-out also the mend's.
    const MendedRows mended = mendedRows(t.frame, outline.outline);
    const bool mending = mended.first <= mended.last;
    if (t.frame.anyOrder && mending)
        writeSettled<true, true>(t, box, hull, pixels, values, outline);
    else if (t.frame.anyOrder)
        writeSettled<true, false>(t, box, hull, pixels, values, outline);
    else if (mending)
        writeSettled<false, true>(t, box, hull, pixels, values, outline);
    else
        writeSettled<false, false>(t, box, hull, pixels, values, outline);
    for (const MendCandidate& hole : mends) t.write(indexOf(t.frame, hole.x, hole.y), hole.depth, hole.colour);
}

// Which pixels of a box the blocks of a polygon's samples cover: the sweep walked once more,
// sample for sample as it was drawn, without its writes.
class Coverage {
public:
    explicit Coverage(const std::vector<MendCandidate>& pixels) {
        for (const MendCandidate& c : pixels) {
            x0 = std::min(x0, c.x), x1 = std::max(x1, c.x);
            y0 = std::min(y0, c.y), y1 = std::max(y1, c.y);
        }
        width = x1 - x0 + 1;
        covered().assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(y1 - y0 + 1), 0);
    }
    void mark(const Block& b) {
        for (int32_t y = std::max(b.y0, y0); y <= std::min(b.y1, y1); ++y)
            for (int32_t x = std::max(b.x0, x0); x <= std::min(b.x1, x1); ++x) covered()[at(x, y)] = 1;
    }
    bool has(int32_t x, int32_t y) const { return covered()[at(x, y)] != 0; }

private:
    int32_t x0 = INT32_MAX, x1 = INT32_MIN, y0 = INT32_MAX, y1 = INT32_MIN, width = 0;
    std::size_t at(int32_t x, int32_t y) const {
        return static_cast<std::size_t>(y - y0) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x - x0);
    }
    static std::vector<uint8_t>& covered() {
        thread_local std::vector<uint8_t> bits;  // keeps its capacity from polygon to polygon
        return bits;
    }
};

// Writes the corner pixels the sweep noted that no block of the polygon covers, in the order
// they were found. The walk repeats the sweep's arithmetic exactly, so it visits the same samples.
void mendHoles(const Target& t, const ScreenPoint& a, const ScreenPoint& c, const ScreenPoint& stepAB,
               const ScreenPoint& stepCD, double n) {
    Coverage coverage(*t.mends);
    const float maxX = static_cast<float>(t.frame.width - 1), maxY = static_cast<float>(t.frame.height - 1);
    ScreenPoint p = a, q = c;
    for (auto j = static_cast<uint32_t>(n); j > 0; --j, p += stepAB, q += stepCD) {
        const double m = stepCount(q - p);
        if (m > t.maxCount) break;
        const ScreenPoint step = (q - p) / static_cast<float>(m);
        ScreenPoint r = p;
        for (auto sample = static_cast<uint32_t>(m); sample > 0; --sample, r += step)
            if (r.x >= 1.0f && r.x < maxX && r.y >= 1.0f && r.y < maxY) coverage.mark(blockOf(r));
    }
    for (const MendCandidate& hole : *t.mends)
        if (!coverage.has(hole.x, hole.y)) t.write(indexOf(t.frame, hole.x, hole.y), hole.depth, hole.colour);
}

// The sweep: from A and C, n steps along AB and CD, a span at each. False when a span too long to
// draw cut it short.
bool sweepPolygon(const Target& t, const Corners& k, const ScreenPoint& a, const ScreenPoint& c,
                  const ScreenPoint& stepAB, const ScreenPoint& stepCD, double n) {
    ShadeEdges edges = shadeEdgesOf(k, n);
    EdgeDirections directions;
    ScreenPoint p = a, q = c;
    for (auto j = static_cast<uint32_t>(n); j > 0; --j) {
        if (!drawSweepStep(t, p, q, edges, directions)) return false;
        p += stepAB;
        q += stepCD;
        edges.advance();
    }
    return true;
}

// About how many values a window holds for row y; no window holds many more than windowLimit.
std::size_t windowSizeOf(const OutlineRows& outline, int32_t y) {
    const Columns inside = outline.of(y);
    return static_cast<std::size_t>(std::max(inside.last - inside.first + 3, 3));
}
constexpr std::size_t windowLimit = std::size_t{1} << 20;

// The pixels inside of rows first..last that the window shows unreached, mended from it.
void mendFromWindow(const OutlineMend& mend, const MendWindow& window, int32_t first, int32_t last) {
    const auto reach = [&window](int32_t x, int32_t y, MendValue& v) { return window.reach(x, y, v); };
    for (int32_t y = first; y <= last; ++y) {
        const Columns inside = mend.outline.of(y);
        MendValue v{};
        for (int32_t x = inside.first; x <= inside.last; ++x)
            if (!window.reach(x, y, v)) mend.mend(x, y, reach);
    }
}

// The outline mend of a polygon that went straight into the frame without gathering its blocks:
// they are gathered by walking the sweep again into a window over the band's rows with pixels
// inside, a strip of rows at a time, so that no window holds many more than a million values.
void mendOutlineStraight(const Target& t, const OutlineMend& mend, const Corners& k, const ScreenPoint& a,
                         const ScreenPoint& c, const ScreenPoint& stepAB, const ScreenPoint& stepCD, double n,
                         const ScreenPoint& low, const ScreenPoint& high) {
    const FrameArrays& f = t.frame;
    const OutlineRows& outline = mend.outline;
    const MendedRows mended = mendedRows(f, outline);
    thread_local std::vector<MendCandidate> corners;  // the walk notes them again; they are written
    for (int32_t from = mended.first, to = from; from <= mended.last; from = to + 1) {
        std::size_t size = windowSizeOf(outline, from);
        for (to = from; to < mended.last && size < windowLimit; ++to) size += windowSizeOf(outline, to + 1);
        const MendWindow window = MendWindow::aroundInside(outline, from, to, f.width);
        Target again = t;
        again.frame.top = window.firstRow();
        again.frame.bottom = std::min(window.lastRow() + 1, f.height);
        again.sweep = again.reached = {again.frame.top, again.frame.bottom};
        corners.clear();
        again.mends = &corners;
        again.passedBy = nullptr;
        again.window = &window;
        again.gather = nullptr;
        again.inside = spanInside(again.frame, again.sweep, low, high, n + t.maxCount);
        sweepPolygon(again, k, a, c, stepAB, stepCD, n);
        mendFromWindow(mend, window, from, to);
    }
}

void fillPolygon(const Target& t, const Corners& k) {
    const ScreenPoint a = screenPointOf(*k.a), b = screenPointOf(*k.b);
    const ScreenPoint c = screenPointOf(*k.c), d = screenPointOf(*k.d);
    const ScreenPoint dAB = b - a, dCD = d - c;
    const double n = std::max(stepCount(dAB), stepCount(dCD));
    if (n == 0.0 || n > t.maxCount) return;
    // Every sample lies between the two swept edges, so within the corners' rows up to rounding.
    const float top = std::min({a.y, b.y, c.y, d.y}), bottom = std::max({a.y, b.y, c.y, d.y});
    if (!mayTouchBand(t.frame, top, bottom, n + t.maxCount)) return;
    // Every sample lies within the corners' box up to the rounding of the sweep and the span.
    const auto count = static_cast<float>(n);
    const ScreenPoint stepAB = dAB / count, stepCD = dCD / count;
    const ScreenPoint low = lowestCorner(a, b, c, d), high = highestCorner(a, b, c, d);
    const PixelBox reach = reachOf(t.frame, t.sweep, low, high, n + t.maxCount);
    if (hiddenBehindDrawn(t.frame, reach, low, high, n + t.maxCount)) return;
    Target clear = t;
    clear.sweepX = static_cast<double>(stepAB.x) + stepCD.x;
    clear.sweepY = static_cast<double>(stepAB.y) + stepCD.y;
    thread_local std::vector<MendCandidate> mends;  // only grows, like the edge directions
    thread_local std::vector<PassedPoint> passedBy;
    mends.clear();
    passedBy.clear();
    clear.mends = &mends;
    clear.passedBy = &passedBy;
    SettleBox box{};
    SampleKeys keys{};
    std::optional<SpanLanes> lanes;
    const double longestSpan = std::max(stepCount(c - a), stepCount(d - b));
    // A settled polygon's box reaches over the band's edges, so that the spans across them need no
    // clipping; only its rows in the band go into the frame.
    const Rows surface{0, t.frame.height};
    const PixelBox boxReach = reachOf(t.frame, surface, low, high, n + t.maxCount);
    if (worthSettling(boxReach) && (t.style == 1 || sampleKeysOf(t, low, high, n + t.maxCount, n, longestSpan, keys))) {
        box = settleBoxOver(boxReach);
        clear.sweep = surface;
        clear.reached = {t.frame.top - 1, t.frame.bottom + 1};
        clear.settle = &box;
        if (t.style == 2) clear.keys = &keys;
        clear.lanes = &lanes.emplace(box, clear.keys);
    }
    // The band's rows and two either side: a window row needs the rows beside it, and the window
    // reaches a row beyond the band.
    OutlineRows outline(k, std::max(t.frame.top, 1) - 2, std::min(t.frame.bottom, t.frame.height) + 1, t.frame.width);
    // A polygon straight into the frame gathers its blocks for the outline mend as it is swept,
    // walking the rows beside the band too, where the window is not too large; else the sweep is
    // walked again afterwards.
    const MendedRows mended = mendedRows(t.frame, outline);
    const ScreenPoint corners[4] = {a, b, c, d};
    const double steps = n + t.maxCount;
    std::optional<MendWindow> gathered;
    if (!clear.settle && mended.first <= mended.last) {
        const Rows walked{std::max(t.frame.top - 1, 0), std::min(t.frame.bottom + 1, t.frame.height)};
        const int32_t first = std::max(walked.top, boxReach.y0), last = std::min(walked.bottom - 1, boxReach.y1);
        const HullRows hull(corners, outline.convexOutline(), walkMargin(low.x, high.x, steps),
                            walkMargin(low.y, high.y, steps), boxReach.x0, boxReach.x1, first, last - first + 1);
        std::size_t size = 0;
        for (int32_t y = first; y <= last; ++y)
            size += static_cast<std::size_t>(hull.of(y).last - hull.of(y).first + 1);
        if (size <= windowLimit) {
            clear.gather = &gathered.emplace(first, last, [&hull](int32_t y) { return hull.of(y); });
            clear.sweep = clear.reached = walked;
        }
    }
    clear.inside = spanInside(t.frame, clear.sweep, low, high, n + t.maxCount);
    // A polygon cut short keeps only what was drawn: its outline is no longer what was swept.
    if (!sweepPolygon(clear, k, a, c, stepAB, stepCD, n)) outline = OutlineRows();
    if (lanes) lanes->walk();
    const OutlineMend mend{clear, outline, passedBy, mends};
    if (!clear.settle) {
        if (!mends.empty()) mendHoles(clear, a, c, stepAB, stepCD, n);
        if (gathered) {
            gathered->writeOut(clear);
            mendFromWindow(mend, *gathered, mended.first, mended.last);
        } else
            mendOutlineStraight(clear, mend, k, a, c, stepAB, stepCD, n, low, high);
        return;
    }
    const HullRows hull(corners, outline.convexOutline(), walkMargin(low.x, high.x, steps),
                        walkMargin(low.y, high.y, steps), boxReach.x0, boxReach.x1, box.y0, box.height);
    if (clear.keys)
        writeSettledPolygon(clear, box, hull, KeyValues{keys, t.selected ? 0x010000u : 0x010101u}, mends, mend);
    else
        writeSettledPolygon(clear, box, hull, FlatValues{t.flatColour}, mends, mend);
}

// Slot 0 -> 3 -> 2 -> 1 chained from where each walk ended, then slot 0 -> 1 afresh. No pick codes:
// outlines cannot be picked.
// A band the outline's walks cannot reach is left at once: each walk ends where the next starts
// up to its rounding, so every sample lies between the corners' rows give or take the margin.
void outlinePolygon(const FrameArrays& f, const Corners& k, uint32_t colour) {
    const ScreenPoint low =
        lowestCorner(screenPointOf(*k.a), screenPointOf(*k.b), screenPointOf(*k.c), screenPointOf(*k.d));
    const ScreenPoint high =
        highestCorner(screenPointOf(*k.a), screenPointOf(*k.b), screenPointOf(*k.c), screenPointOf(*k.d));
    const double longest = std::max(static_cast<double>(high.x) - low.x, static_cast<double>(high.y) - low.y);
    if (!mayTouchBand(f, low.y, high.y, 4.0 * longest + 8.0)) return;
    ScreenPoint p = screenPointOf(*k.a);
    drawLine(f, p, screenPointOf(*k.b), colour);
    drawLine(f, p, screenPointOf(*k.d), colour);
    drawLine(f, p, screenPointOf(*k.c), colour);
    ScreenPoint a = screenPointOf(*k.a);
    drawLine(f, a, screenPointOf(*k.c), colour);
}

bool cornersOf(const EditorState& state, const Polygon& polygon, Corners& k) {
    const int32_t vertices = std::clamp(state.model.vertexCount, 0, maxVertices);
    for (const uint16_t slot : polygon.slots) {
        if (slot >= vertices) return false;
        if (!inDepthRange(asSingle(state.projected[slot].depth), state.camera.drawdepth)) return false;
    }
    k = {&state.projected[polygon.slots[0]], &state.projected[polygon.slots[3]], &state.projected[polygon.slots[1]],
         &state.projected[polygon.slots[2]]};
    return true;
}

void drawPolygon(const EditorState& state, const FrameArrays& f, int32_t i) {
    const Polygon& polygon = state.model.polygons[static_cast<std::size_t>(i)];
    Corners k{};
    if (!cornersOf(state, polygon, k)) return;
    const auto code = static_cast<int16_t>(-(i + 1));
    const bool selected = code == state.selection.polygon;
    if (state.shadeStyle == 0) {
        outlinePolygon(f, k, selected ? selectedOutlineColour : outlineColour);
        return;
    }
    const float facing = state.polygonFacing[static_cast<std::size_t>(i)];
    const bool facesViewer = (polygon.flags & twoSidedFlag) != 0 || facing >= 0.0f;
    const uint32_t flat = shadeColour(std::fabs(248.0 * static_cast<double>(facing)), selected);
    fillPolygon({f,
                 {f.top, f.bottom},
                 {f.top, f.bottom},
                 code,
                 facesViewer || selected,
                 selected,
                 state.shadeStyle,
                 flat,
                 2.0 * f.width,
                 false,
                 0.0,
                 0.0,
                 nullptr,
                 nullptr,
                 nullptr,
                 nullptr,
                 nullptr,
                 nullptr,
                 nullptr},
                k);
}

}  // namespace

void drawPolygons(const EditorState& state, const FrameArrays& frame) {
    const int32_t count = std::clamp(state.model.polygonCount, 0, maxPolygons);
    for (int32_t i = 0; i < count; ++i) drawPolygon(state, frame, i);
}

// A polygon found hidden by the reach its order gives is passed by before its corners are read.
void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order) {
    for (const OrderedPolygon& p : order) {
        if (p.lastRow < frame.top || p.firstRow >= frame.bottom) continue;
        const PixelBox reach{std::max(p.firstColumn, 0), std::min(p.lastColumn, frame.width - 1),
                             std::max(p.firstRow, frame.top), std::min(p.lastRow, frame.bottom - 1)};
        if (p.nearest > 0 && frame.farthest && hiddenBehind(frame, reach, p.nearest)) continue;
        drawPolygon(state, frame, p.polygon);
    }
}

}  // namespace VX_FILL_BUILD

#ifndef VX_FILL_FOR_SSE42
#if VX_FILL_HAS_SSE42
namespace {

// The processor's answer, asked once; false while tests ask for the build for every processor.
std::atomic<bool> sse42Fill{__builtin_cpu_supports("sse4.2") != 0};

}  // namespace
#endif

void drawPolygons(const EditorState& state, const FrameArrays& frame) {
#if VX_FILL_HAS_SSE42
    if (sse42Fill) return fill_sse42::drawPolygons(state, frame);
#endif
    fill_any::drawPolygons(state, frame);
}

void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order) {
#if VX_FILL_HAS_SSE42
    if (sse42Fill) return fill_sse42::drawPolygonsInOrder(state, frame, order);
#endif
    fill_any::drawPolygonsInOrder(state, frame, order);
}

void useFillForEveryProcessor(bool everyProcessor) {
#if VX_FILL_HAS_SSE42
    sse42Fill = !everyProcessor && __builtin_cpu_supports("sse4.2");
#else
    (void)everyProcessor;
#endif
}
#endif

}  // namespace vx
