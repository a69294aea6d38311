// Unsaved work offered back: a recovery copy newer than the model's last save, restored by Enter.
#pragma once

#include "core/editor_state.h"

namespace vx {

// After the editor opens a model (or starts with none): when an ended editor's recovery copy of
// that model is newer than the model's file, the message rows offer it.
void offerRecoveredWork(EditorState& state);

// While an offer stands, Enter restores the copy as one undo step and Esc keeps it for later;
// both are taken (true). Any other key ends the offer, the copy kept, and goes on as usual.
bool takeOfferKey(EditorState& state);

}  // namespace vx
