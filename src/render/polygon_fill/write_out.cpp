// The write-out: a settled polygon's box into the frame, one polygon-sample write per pixel.
//
// The rule (rule 2 in RULES.md): each pixel gets the polygon-sample write of the first sample of the
// lowest depth whose block covers it: the depth test is strict, the colour is written only for a
// visible polygon, and the pick code only where the pixel has none of a vertex. The literal
// definition is Renderer::writeSample in tests/support/reference_renderer.cpp; the plain writer
// is writePolygonSample in render/pixel_writers.h.
//
// The speed-ups: four pixels at a time, each lane exactly as its own write; only the columns the
// corners' hull reaches; the frame's lines two rows ahead asked for early; the box left unsettled
// for the next polygon as it is read.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
