// NAME.vxref beside NAME.vx: the named views' pictures and their placement, kept with the model.
#pragma once

#include <string>

#include "core/editor_state.h"

namespace vx {

// NAME.vxref for NAME.vx; any other name gets .vxref added.
std::string referencesPathFor(const std::string& modelPath);

// The file's text: one line per view with a picture,
//   VIEW "PATH" CENTRE-X CENTRE-Y CENTRE-Z UNITS-PER-PIXEL OPACITY
// the path relative to the model's folder, quoted, with \ and " escaped by a backslash.
std::string encodeViewReferences(const ViewPictures& pictures, const std::string& modelPath);

// Written in one piece beside the model, as the model is; without pictures an earlier file is
// removed. False when it could not be written (an earlier file is then as it was).
bool saveViewReferences(const EditorState& state, const std::string& modelPath);

// Replaces every view's picture by those the model's .vxref names (none without one). A line
// that cannot be read and a picture that cannot be shown are skipped; the answer names them in
// one line, empty when there were none.
std::string loadViewReferences(EditorState& state, const std::string& modelPath);

}  // namespace vx
