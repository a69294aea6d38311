// Start-up and the main loop.
#pragma once

#include "core/editor_state.h"

namespace vx {

// Start-up in its fixed order: platform, state, default model, the command line's files,
// display, buffers, picture. Ends the program with one line on standard error when a named
// file cannot be used or no window can be opened.
void startEditor(EditorState& state, int argc, const char* const* argv);

// Runs loop passes until the loop waits for input and none has come; the real loop then
// sleeps 60 ms and polls again. Tests call it to run the editor up to its next wait.
void runUntilWaiting(EditorState& state);

// The endless loop; the program ends only through endProgram.
[[noreturn]] void runMainLoop(EditorState& state);

}  // namespace vx
