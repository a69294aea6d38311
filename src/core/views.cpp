// The six named views: their names and angles, and which of them the camera shows.
#include "core/views.h"

#include <cmath>

namespace vx {
namespace {

// A quarter turn as Rotate mode's keys add it, so a named view and a quarter turn agree exactly.
constexpr float quarter = static_cast<float>(static_cast<double>(pi) / 2.0);

bool sameAngle(float a, float b) {
    const double turn = 2.0 * static_cast<double>(pi);
    return std::abs(std::remainder(static_cast<double>(a) - b, turn)) < 1e-3;
}

}  // namespace

const std::array<NamedView, viewCount> namedViews = {{
    {"front", 0.0f, 0.0f, 0.0f, {1, 0, 0}, {0, 1, 0}},
    {"back", 0.0f, pi, 0.0f, {-1, 0, 0}, {0, 1, 0}},
    {"right", 0.0f, -quarter, 0.0f, {0, 0, 1}, {0, 1, 0}},
    {"left", 0.0f, quarter, 0.0f, {0, 0, -1}, {0, 1, 0}},
    {"top", 0.0f, 0.0f, -quarter, {1, 0, 0}, {0, 0, -1}},
    {"bottom", 0.0f, 0.0f, quarter, {1, 0, 0}, {0, 0, 1}},
}};

std::optional<int> viewNamed(std::string_view name) {
    for (int i = 0; i < viewCount; ++i) {
        if (namedViews[static_cast<std::size_t>(i)].name == name) return i;
    }
    return std::nullopt;
}

std::optional<int> viewOfCamera(const Camera& camera) {
    for (int i = 0; i < viewCount; ++i) {
        const NamedView& view = namedViews[static_cast<std::size_t>(i)];
        if (sameAngle(camera.axy, view.axy) && sameAngle(camera.axz, view.axz) && sameAngle(camera.ayz, view.ayz))
            return i;
    }
    return std::nullopt;
}

std::array<double, 2> viewPlaneOf(const NamedView& view, const std::array<double, 3>& point) {
    double right = 0, down = 0;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        right += view.right[axis] * point[axis];
        down += view.down[axis] * point[axis];
    }
    return {right, down};
}

void turnToView(Camera& camera, int index) {
    const NamedView& view = namedViews[static_cast<std::size_t>(index)];
    camera.axy = view.axy;
    camera.axz = view.axz;
    camera.ayz = view.ayz;
}

}  // namespace vx
