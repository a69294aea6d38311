// File mode: quick save, save as, load and reload.
#include "io/model_file.h"
#include "platform/cp437.h"
#include "platform/input.h"
#include "platform/text.h"
#include "ui/modes.h"
#include "ui/recovery.h"

namespace vx {
namespace {

// Every message replaces the one before it whole: both rows a message can stand on are
// cleared in full, so no letter of a longer earlier message is left behind.
void clearMessageRows() {
    for (const int row : {3, 4}) {
        locate(row, 1);
        printString(spaces(78), 1);
    }
    locate(3, 1);
}

// The name a command works on: the typed entry's first field, turned from the keyboard's
// code page into the UTF-8 the system stores, or the current name. The line input ends on a
// new row, so a message then goes to row 4. An empty name says "cancelled".
bool nameToUse(const EditorState& state, const char* prompt, std::string& name) {
    clearMessageRows();
    if (prompt) {
        promptLine(prompt, true, true);
        name = utf8FromCp437(takeToken());
    } else {
        name = state.currentFileName;
    }
    if (!name.empty()) return true;
    printString("cancelled", 1);
    return false;
}

// The current name changes only when a save or a load succeeds, so a failed command never
// points the next quick save at some other file.
void saveCommand(EditorState& state, bool askName) {
    std::string name;
    if (!nameToUse(state, askName ? "save to file:" : nullptr, name)) return;
    const SaveVerdict verdict = saveModelFile(state, name);
    if (verdict == SaveVerdict::notAModelFile) printString("not a model file: save refused", 1);
    if (verdict == SaveVerdict::failed) printString("save failed", 1);
    if (verdict != SaveVerdict::saved) return;
    printString("done.", 1);
    state.currentFileName = name;
    modelSaved(state);
}

// A successful load sets redrawPending, and the frame it brings covers the message rows.
void loadCommand(EditorState& state, bool askName) {
    std::string name;
    if (!nameToUse(state, askName ? "load from file:" : nullptr, name)) return;
    const bool hadUnsavedChanges = copyBeforeLoad(state);
    if (loadModel(state, name) == LoadVerdict::invalidFile) {
        printString("invalid file", 1);
        return;
    }
    state.currentFileName = name;
    modelLoaded(state, hadUnsavedChanges);
}

}  // namespace

void fileBlock(EditorState& state) {
    const std::string& key = state.input.key;
    if (key == "s" || key == "a") saveCommand(state, key == "a");
    if (key == "l" || key == "L") loadCommand(state, key == "l");
}

}  // namespace vx
