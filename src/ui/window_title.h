// The window's title: the document's name, marked while it has unsaved changes.
#pragma once

#include <string>

#include "core/editor_state.h"

namespace vx {

// "NAME.vx — vxedit", with "*" before the name while there are unsaved changes; the name
// without its folder. Just "vxedit" without a name.
std::string documentTitle(const std::string& fileName, bool unsavedChanges);

// Gives the window the document's title when the name or the unsaved state changed since the
// title was last set; called in every pass.
void showDocumentTitle(EditorState& state);

}  // namespace vx
