// The pixels inside a polygon's projected outline, row by row, in exact integers.
//
// The rule (rule 9 in RULES.md): a pixel is inside a polygon's outline when its centre lies
// strictly on the turning side of every edge of some length of the corners in slot order; an
// outline of no area has no inside. The literal definition is Renderer::centreInside in
// tests/support/reference_renderer.cpp.
//
// The speed-up: instead of testing each pixel against four edges, each edge's bound is stepped
// from row to row as a quotient and remainder, and for a convex outline only the two edges that
// cross a row are stepped there.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

// The rows first..last of a polygon's outline mend: in the band, with pixels inside. None when
// first exceeds last.
struct MendedRows {
    int32_t first, last;
};
MendedRows mendedRows(const FrameArrays& f, const OutlineRows& outline) {
    return {std::max({f.top, outline.first(), 1}), std::min({f.bottom - 1, outline.last(), f.height - 1})};
}

}  // namespace
}  // namespace vx::VX_FILL_BUILD
