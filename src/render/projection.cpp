// Turning model points by the camera, projecting them, and the vertex pass with its markers.
//
// Every real quantity is held in single precision. Each formula is evaluated in double and its
// result rounded to single when stored; a conversion to an integer is taken from the unrounded
// double. (Double instead of a 64-bit mantissa changes a stored single only in rare last-bit
// cases.)
#include "render/projection.h"

#include <algorithm>
#include <cmath>

#include "core/numeric.h"

namespace vx {
namespace {

float cosOf(float angle) { return static_cast<float>(std::cos(static_cast<double>(angle))); }
float sinOf(float angle) { return static_cast<float>(std::sin(static_cast<double>(angle))); }

// c·a − s·b and c·b + s·a, each rounded once to single.
float turnFirst(float c, float s, float a, float b) {
    return static_cast<float>(static_cast<double>(c) * a - static_cast<double>(s) * b);
}
float turnSecond(float c, float s, float a, float b) {
    return static_cast<float>(static_cast<double>(c) * b + static_cast<double>(s) * a);
}

int32_t screenCoordinate(float view, float zoom, double divisor, int32_t centre) {
    return roundToInt32(static_cast<double>(view) * zoom / divisor + centre);
}

bool isSelectedVertex(const Selection& selection, int32_t i) {
    const int32_t count = std::clamp(selection.vertexCount, 0, 4);
    for (int32_t k = 0; k < count; ++k) {
        if (selection.vertices[static_cast<std::size_t>(k)] == i) return true;
    }
    return false;
}

// A failed depth test at the centre also denies the marks and the pick code; at that point the
// depth buffer holds only what earlier vertices of this pass wrote.
void drawVertexMarker(const EditorState& state, const FrameArrays& f, int32_t i, const ProjectedVertex& row) {
    const int32_t x = row.screenX;
    const int32_t y = row.screenY;
    if (x < 1 || x > f.width - 2 || y < 1 || y > f.height - 2) return;
    const std::size_t at = indexOf(f, x, y);
    const bool showMarker = (state.showFlags & 1) != 0;
    const bool grouped = state.group.member[static_cast<std::size_t>(i)] != 0;
    if (!writeVertexCentre(f, at, row.depth, showMarker, static_cast<int16_t>(i + 1),
                           grouped ? groupColour : whiteColour))
        return;
    const auto rowStep = static_cast<std::size_t>(f.width);
    if (grouped) {
        for (const std::size_t corner : {at - rowStep - 1, at - rowStep + 1, at + rowStep - 1, at + rowStep + 1})
            writeSelectionMark(f, corner, groupColour);
    }
    if (!isSelectedVertex(state.selection, i)) return;
    writeSelectionMark(f, at - 1);
    writeSelectionMark(f, at + 1);
    writeSelectionMark(f, at - rowStep);
    writeSelectionMark(f, at + rowStep);
}

bool inDrawDepth(const EditorState& state, const ProjectedVertex& row) {
    return row.depth >= 1 && row.depth <= state.camera.drawdepth;
}

void projectVertex(EditorState& state, const Projection& projection, int32_t i) {
    const Vertex& v = state.model.vertices[static_cast<std::size_t>(i)];
    ViewPoint view{};
    transformPoint(projection, static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z), view);
    ProjectedVertex& row = state.projected[static_cast<std::size_t>(i)];
    row.depth = floorToInt32(view.depth);
    // Out of the depth range the other columns keep an earlier frame's values; readers test depth.
    if (!inDrawDepth(state, row)) return;
    row.screenX = wrapAdd(view.screenX, state.camera.panX);
    row.screenY = wrapAdd(view.screenY, state.camera.panY);
    row.viewX = roundToInt32(view.x);
    row.viewY = roundToInt32(view.y);
}

}  // namespace

Projection projectionOf(const Camera& camera, const ScreenBuffers& screen) {
    return {cosOf(camera.axy),   sinOf(camera.axy),       cosOf(camera.axz),
            sinOf(camera.axz),   cosOf(camera.ayz),       sinOf(camera.ayz),
            camera.distance,     camera.zoom,             screen.screenWidth / 2,
            screen.screenHeight / 2, camera.orthographic != 0};
}

// The turns come in a fixed order: x-y first, then x-z, then y-z. Orthographic or not, a point at
// or behind the viewer gets no screen position, so the depth range hides the same points.
void transformPoint(const Projection& p, float x, float y, float z, ViewPoint& view) {
    const float x1 = turnFirst(p.cosXy, p.sinXy, x, y);
    const float y1 = turnSecond(p.cosXy, p.sinXy, x, y);
    view.x = turnFirst(p.cosXz, p.sinXz, x1, z);
    const float z1 = turnSecond(p.cosXz, p.sinXz, x1, z);
    view.z = turnFirst(p.cosYz, p.sinYz, z1, y1);
    view.y = turnSecond(p.cosYz, p.sinYz, z1, y1);
    view.depth = static_cast<float>(static_cast<double>(view.z) + p.distance);
    if (!(view.depth > 0.0f)) return;
    const double divisor = screenDivisor(p, view.depth);
    view.screenX = screenCoordinate(view.x, p.zoom, divisor, p.centreX);
    view.screenY = screenCoordinate(view.y, p.zoom, divisor, p.centreY);
}

float turnedZ(const Projection& p, float x, float y, float z) {
    const float x1 = turnFirst(p.cosXy, p.sinXy, x, y);
    const float y1 = turnSecond(p.cosXy, p.sinXy, x, y);
    const float z1 = turnSecond(p.cosXz, p.sinXz, x1, z);
    return turnFirst(p.cosYz, p.sinYz, z1, y1);
}

void projectVertices(EditorState& state, const Projection& projection, int32_t first, int32_t end) {
    const int32_t count = std::clamp(state.model.vertexCount, 0, maxVertices);
    for (int32_t i = std::max(first, 0); i < std::min(end, count); ++i) projectVertex(state, projection, i);
}

void drawVertexMarkers(const EditorState& state, const FrameArrays& frame) {
    const int32_t count = std::clamp(state.model.vertexCount, 0, maxVertices);
    for (int32_t i = 0; i < count; ++i) {
        const ProjectedVertex& row = state.projected[static_cast<std::size_t>(i)];
        if (inDrawDepth(state, row)) drawVertexMarker(state, frame, i, row);
    }
}

}  // namespace vx
