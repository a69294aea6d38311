// Undo and redo of the model's changes, one step per changing pass.
#pragma once

#include "core/editor_state.h"

namespace vx {

// Records the change of the model or its file name since the last step, if any; called after
// every acting pass and before a command changes the name.
void recordModelStep(EditorState& state);

// Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo; both clear the selections as "x" does and
// draw a full frame. True when the key was one of them.
bool undoRedoKey(EditorState& state);

}  // namespace vx
