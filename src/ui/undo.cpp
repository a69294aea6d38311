// Undo and redo of the model's changes, one step per changing pass.
#include "ui/undo.h"

#include "ui/group_transform.h"
#include "ui/recovery.h"
#include "ui/vertex_group.h"

namespace vx {

// A group operation that follows the pointer is recorded once, when it ends, as one step.
void recordModelStep(EditorState& state) {
    if (groupOperationRunning(state)) return;
    if (recordStep(state.history, state.model, state.currentFileName)) modelChanged(state);
}

namespace {

void stepHistory(EditorState& state, bool undo) {
    recordModelStep(state);
    History& history = state.history;
    if (!(undo ? undoStep(history, state.model, state.currentFileName)
               : redoStep(history, state.model, state.currentFileName)))
        return;
    state.selection.vertexCount = 0;
    state.selection.polygon = 0;
    dropGroupPast(state.group, state.model.vertexCount);
    state.redrawPending = 1;
    modelChanged(state);
}

}  // namespace

void undoLastStep(EditorState& state) { stepHistory(state, true); }

void redoNextStep(EditorState& state) { stepHistory(state, false); }

}  // namespace vx
