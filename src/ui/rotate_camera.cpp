// Rotate and Camera modes: turning, panning and zooming the view.
#include <algorithm>
#include <cmath>

#include "core/numeric.h"
#include "core/views.h"
#include "ui/key_bindings.h"
#include "ui/modes.h"
#include "ui/view_pictures.h"

namespace vx {
namespace {

constexpr int32_t leftBit = 1;
constexpr int32_t rightBit = 2;
constexpr double quarterTurn = static_cast<double>(pi) / 2.0;
constexpr double fullTurn = 2.0 * static_cast<double>(pi);
constexpr double wheelZoomStep = 1.25;

float plus(float value, double step) { return static_cast<float>(static_cast<double>(value) + step); }

// The angle a drag adds: the whole screen extent is one full turn.
double dragTurn(int32_t moved, int32_t extent) {
    return static_cast<double>(moved) * static_cast<double>(pi) * 2.0 / static_cast<double>(extent);
}

// One wrap per pass, so an angle of exactly pi stays pi.
float wrapAngle(float angle) {
    if (angle > pi) angle = plus(angle, -fullTurn);
    if (angle < -pi) angle = plus(angle, fullTurn);
    return angle;
}

// A notch of the wheel away from the user zooms in by a quarter and one towards zooms out by as
// much, never below 1. Each notch rounds to single precision, as every stored zoom does; a zoom
// that would overflow stays where it is. While the pointer is off the window the wheel reads
// -1, which is no turn.
bool wheelZoom(EditorState& state) {
    const InputState& input = state.input;
    if (input.mouseX < 0 || input.prevMouseX < 0) return false;
    int32_t notches = wrapSub(input.mouseWheel, input.prevMouseWheel);
    if (notches == 0) return false;
    float& zoom = state.camera.zoom;
    for (; notches > 0; --notches) {
        const float nearer = static_cast<float>(static_cast<double>(zoom) * wheelZoomStep);
        if (!std::isfinite(nearer)) break;
        zoom = nearer;
    }
    for (; notches < 0 && zoom > 1.0f; ++notches)
        zoom = std::max(1.0f, static_cast<float>(static_cast<double>(zoom) / wheelZoomStep));
    state.redrawPending = 1;
    return true;
}

}  // namespace

void quarterTurnAxy(EditorState& state) {
    state.camera.axy = plus(state.camera.axy, quarterTurn);
    state.redrawPending = 1;
}

void quarterTurnAxz(EditorState& state) {
    state.camera.axz = plus(state.camera.axz, quarterTurn);
    state.redrawPending = 1;
}

void quarterTurnAyz(EditorState& state) {
    state.camera.ayz = plus(state.camera.ayz, quarterTurn);
    state.redrawPending = 1;
}

void resetTurns(EditorState& state) {
    state.camera.axy = state.camera.axz = state.camera.ayz = 0.0f;
    state.redrawPending = 1;
}

void resetPanAndZoom(EditorState& state) {
    state.camera.panX = state.camera.panY = 0;
    state.camera.zoom = 200.0f;
    state.redrawPending = 1;
}

void showNamedView(EditorState& state, int index) {
    turnToView(state.camera, index);
    state.redrawPending = 1;
}

void toggleOrthographic(EditorState& state) {
    state.camera.orthographic = state.camera.orthographic ? 0 : 1;
    state.redrawPending = 1;
}

void rotateBlock(EditorState& state) {
    InputState& input = state.input;
    Camera& camera = state.camera;
    runKeyBinding(rotateKeys, state);
    // Either press takes a fresh snapshot of all three angles, so adding the second button
    // mid-drag does not make the picture jump.
    if (input.leftClick || input.rightClick) {
        input.dragStartX = input.mouseX;
        input.dragStartY = input.mouseY;
        input.dragStartAxy = camera.axy;
        input.dragStartAxz = camera.axz;
        input.dragStartAyz = camera.ayz;
    }
    const int32_t movedX = wrapSub(input.mouseX, input.dragStartX);
    const int32_t movedY = wrapSub(input.mouseY, input.dragStartY);
    if (input.mouseButtons & leftBit) {
        camera.axz = plus(input.dragStartAxz, dragTurn(movedX, state.screen.screenWidth));
        camera.ayz = plus(input.dragStartAyz, dragTurn(movedY, state.screen.screenHeight));
        state.redrawPending = 1;
    }
    if (input.mouseButtons & rightBit) {
        camera.axy = plus(input.dragStartAxy, dragTurn(movedX, state.screen.screenWidth));
        state.redrawPending = 1;
    }
    camera.axy = wrapAngle(camera.axy);
    camera.axz = wrapAngle(camera.axz);
    camera.ayz = wrapAngle(camera.ayz);
    wheelZoom(state);
}

void cameraBlock(EditorState& state) {
    InputState& input = state.input;
    Camera& camera = state.camera;
    if (state.viewPictures.message && (!input.key.empty() || input.leftClick || input.rightClick)) {
        state.viewPictures.message = nullptr;
        state.redrawPending = 1;
    }
    runKeyBinding(cameraKeys, state);
    if (pictureMouse(state)) return;
    if (input.leftClick || input.rightClick) {
        input.dragStartX = input.mouseX;
        input.dragStartY = input.mouseY;
        input.dragStartPanX = camera.panX;
        input.dragStartPanY = camera.panY;
        input.dragStartZoom = camera.zoom;
    }
    const int32_t movedX = wrapSub(input.mouseX, input.dragStartX);
    if (input.mouseButtons & leftBit) {
        camera.panX = wrapAdd(input.dragStartPanX, movedX);
        camera.panY = wrapAdd(input.dragStartPanY, wrapSub(input.mouseY, input.dragStartY));
        state.redrawPending = 1;
    }
    if (input.mouseButtons & rightBit) {
        camera.zoom = plus(input.dragStartZoom, static_cast<double>(movedX));
        state.redrawPending = 1;
    }
    if (camera.zoom < 1.0f) camera.zoom = 1.0f;
    // A zoom drag goes on from where the wheel left the zoom rather than jumping back.
    if (wheelZoom(state) && (input.mouseButtons & rightBit))
        input.dragStartZoom = plus(camera.zoom, -static_cast<double>(movedX));
}

}  // namespace vx
