// The line primitive drawLine and the pass that draws the LineTable.
#include "render/line.h"

#include <algorithm>
#include <cmath>

#include "core/numeric.h"
#include "render/float_walk.h"

namespace vx {
namespace {

// Off-surface steps of a walk with no more than this left are stepped through, not skipped.
constexpr uint64_t shortWalk = 64;

// Samples are taken with floor, so a point is on the surface and in the band exactly when
// 0 <= x < width and top <= y < bottom.
bool onSurface(const FrameArrays& f, const ScreenPoint& p) {
    return p.x >= 0.0f && p.x < static_cast<float>(f.width) && p.y >= static_cast<float>(f.top) &&
           p.y < static_cast<float>(f.bottom);
}

// Steps until a coordinate walking by s first lies in low <= v < high; `left` when it never does
// within the steps left. Each coordinate moves one way only, so once past the far side it stays out.
uint64_t stepsIntoRange(float v, float s, uint64_t left, float low, float high) {
    if (v >= low && v < high) return 0;
    if (v < low && s > 0.0f) return walkUntil(v, s, left, low, true);
    if (v >= high && s < 0.0f) return walkUntil(v, s, left, high, false);
    return left;
}

// Skips, exactly, the steps before the walk next lies on the surface; returns how many it skipped.
uint64_t skipOffSurface(const FrameArrays& f, ScreenPoint& p, const ScreenPoint& step, uint64_t left) {
    const uint64_t skip =
        std::max(stepsIntoRange(p.x, step.x, left, 0.0f, static_cast<float>(f.width)),
                 stepsIntoRange(p.y, step.y, left, static_cast<float>(f.top), static_cast<float>(f.bottom)));
    p.x = walkSteps(p.x, step.x, skip);
    p.y = walkSteps(p.y, step.y, skip);
    p.depth = walkSteps(p.depth, step.depth, skip);
    return skip;
}

// Whether a walk off the surface (or the band) can never come back to it: each coordinate moves
// one way only, and a rounded sum never moves against its step. Each band's thread then leaves a
// line that crosses out of its rows at once instead of stepping through the rest.
bool leftForGood(const FrameArrays& f, const ScreenPoint& p, const ScreenPoint& step) {
    return (p.x >= static_cast<float>(f.width) && step.x >= 0.0f) || (p.x < 0.0f && step.x <= 0.0f) ||
           (p.y >= static_cast<float>(f.bottom) && step.y >= 0.0f) ||
           (p.y < static_cast<float>(f.top) && step.y <= 0.0f);
}

void drawLineSample(const FrameArrays& f, const ScreenPoint& p, uint32_t colour) {
    // On the surface both coordinates are in 0..size-1, where truncation is floor.
    const std::size_t i = indexOf(f, static_cast<int32_t>(p.x), static_cast<int32_t>(p.y));
    writeLineSample(f, i, floorSample(p.depth), colour);
}

double stepsBetween(const ScreenPoint& a, const ScreenPoint& b) {
    return std::max(std::fabs(static_cast<double>(b.x) - a.x), std::fabs(static_cast<double>(b.y) - a.y));
}

// Whether a walk from a to b may take a sample in the band's rows.
bool mayTouchBand(const FrameArrays& f, const ScreenPoint& a, const ScreenPoint& b) {
    const double margin = walkMargin(a.y, b.y, stepsBetween(a, b) + 1.0);
    return std::min(a.y, b.y) - margin < f.bottom && std::max(a.y, b.y) + margin >= f.top;
}

// Whether every sample of a walk from a to b lies on the surface and in the band, so that none
// needs testing.
bool walkInside(const FrameArrays& f, const ScreenPoint& a, const ScreenPoint& b) {
    const double steps = stepsBetween(a, b) + 1.0;
    const double mx = walkMargin(a.x, b.x, steps), my = walkMargin(a.y, b.y, steps);
    return std::min(a.x, b.x) - mx >= 0.0 && std::max(a.x, b.x) + mx < f.width && std::min(a.y, b.y) - my >= f.top &&
           std::max(a.y, b.y) + my < f.bottom;
}

}  // namespace

// There is no length limit: a line between extreme points walks one step per pixel of its
// length. The walk is still quick, because long stretches off the surface (or the band) are
// skipped exactly rather than stepped through, and a walk that has left for good ends at once.
// A short stretch is cheaper to step through than to skip.
void drawLine(const FrameArrays& frame, ScreenPoint& p, const ScreenPoint& end, uint32_t colour) {
    const ScreenPoint delta = end - p;
    const double longer = std::max(std::fabs(static_cast<double>(delta.x)), std::fabs(static_cast<double>(delta.y)));
    const double count = std::nearbyint(longer);
    if (count == 0.0) return;
    const ScreenPoint step{static_cast<float>(delta.x / count), static_cast<float>(delta.y / count),
                           static_cast<float>(delta.depth / count)};
    // At most 2^33: the coordinates come from 32-bit integers.
    auto left = static_cast<uint64_t>(count);
    if (walkInside(frame, p, end)) {
        for (; left > 0; --left) {
            drawLineSample(frame, p, colour);
            p += step;
        }
        return;
    }
    while (left > 0) {
        if (!onSurface(frame, p)) {
            if (leftForGood(frame, p, step)) {
                p.x = walkSteps(p.x, step.x, left);
                p.y = walkSteps(p.y, step.y, left);
                p.depth = walkSteps(p.depth, step.depth, left);
                return;
            }
            if (left > shortWalk) {
                left -= skipOffSurface(frame, p, step, left);
            } else {
                p += step;
                --left;
            }
            continue;
        }
        drawLineSample(frame, p, colour);
        p += step;
        --left;
    }
}

void drawLines(const EditorState& state, const FrameArrays& frame) {
    const int32_t count = std::clamp(state.model.lineCount, 0, maxLines);
    const int32_t vertices = std::clamp(state.model.vertexCount, 0, maxVertices);
    for (int32_t i = 0; i < count; ++i) {
        const Line& line = state.model.lines[static_cast<std::size_t>(i)];
        if (line.a >= vertices || line.b >= vertices) continue;
        ScreenPoint a = screenPointOf(state.projected[line.a]);
        const ScreenPoint b = screenPointOf(state.projected[line.b]);
        if (!inDepthRange(a.depth, state.camera.drawdepth) || !inDepthRange(b.depth, state.camera.drawdepth)) continue;
        if (mayTouchBand(frame, a, b)) drawLine(frame, a, b, whiteColour);
    }
}

}  // namespace vx
