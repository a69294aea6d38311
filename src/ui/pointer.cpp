// The 3-D pointer of Vertices mode: the model-space point under a screen position.
#include "ui/pointer.h"

#include <cmath>

#include "core/numeric.h"

namespace vx {
namespace {

// Every named intermediate is held in single precision, as the projection holds its own.
float single(double value) { return static_cast<float>(value); }

struct Turn {
    double c, s;
};

// The cosine and sine of the negated angle, each held in single precision.
Turn undo(float angle) {
    const double negated = -static_cast<double>(angle);
    return {single(std::cos(negated)), single(std::sin(negated))};
}

}  // namespace

std::array<float, 3> unprojectPointer(const EditorState& state, int32_t screenX, int32_t screenY, int32_t depth) {
    const Camera& camera = state.camera;
    // Orthographic views scale every depth as perspective scales the camera distance.
    const double d = single(camera.orthographic ? camera.distance : wrapAdd(camera.distance, depth));
    const double zoom = camera.zoom;
    const double centreX = state.screen.screenWidth / 2;
    const double centreY = state.screen.screenHeight / 2;
    const double vx = single((screenX - centreX) * d / zoom);
    const double vy = single((screenY - centreY) * d / zoom);
    const double vz = single(depth);

    // The camera turns axy, axz, ayz in that order; undo them backwards.
    Turn t = undo(camera.ayz);
    const double z1 = single(t.c * vz - t.s * vy);
    const double y1 = single(t.c * vy + t.s * vz);
    t = undo(camera.axz);
    const double x2 = single(t.c * vx - t.s * z1);
    const double z2 = single(t.c * z1 + t.s * vx);
    t = undo(camera.axy);
    const double x3 = single(t.c * x2 - t.s * y1);
    const double y3 = single(t.c * y1 + t.s * x2);
    return {single(x3), single(y3), single(z2)};
}

}  // namespace vx
