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

// A model file of another format (OBJ, STL, PLY, glTF ...) read as the editor's model at a usable
// size, named as the file with .vx in place of its ending, beside it; the file itself is only
// read. Notes on the import go to standard error. False, with the state as it was and why in
// problem, when the file cannot be imported.
bool importOtherModel(EditorState& state, const std::string& path, std::string& problem);

// NAME.obj -> NAME.vx; a name without an ending gets .vx added.
std::string importedModelName(const std::string& path);

// The palette of a .gpl, .hex or picture file becomes the model's, with a message saying what
// it took; an empty name puts back the built-in palette.
void applyPaletteFile(EditorState& state, const std::string& name);

// The imported model is in no .vx file yet: it counts as unsaved, and so keeps a recovery copy,
// until it is written.
void markImported(EditorState& state);

}  // namespace vx
