// The polygon pass's public entry points: the build for processors with SSE4.2 where the processor
// has it, else the build for every processor. Both give the same frames.
#include <atomic>

#include "render/polygon_fill/builds.h"

namespace vx {

#if VX_FILL_HAS_SSE42
namespace {

// The processor's answer, asked once; false while tests ask for the build for every processor.
std::atomic<bool> sse42Fill{__builtin_cpu_supports("sse4.2") != 0};

}  // namespace
#endif

void drawPolygons(const EditorState& state, const FrameArrays& frame) {
#if VX_FILL_HAS_SSE42
    if (sse42Fill) return fill_sse42::drawPolygons(state, frame);
#endif
    fill_any::drawPolygons(state, frame);
}

void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order) {
#if VX_FILL_HAS_SSE42
    if (sse42Fill) return fill_sse42::drawPolygonsInOrder(state, frame, order);
#endif
    fill_any::drawPolygonsInOrder(state, frame, order);
}

void useFillForEveryProcessor(bool everyProcessor) {
#if VX_FILL_HAS_SSE42
    sse42Fill = !everyProcessor && __builtin_cpu_supports("sse4.2");
#else
    (void)everyProcessor;
#endif
}

}  // namespace vx
