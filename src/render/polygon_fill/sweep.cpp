// The sweep of a filled polygon: its steps, the span at each, and the samples and blocks of a span.
//
// The rule (rules 3, 4 and 8 in RULES.md): a polygon is swept in n steps along A to B and C to D
// together, n the longer of the two edges' counts; at each step the span from the point on AB to
// the point on CD has m samples, m its own count, stepped by the span's difference / m. A span
// longer than 2·width samples ends the polygon with what is drawn so far. Each sample covers a
// block of up to 2x2 pixels, floor of its position and one more where it has a fraction, drawn
// only where the sample lies in 1..width-2, 1..height-2; every pixel of the block gets the
// polygon-sample write. A span of no samples notes its start point for the outline mend. The
// literal definition is Renderer::fill and Renderer::countOf in tests/support/reference_renderer.cpp.
//
// The speed-ups: a span clear of every edge is walked without clipping; a span leaves out the rows
// outside its thread's band; the samples go through one of several block writers (straight into
// the frame, into a settle box, into a window for the outline mend), picked once per span.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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
                t.style == 2 ? passedShade(edges, s, Tint{t.tint}, t.lanes ? t.lanes->nextLane() : 0) : t.flatColour;
            t.passedBy->push_back({blockOf(p), floorSample(p.depth), colour});
        }
        return true;
    }
    if (m > t.maxCount) return false;
    if (!mayTouchRows(t.reached, p.y, q.y, m)) return true;
    if (t.style == 2)
        drawSpan(t, p, q, m,
                 spanShades(spanShade(edges, directions, s, static_cast<uint32_t>(m), Tint{t.tint}),
                            static_cast<uint32_t>(m), t.keys, t.lanes ? t.lanes->nextLane() : 0));
    else
        drawSpan(t, p, q, m, FlatShade{t.flatColour});
    return true;
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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
