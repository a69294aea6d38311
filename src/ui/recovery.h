// Recovery copies of a model with unsaved changes, and the editor's end that keeps them.
#pragma once

#include <string>

#include "core/editor_state.h"

namespace vx {

inline constexpr int64_t recoveryRefreshMs = 30000;  // a copy is at most this far behind the model
inline constexpr int recoveryCopiesKept = 20;        // the newest copies in the folder stay

// Where copies go: $XDG_STATE_HOME/vxedit/recovery, or ~/.local/state/vxedit/recovery when
// XDG_STATE_HOME is unset or not an absolute path. Empty when neither can be found.
std::string recoveryFolder();

// The model just changed (a step, an undo or a redo): the copy must catch up.
void modelChanged(EditorState& state);

// The model was just saved: this run's copy, which the saved file now holds, is removed.
void modelSaved(EditorState& state);

// Called before a load may replace the model: brings the copy up to date with unsaved changes
// at once. True when there were unsaved changes.
bool copyBeforeLoad(EditorState& state);

// The model was just loaded and counts as saved. A copy of unsaved changes made before it is kept
// for good, as those edits are in no file, and named on standard error; the next change starts a
// new copy.
void modelLoaded(EditorState& state, bool hadUnsavedChanges);

// Called from the main loop's wait: writes the copy when the model has unsaved changes that
// the copy lacks and the last write is at least refreshMs ago on the loop's clock.
void refreshRecoveryCopy(EditorState& state, int64_t refreshMs = recoveryRefreshMs);

// Ends the program with this status: first writes the copy when there are unsaved changes (one
// line on standard error names it, after why the editor ends when that is given), else removes
// this run's copy.
[[noreturn]] void endEditor(EditorState& state, int status, const char* why = nullptr);

// Makes a stop request (a signal, the close button) end the editor even while a name is typed.
void watchForStop(EditorState& state);

// SIGTERM, SIGHUP and SIGINT request the editor's end with status 128 + the signal's number;
// the handlers only set a flag, and the main loop does the rest.
void installStopSignals();

}  // namespace vx
