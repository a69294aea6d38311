// The outline mend of a settled polygon, a row behind its write-out.
//
// The rule (rule 9 in RULES.md, as in outline_mend.cpp): a pixel inside the outline that no block
// reached takes the values the points passed by give it, or else its first neighbour's. The
// literal definition is Renderer::mendOutline in tests/support/reference_renderer.cpp.
//
// The speed-up: the write-out keeps the values it takes from the last three rows, so the
// neighbours of a row's unreached pixels are at hand once the row below is taken; a row of up to
// 64 columns has its unreached pixels as bits already.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
