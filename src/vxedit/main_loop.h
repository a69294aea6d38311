// Start-up and the main loop.
#pragma once

#include "core/editor_state.h"

namespace vx {

// Start-up in its fixed order: platform, state, display, buffers, default model, picture.
// Ends the program (status 1) with one line on standard error when no window can be opened.
void startEditor(EditorState& state, int argc, const char* const* argv);

// Runs loop passes until the loop waits for input and none has come; the real loop then
// sleeps 60 ms and polls again. Tests call it to run the editor up to its next wait.
void runUntilWaiting(EditorState& state);

// The endless loop; the program ends only through endProgram.
[[noreturn]] void runMainLoop(EditorState& state);

}  // namespace vx
