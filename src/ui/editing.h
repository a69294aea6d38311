// Model edits shared by the Vertices and Polys handlers.
#pragma once

#include "core/editor_state.h"

namespace vx {

// A left click with two, three or four vertices selected: a line, a triangle or a rectangle.
void joinSelectedVertices(EditorState& state);

// Removes vertex k with every line and polygon that uses it and renumbers the rest.
// An index outside the model changes nothing.
void deleteVertex(Model& model, int32_t k);

}  // namespace vx
