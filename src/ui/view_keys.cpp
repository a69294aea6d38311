// What the keys of every mode do: quit, switch modes, show and hide layers, move the camera.
#include "ui/view_keys.h"

#include "ui/recovery.h"
#include "ui/vertex_group.h"

namespace vx {

void quitEditor(EditorState& state) { quitKeepingWork(state); }

void switchModeTo(EditorState& state, EditorMode mode) {
    state.mode = mode;
    state.groupRectangle.active = false;
    state.redrawPending = 1;
}

void cancelSelections(EditorState& state) {
    state.selection.vertexCount = 0;
    state.selection.polygon = 0;
    clearGroup(state.group);
    state.redrawPending = 1;
}

void toggleLayerBit(EditorState& state, int layer) {
    state.showFlags ^= static_cast<uint8_t>(1u << layer);
    state.redrawPending = 1;
}

void nextShadeStyle(EditorState& state) {
    state.shadeStyle = static_cast<uint8_t>((state.shadeStyle + 1) % 3);
    state.redrawPending = 1;
}

void zoomIn(EditorState& state) {
    state.camera.zoom += 1.0f;
    state.redrawPending = 1;
}

void zoomOut(EditorState& state) {
    Camera& camera = state.camera;
    camera.zoom = camera.zoom - 1.0f < 1.0f ? 1.0f : camera.zoom - 1.0f;
    state.redrawPending = 1;
}

}  // namespace vx
