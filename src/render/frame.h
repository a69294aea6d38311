// Composition of a rendered frame and its copy into the display surface.
#pragma once

#include "core/editor_state.h"

namespace vx {

// Clears the per-frame arrays and draws the background and the model into them.
void composeFrame(EditorState& state);
// Copies ColorBuffer into the FrameBuffer; the caller holds the display lock.
void copyFrameToScreen(const EditorState& state);

}  // namespace vx
