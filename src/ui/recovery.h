// Recovery copies of a model with unsaved changes, and the editor's end that keeps them.
#pragma once

#include <string>

#include "core/editor_state.h"
#include "ui/recovery_folder.h"

namespace vx {

// A copy that cannot be written is said here, below every mode's help lines, where it stands
// until the next full frame.
inline constexpr int recoveryMessageRow = 6;
inline constexpr int64_t recoveryRefreshMs = 30000;  // a copy is at most this far behind the model

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

// "q" and the close button: ends as endEditor does when the changes are saved or a copy holds
// them. When no copy can be written, the first "q" says why on the message rows and the editor
// goes on; a second "q" ends without them.
void quitKeepingWork(EditorState& state);

// Makes a stop request (a signal, the close button) end the editor even while a name is typed.
void watchForStop(EditorState& state);

// SIGTERM, SIGHUP and SIGINT request the editor's end with status 128 + the signal's number;
// the handlers only set a flag, and the main loop does the rest.
void installStopSignals();

}  // namespace vx
