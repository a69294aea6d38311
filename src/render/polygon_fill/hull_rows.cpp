// The columns of each row that the blocks of a polygon's samples can reach: its corners' hull.
//
// No rule of its own: every sample lies between the two swept edges, so within the corners' hull
// up to the rounding of the walks; no block reaches a pixel outside it. The settle box's write-out
// and the outline mend's window visit only these columns.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
