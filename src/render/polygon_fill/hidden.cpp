// The hidden-polygon skip: a polygon that no write of which could pass its depth test.
//
// The rule it keeps (rule 2 in RULES.md): a write changes a pixel only when its depth is below the
// pixel's (Renderer::writeSample in tests/support/reference_renderer.cpp), so a polygon whose
// nearest sample is no nearer than everything drawn where its blocks can reach changes nothing
// and need not be swept. The literal renderer has no such skip: it sweeps every polygon.
//
// The speed-ups: four depths compared at a time; where the frame keeps a bound on the farthest
// depth of each run of pixels, a run's rows behind a finished surface cost a few comparisons.
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

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

}  // namespace
}  // namespace vx::VX_FILL_BUILD
