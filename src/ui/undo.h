// Undo and redo of the model's changes, one step per changing pass.
#pragma once

#include "core/editor_state.h"

namespace vx {

// Records the change of the model or its file name since the last step, if any; called after
// every acting pass and before a command changes the name.
void recordModelStep(EditorState& state);

// Both clear the selections as "x" does and draw a full frame when there was a step to take.
void undoLastStep(EditorState& state);
void redoNextStep(EditorState& state);

}  // namespace vx
