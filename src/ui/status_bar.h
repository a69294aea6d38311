// The value row, the mode tabs and the help lines drawn over the picture.
#pragma once

#include "core/editor_state.h"

namespace vx {

// Row 1: camera values and model counts; drawn only over a freshly copied frame.
void drawValueRow(EditorState& state);
// The held message, if any, over the frame just drawn; it is printed this once.
void drawHeldMessage(EditorState& state);
// The tab row and the help lines of the mode, then the unlock that presents the pass.
void drawTabsAndHelp(EditorState& state);
// Pixel y of the top of the tab row for a screen of the given height.
int32_t tabRowYFor(int32_t screenHeight);

}  // namespace vx
