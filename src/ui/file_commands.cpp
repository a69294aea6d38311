// File mode: quick save, save as, load and reload.
#include "ui/file_commands.h"

#include "io/model_file.h"
#include "platform/input.h"
#include "platform/text.h"
#include "ui/modes.h"

namespace vx {
namespace {

// How far each command clears row 4 before it prints. A save clears one cell more than its
// "done." and "cancelled" need, so that an earlier "save failed" there leaves no letter behind.
constexpr int saveRowFourSpaces = 11;
constexpr int loadRowFourSpaces = 18;

void clearMessageRows(int rowFourSpaces) {
    locate(3, 1);
    printString(spaces(78), 1);
    locate(4, 1);
    printString(spaces(rowFourSpaces), 1);
    locate(3, 1);
}

// The entry's first field becomes the current name even when it is empty or the command
// then fails; the line input ends on a new row, so the message goes to row 4.
void askForName(EditorState& state, const char* prompt) {
    promptLine(prompt, true, true);
    state.currentFileName = takeToken();
}

// Clears the message rows and, for the commands that ask, reads the name; with no name to use
// it says "cancelled".
bool nameToUse(EditorState& state, int rowFourSpaces, const char* prompt) {
    clearMessageRows(rowFourSpaces);
    if (prompt) askForName(state, prompt);
    if (!state.currentFileName.empty()) return true;
    printString("cancelled", 1);
    return false;
}

bool saveCommand(EditorState& state, bool askName) {
    if (!nameToUse(state, saveRowFourSpaces, askName ? "save to file:" : nullptr)) return false;
    const bool saved = saveModel(state, state.currentFileName);
    printString(saved ? "done." : "save failed", 1);
    return saved;
}

// A successful load sets redrawPending, and the frame it brings covers the message rows.
void loadCommand(EditorState& state, bool askName) {
    if (!nameToUse(state, loadRowFourSpaces, askName ? "load from file:" : nullptr)) return;
    if (loadModel(state, state.currentFileName) == LoadVerdict::invalidFile) printString("invalid file", 1);
}

}  // namespace

bool quickSave(EditorState& state) { return saveCommand(state, false); }

void loadPickedModel(EditorState& state, const std::string& path, const std::string& name) {
    clearMessageRows(loadRowFourSpaces);
    if (loadModel(state, path) == LoadVerdict::invalidFile) {
        printString("invalid file", 1);
        return;
    }
    state.currentFileName = name;
}

void fileBlock(EditorState& state) {
    const std::string& key = state.input.key;
    if (key == "s" || key == "a") saveCommand(state, key == "a");
    if (key == "l" || key == "L") loadCommand(state, key == "l");
}

}  // namespace vx
