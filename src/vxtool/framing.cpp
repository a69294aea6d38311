// Choosing the camera for a picture of the model: --frame, the draw depth that follows a given
// distance, and telling whether anything ended up in view.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/numeric.h"
#include "render/projection.h"
#include "vxtool/render_view.h"

namespace vx::tool {
namespace {

constexpr double frameMargin = 1.0 / 16;  // of the picture's width and height, on each side
constexpr double depthPerRadius = 2.5;    // the centre's distance from the eye; about the editor's start view

std::vector<ViewPoint> turnedVertices(const EditorState& state) {
    Camera turnOnly = state.camera;
    turnOnly.distance = 0;
    turnOnly.zoom = 1.0f;
    const Projection p = projectionOf(turnOnly, state.screen);
    std::vector<ViewPoint> points(static_cast<std::size_t>(std::clamp(state.model.vertexCount, 0, maxVertices)));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vertex& v = state.model.vertices[i];
        transformPoint(p, static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z), points[i]);
    }
    return points;
}

struct Span {
    double low = std::numeric_limits<double>::infinity(), high = -std::numeric_limits<double>::infinity();
    void take(double v) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    double middle() const { return (low + high) / 2; }
    double width() const { return high - low; }
};

// Far enough that the nearest vertex stays well in front of the eye, whatever the angles.
int32_t frameDistance(const std::vector<ViewPoint>& points) {
    Span x, y, z;
    for (const ViewPoint& p : points) {
        x.take(p.x);
        y.take(p.y);
        z.take(p.z);
    }
    double radius = 1.0;
    for (const ViewPoint& p : points)
        radius = std::max(radius, std::hypot(p.x - x.middle(), p.y - y.middle(), p.z - z.middle()));
    return std::max(1, roundToInt32(depthPerRadius * radius - z.middle()));
}

}  // namespace

// Projection is linear in zoom at a fixed distance, so the spans seen at zoom 1 give the zoom
// that fits them exactly, and the pan that centres them; orthographic views divide by the camera
// distance alone.
void frameModel(EditorState& state) {
    const std::vector<ViewPoint> points = turnedVertices(state);
    if (points.empty()) return;
    Camera& camera = state.camera;
    camera.distance = frameDistance(points);
    Span x, y, depth;
    for (const ViewPoint& p : points) {
        const double d = static_cast<double>(p.z) + camera.distance;
        const double scaleDepth = camera.orthographic ? static_cast<double>(camera.distance) : d;
        x.take(p.x / scaleDepth);
        y.take(p.y / scaleDepth);
        depth.take(d);
    }
    const double usable = 1.0 - 2 * frameMargin;
    const double zoomX = x.width() > 0 ? usable * state.screen.screenWidth / x.width() : HUGE_VAL;
    const double zoomY = y.width() > 0 ? usable * state.screen.screenHeight / y.width() : HUGE_VAL;
    const double zoom = std::min(zoomX, zoomY);
    if (std::isfinite(zoom)) camera.zoom = static_cast<float>(std::max(1.0, zoom));
    camera.panX = roundToInt32(state.screen.screenWidth / 2.0 - state.screen.screenWidth / 2 - x.middle() * camera.zoom);
    camera.panY =
        roundToInt32(state.screen.screenHeight / 2.0 - state.screen.screenHeight / 2 - y.middle() * camera.zoom);
    camera.drawdepth = std::max(1, floorToInt32(depth.high) + 1);
}

void reachPastModel(EditorState& state) {
    double radius = 0.0;
    for (int32_t i = 0; i < std::clamp(state.model.vertexCount, 0, maxVertices); ++i) {
        const Vertex& v = state.model.vertices[static_cast<std::size_t>(i)];
        radius = std::max(radius, std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z));
    }
    const double reach = static_cast<double>(state.camera.distance) + std::ceil(radius) + 1;
    state.camera.drawdepth = std::max(state.camera.drawdepth, floorToInt32(std::min(reach, 2147483647.0)));
}

bool anythingInView(const EditorState& state) {
    const ScreenBuffers& s = state.screen;
    const int32_t farthest = 0x7F7F7F7F;  // every depth entry at frame start
    return std::any_of(s.depthBuffer.begin(), s.depthBuffer.end(), [](int32_t d) { return d < farthest; }) ||
           std::any_of(s.pickBuffer.begin(), s.pickBuffer.end(), [](int16_t p) { return p != 0; });
}

}  // namespace vx::tool
