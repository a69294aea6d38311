// The handlers of the five modes, each run only in its own mode, in the dispatch's fixed order.
#pragma once

#include "core/editor_state.h"

namespace vx {

void rotateBlock(EditorState& state);    // quarter turns, reset and rotate drags
void verticesBlock(EditorState& state);  // place, pick, move, delete and join vertices
void fileBlock(EditorState& state);      // save and load commands
void cameraBlock(EditorState& state);    // pan and zoom drags, reset
void polysBlock(EditorState& state);     // quads from markers; select, flip, toggle, delete

}  // namespace vx
