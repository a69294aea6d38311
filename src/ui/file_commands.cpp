// File mode: quick save, save as, load and reload.
#include "ui/file_commands.h"

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
bool saveCommand(EditorState& state, bool askName) {
    std::string name;
    if (!nameToUse(state, askName ? "save to file:" : nullptr, name)) return false;
    const SaveVerdict verdict = saveModelFile(state, name);
    if (verdict == SaveVerdict::notAModelFile) printString("not a model file: save refused", 1);
    if (verdict == SaveVerdict::failed) printString("save failed", 1);
    if (verdict != SaveVerdict::saved) return false;
    printString("done.", 1);
    state.currentFileName = name;
    modelSaved(state);
    return true;
}

// Reads the model at path, which then goes by name. A successful load sets redrawPending, and
// the frame it brings covers the message rows.
bool loadNamedModel(EditorState& state, const std::string& path, const std::string& name) {
    const bool hadUnsavedChanges = copyBeforeLoad(state);
    if (loadModel(state, path) == LoadVerdict::invalidFile) {
        printString("invalid file", 1);
        return false;
    }
    state.currentFileName = name;
    modelLoaded(state, hadUnsavedChanges);
    return true;
}

void loadCommand(EditorState& state, bool askName) {
    std::string name;
    if (nameToUse(state, askName ? "load from file:" : nullptr, name)) loadNamedModel(state, name, name);
}

}  // namespace

bool quickSave(EditorState& state) { return saveCommand(state, false); }

bool loadPickedModel(EditorState& state, const std::string& path, const std::string& name) {
    clearMessageRows();
    return loadNamedModel(state, path, name);
}

void fileBlock(EditorState& state) {
    const std::string& key = state.input.key;
    if (key == "s" || key == "a") saveCommand(state, key == "a");
    if (key == "l" || key == "L") loadCommand(state, key == "l");
}

}  // namespace vx
