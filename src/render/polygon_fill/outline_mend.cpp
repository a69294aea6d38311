// The outline mend: the pixels inside a polygon's outline that no block of its samples reaches.
//
// The rule (rules 8 and 9 in RULES.md): once the sweep and the corner mend are done, and only when
// no span was too long, every pixel inside the outline that neither a block nor a corner mend lit
// takes the depth and shade the points passed by give it, or else those of its first neighbour
// (left, right, above, below, then the four diagonal ones) that the polygon's blocks or the points
// passed by reach, through the polygon-sample write. The literal definition is
// Renderer::mendOutline and Renderer::reachAt in tests/support/reference_renderer.cpp.
//
// The speed-ups: the pixels inside come row by row from OutlineRows; a polygon drawn straight into
// the frame without a window walks its sweep again, a strip of rows at a time, to find what its
// blocks reach; a settled polygon is mended from its box a row behind the write-out (row_mend.cpp).
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
