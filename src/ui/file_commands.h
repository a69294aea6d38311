// The File-mode commands for callers outside the key dispatch, such as the web page's buttons.
#pragma once

#include <string>

#include "core/editor_state.h"

namespace vx {

// The quick save of "s": writes the model to the current file and says "done." or "save failed"
// on the message rows (or "cancelled" without a name). True when the file was written.
bool quickSave(EditorState& state);

// Loads a model file the user picked outside the name prompt, as "l" loads a typed name; the
// model takes the picked name only once it has loaded, so a refused file leaves both as they were.
// True when it loaded.
bool loadPickedModel(EditorState& state, const std::string& path, const std::string& name);

}  // namespace vx
