// Vertices mode's "=": a vertex placed at, or moved to, a typed position.
#pragma once

#include <string_view>

#include "core/editor_state.h"

namespace vx {

// "x y z" as three whole numbers within a coordinate's range, separated by spaces.
bool parsePosition(std::string_view text, Vertex& position);

// Asks for "x y z": the one selected vertex moves there, or with none selected a new vertex is
// placed there. A refused text leaves the model alone and says why on the message row.
void typeVertexPosition(EditorState& state);

}  // namespace vx
