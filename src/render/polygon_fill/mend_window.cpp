// The window a polygon drawn straight into the frame settles its blocks in, for the outline mend.
//
// The rule it serves (rules 2 and 9 in RULES.md): the outline mend reads what the polygon's own
// blocks give a pixel, the depth and shade of the first sample of the lowest depth that covers it
// (Renderer::covered and Renderer::settle in tests/support/reference_renderer.cpp).
//
// The speed-up: a flat window over the rows the mend reads, each row keeping only the columns
// the polygon's hull can reach, in place of a map of pixels.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

// For a sweep that walks the rows beside the band too and gathers its blocks for the outline
// mend: the blocks settle in a window over the polygon's hull, which goes into the frame once the
// sweep is done (MendWindow::writeOut).
struct GatheringBlocks {
    MendWindow window;  // a copy: the values' writes could change the window's own fields
    void write(const Block& b, int32_t iz, uint32_t colour, uint32_t /*sample*/) const {
        window.settleWithin(b, iz, colour);
    }
};

}  // namespace
}  // namespace vx::VX_FILL_BUILD
