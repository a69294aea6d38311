// The entry points of the polygon pass's two builds, for the run-time pick between them.
#pragma once

#include <vector>

#include "render/polygon_fill.h"

namespace vx {

// Built for every processor (fill_any.cpp).
namespace fill_any {
void drawPolygons(const EditorState& state, const FrameArrays& frame);
void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order);
}  // namespace fill_any

// Built for processors with SSE4.2 (fill_sse42.cpp), on x86-64 only.
namespace fill_sse42 {
void drawPolygons(const EditorState& state, const FrameArrays& frame);
void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order);
}  // namespace fill_sse42

}  // namespace vx
