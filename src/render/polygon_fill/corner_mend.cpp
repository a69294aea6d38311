// The corner mend: the pixel between two samples' blocks that touch only at a corner.
//
// The rule (rule 7 in RULES.md): when consecutive samples of a span cover blocks that touch only at
// a corner, the pixel beside that corner on the side of the next span is noted with the later
// sample's depth and shade; once the sweep is done, the noted pixels that no block of the polygon
// covers are written, in the order found. The literal definition is Renderer::mendCorner and
// Renderer::writeMends in tests/support/reference_renderer.cpp.
//
// The speed-ups: a span whose steps fall short of a pixel in x or y never notes a corner, so its
// walk leaves the test out; whether a noted pixel was covered is found by walking the sweep again
// over the noted pixels' box only.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
