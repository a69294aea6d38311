// Polygon normals and facing, and the polygon pass: outline, flat shade and per-sample shade.
//
// What each pixel of a filled polygon must be is written plainly, with no shortcut, in the literal
// reference renderer (Renderer::polygonPass and Renderer::fill in
// tests/support/reference_renderer.cpp). The fast pass is in src/render/polygon_fill/, one part per
// rule; its RULES.md numbers the rules and names, for each, the reference function that defines it
// and the part that keeps it.
#pragma once

#include <vector>

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

// Polygons drawn out of table order leave every pixel as table order would, through the pick
// codes, when every polygon of the frame is visible and the style is filled.
bool drawableInAnyOrder(const EditorState& state);
// A polygon of an order, with the rows and columns its blocks may reach and a depth no farther
// than its samples': a band outside the rows passes it by, and one that has drawn nearer
// everywhere in them too.
struct OrderedPolygon {
    int16_t polygon;
    int32_t firstRow, lastRow;        // empty for a polygon that is not drawn
    int32_t firstColumn, lastColumn;  // as the rows
    int32_t nearest;                  // 0 or less where that says nothing
};
// Every polygon index once, nearest first: the order that lets most polygons be found hidden.
void orderNearestFirst(const EditorState& state, std::vector<OrderedPolygon>& order);
// The polygons in `order`; their writes replace vertex pick codes, which the caller puts back.
void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order);

// On a processor with SSE4.2 the polygon pass runs as built for it; tests draw with the build for
// every processor too, which gives the same frames.
void useFillForEveryProcessor(bool everyProcessor);

}  // namespace vx
