// The settle box: a polygon's samples settled in a box of its own before they go into the frame.
//
// The rule it keeps (rule 2 in RULES.md): within one polygon the writes a pixel gets leave it as the
// first write of the lowest depth alone would, as every later write passes the depth test only
// when it is nearer still (Renderer::writeSample in tests/support/reference_renderer.cpp). Under
// the per-sample shade a key that orders by depth and then by sample number picks that write.
//
// The speed-ups: one cell per sample instead of four depth-tested writes to the frame; four spans
// walked side by side, one to a vector lane; the box and its cells live as long as the thread.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
