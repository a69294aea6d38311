// Polygon normals and facing, and the polygon pass: outline, flat shade and per-sample shade.
#pragma once

#include "core/editor_state.h"
#include "render/pixel_writers.h"
#include "render/projection.h"

namespace vx {

inline constexpr uint32_t outlineColour = 0x7F7F7F;
inline constexpr uint32_t selectedOutlineColour = 0x7F0000;

// PolygonNormals and PolygonFacing of polygons 0..polygonCount-1. A polygon with a zero-length
// edge at slot 0, or naming a vertex that does not exist, has a NaN normal and facing.
// Polygons first..end-1 only, when given (threads share the pass out by index).
void computePolygonNormals(EditorState& state, const Projection& projection, int32_t first = 0,
                           int32_t end = maxPolygons);

// Every polygon in table order in the current shadeStyle, from the ProjectedVertexTable.
void drawPolygons(const EditorState& state, const FrameArrays& frame);

}  // namespace vx
