// Input dispatch: polling, press detection, mode tabs and the keys that work in every mode.
#pragma once

#include "core/editor_state.h"

namespace vx {

// One poll of the wait step: copies the mouse state to the previous-poll fields, reads the
// mouse, detects presses, applies the tab hold and reads at most one key. Returns false when
// nothing changed since the previous poll.
bool pollInput(EditorState& state);

// Press detection on freshly read buttons (-1, no valid mouse, counts as none).
void detectPresses(InputState& input);

// The mode of the tab under (x, y), if the point hits one.
bool tabAt(int32_t x, int32_t y, int32_t tabRowY, EditorMode& mode);

// A new left press on a mode tab switches the mode; the rest of the pass is dropped.
bool takeTabClick(EditorState& state);

// The mode blocks in their fixed order, then the keys for every mode.
void dispatchInput(EditorState& state);

// The keys that work in every mode, then the floors of distance and draw depth, which hold
// after every pass but an undo's or a redo's.
void applyGlobalKeys(EditorState& state);

}  // namespace vx
