// The window's title: the document's name, marked while it has unsaved changes.
#include "ui/window_title.h"

#include "platform/console/display.h"

namespace vx {

std::string documentTitle(const std::string& fileName, bool unsavedChanges) {
    constexpr const char* program = "vxedit";
    const std::size_t slash = fileName.rfind('/');
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (name.empty()) return program;
    return (unsavedChanges ? "*" : "") + name + " \u2014 " + program;
}

// Compared with what the title last showed first, so that a pass that changes neither
// allocates nothing.
void showDocumentTitle(EditorState& state) {
    ShownTitle& shown = state.shownTitle;
    const bool unsaved = state.history.unsavedChanges;
    if (shown.set && shown.unsavedChanges == unsaved && shown.fileName == state.currentFileName) return;
    shown = {state.currentFileName, unsaved, true};
    setWindowTitle(documentTitle(shown.fileName, unsaved));
}

}  // namespace vx
