// What the keys of every mode do: quit, switch modes, show and hide layers, move the camera.
#pragma once

#include "core/editor_state.h"
#include "core/numeric.h"

namespace vx {

// Ends the editor; unsaved work is kept in a copy. Only when no copy can be written does it say
// why and return, once.
void quitEditor(EditorState& state);

// A group rectangle belongs to the Vertices mode it began in, so a switch drops it.
void switchModeTo(EditorState& state, EditorMode mode);
template <EditorMode mode>
void switchMode(EditorState& state) {
    switchModeTo(state, mode);
}

// Both selections go, and the group with them.
void cancelSelections(EditorState& state);

// Layer 0 markers, 1 lines, 2 polygons: one bit each of showFlags.
void toggleLayerBit(EditorState& state, int layer);
template <int layer>
void toggleLayer(EditorState& state) {
    toggleLayerBit(state, layer);
}

void nextShadeStyle(EditorState& state);
void zoomIn(EditorState& state);
void zoomOut(EditorState& state);  // never below 1

// Distance, draw depth and pan step with wrapping; the dispatch keeps the floors of the first two.
template <int32_t Camera::*field, int32_t by>
void stepView(EditorState& state) {
    state.camera.*field = wrapAdd(state.camera.*field, by);
    state.redrawPending = 1;
}

}  // namespace vx
