// Grab, scale and turn of the vertex group: they follow the pointer until a click keeps them.
#pragma once

#include "core/editor_state.h"

namespace vx {

// Starts following the pointer from where it is now. groupBefore is the group as it was before
// the key that started this, which a cancel gives back.
void startGroupOperation(EditorState& state, GroupAction action, const char* name, const VertexGroup& groupBefore);

// The members take their start positions moved, scaled or turned by the pointer's way since
// the start.
void followPointer(EditorState& state);

// Keeps what the pointer did; the pass's history step then holds all of it as one step.
void keepGroupOperation(EditorState& state);

// Puts the model and the group back as they were before the key that started the operation.
void cancelGroupOperation(EditorState& state);

inline bool groupOperationRunning(const EditorState& state) { return state.groupOperation.action != GroupAction::none; }

}  // namespace vx
