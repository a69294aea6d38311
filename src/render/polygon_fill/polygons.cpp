// The polygon pass of one build: every polygon in table order or nearest first, outlined or filled.
//
// The rule (rule 1 in RULES.md): polygons are drawn in table order; a polygon with a corner that
// does not exist or lies outside the depth range is not drawn; under shade style 0 a polygon is
// its outline, four walks of the line pass in its palette entry (as lines are without a colour,
// red when selected), without pick codes; otherwise it is filled, visible (writing colours) when
// it faces the viewer, is two-sided or is selected, its grey levels in its tint (tintOf). The
// literal definition is Renderer::polygonPass in tests/support/reference_renderer.cpp.
//
// The speed-ups: a band skips an outline its walks cannot reach; out of table order (frame.anyOrder)
// a polygon found hidden by the reach its order gives is passed by before its corners are read,
// and ties go to the earlier polygon through the pick codes, so the frame is as in table order.
#include "render/polygon_fill/builds.h"
#include "render/polygon_fill/fill_parts.h"

namespace vx::VX_FILL_BUILD {
namespace {

// Slot 0 -> 3 -> 2 -> 1 chained from where each walk ended, then slot 0 -> 1 afresh. No pick codes:
// outlines cannot be picked.
// A band the outline's walks cannot reach is left at once: each walk ends where the next starts
// up to its rounding, so every sample lies between the corners' rows give or take the margin.
void outlinePolygon(const FrameArrays& f, const Corners& k, uint32_t colour) {
    const ScreenPoint low =
        lowestCorner(screenPointOf(*k.a), screenPointOf(*k.b), screenPointOf(*k.c), screenPointOf(*k.d));
    const ScreenPoint high =
        highestCorner(screenPointOf(*k.a), screenPointOf(*k.b), screenPointOf(*k.c), screenPointOf(*k.d));
    const double longest = std::max(static_cast<double>(high.x) - low.x, static_cast<double>(high.y) - low.y);
    if (!mayTouchBand(f, low.y, high.y, 4.0 * longest + 8.0)) return;
    ScreenPoint p = screenPointOf(*k.a);
    drawLine(f, p, screenPointOf(*k.b), colour);
    drawLine(f, p, screenPointOf(*k.d), colour);
    drawLine(f, p, screenPointOf(*k.c), colour);
    ScreenPoint a = screenPointOf(*k.a);
    drawLine(f, a, screenPointOf(*k.c), colour);
}

bool cornersOf(const EditorState& state, const Polygon& polygon, Corners& k) {
    const int32_t vertices = std::clamp(state.model.vertexCount, 0, maxVertices);
    for (const uint16_t slot : polygon.slots) {
        if (slot >= vertices) return false;
        if (!inDepthRange(asSingle(state.projected[slot].depth), state.camera.drawdepth)) return false;
    }
    k = {&state.projected[polygon.slots[0]], &state.projected[polygon.slots[3]], &state.projected[polygon.slots[1]],
         &state.projected[polygon.slots[2]]};
    return true;
}

// The colour a polygon's grey levels take (rule 5): red when selected, its palette entry when it has
// a colour, else white, which leaves them grey.
uint32_t tintOf(const EditorState& state, const Polygon& polygon, bool selected) {
    if (selected) return 0xFF0000;
    const int32_t colour = colourOf(polygon.flags);
    return colour == 0 ? 0xFFFFFF : paletteColour(state.model.palette, colour);
}

// Under shade style 0 a polygon's edges are drawn in its palette entry, or as lines are without one.
uint32_t outlineColourOf(const EditorState& state, const Polygon& polygon, bool selected) {
    if (selected) return selectedOutlineColour;
    const int32_t colour = colourOf(polygon.flags);
    return colour == 0 ? outlineColour : paletteColour(state.model.palette, colour);
}

void drawPolygon(const EditorState& state, const FrameArrays& f, int32_t i) {
    const Polygon& polygon = state.model.polygons[static_cast<std::size_t>(i)];
    Corners k{};
    if (!cornersOf(state, polygon, k)) return;
    const auto code = static_cast<int16_t>(-(i + 1));
    const bool selected = code == state.selection.polygon;
    if (state.shadeStyle == 0) {
        outlinePolygon(f, k, outlineColourOf(state, polygon, selected));
        return;
    }
    const float facing = state.polygonFacing[static_cast<std::size_t>(i)];
    const bool facesViewer = (polygon.flags & twoSidedFlag) != 0 || facing >= 0.0f;
    const uint32_t tint = tintOf(state, polygon, selected);
    fillPolygon({.frame = f,
                 .sweep = {f.top, f.bottom},
                 .reached = {f.top, f.bottom},
                 .code = code,
                 .visible = facesViewer || selected,
                 .tint = tint,
                 .style = state.shadeStyle,
                 .flatColour = flatColourOf(facing, Tint{tint}),
                 .maxCount = 2.0 * f.width},
                k);
}

}  // namespace

void drawPolygons(const EditorState& state, const FrameArrays& frame) {
    const int32_t count = std::clamp(state.model.polygonCount, 0, maxPolygons);
    for (int32_t i = 0; i < count; ++i) drawPolygon(state, frame, i);
}

// A polygon found hidden by the reach its order gives is passed by before its corners are read.
void drawPolygonsInOrder(const EditorState& state, const FrameArrays& frame, const std::vector<OrderedPolygon>& order) {
    for (const OrderedPolygon& p : order) {
        if (p.lastRow < frame.top || p.firstRow >= frame.bottom) continue;
        const PixelBox reach{std::max(p.firstColumn, 0), std::min(p.lastColumn, frame.width - 1),
                             std::max(p.firstRow, frame.top), std::min(p.lastRow, frame.bottom - 1)};
        if (p.nearest > 0 && frame.farthest && hiddenBehind(frame, reach, p.nearest)) continue;
        drawPolygon(state, frame, p.polygon);
    }
}

}  // namespace vx::VX_FILL_BUILD
