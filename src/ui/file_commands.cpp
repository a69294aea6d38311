// File mode: quick save, save as, load and reload; other model formats come in as new models.
#include "ui/file_commands.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "io/exchange/isolated_import.h"
#include "io/exchange/model_import.h"
#include "io/file_stamp.h"
#include "io/model/model_file.h"
#include "io/model/view_references.h"
#include "io/palette/palette_file.h"
#include "platform/console/cp437.h"
#include "platform/console/files.h"
#include "platform/console/input.h"
#include "platform/console/line_input.h"
#include "platform/console/text.h"
#include "ui/key_bindings.h"
#include "ui/modes.h"
#include "ui/recovery.h"
#include "ui/recovery_offer.h"
#include "ui/undo.h"
#include "ui/vertex_group.h"

namespace vx {
namespace {

// Every message replaces the one before it whole: both rows a message can stand on are
// cleared in full, so no letter of a longer earlier message is left behind.
void clearMessageRows() {
    printRow(3, {});
    printRow(4, {});
    locate(3, 1);
}

// A message on the cursor's row: row 3, or row 4 after a typed name.
int printMessage(std::string_view text) { return printRow(0, text); }

// Longer file names are refused by the usual file systems, and by the page's store.
constexpr std::size_t longestNameBytes = 255;

bool hasOverlongPart(std::string_view name) {
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        if (slash - start > longestNameBytes) return true;
        start = slash + 1;
    }
    return false;
}

// The name a command works on: the typed entry's first field, turned from the keyboard's
// code page into the UTF-8 the system stores, or the current name. The line input ends on a
// new row, so a message then goes to row 4. An empty name says "cancelled", and a name (or a
// folder of its path) of more than 255 bytes is refused before any file is touched.
bool nameToUse(const EditorState& state, const char* prompt, std::string& name) {
    clearMessageRows();
    if (prompt) {
        promptLine(prompt, true, true);
        name = utf8FromCp437(takeToken());
    } else {
        name = state.currentFileName;
    }
    if (name.empty()) {
        printMessage("cancelled");
        return false;
    }
    if (hasOverlongPart(name)) {
        printMessage("name too long: at most 255 bytes");
        return false;
    }
    return true;
}

// Another program (or another editor) changed the file since this editor read or wrote it: the
// first save asks, and a second one replaces it.
bool replacesOthersWork(EditorState& state, const std::string& name) {
    FileStamp& stamp = state.diskStamp;
    if (name != stamp.name || stamp.replaceAllowed || !changedOnDisk(stamp)) return false;
    stamp.replaceAllowed = true;
    printMessage("changed on disk at " + changeTimeOf(name) + ": s again to replace it, a to save as");
    return true;
}

// The current name changes only when a save or a load succeeds, so a failed command never
// points the next quick save at some other file.
bool saveCommand(EditorState& state, bool askName) {
    std::string name;
    if (!nameToUse(state, askName ? "save to file:" : nullptr, name)) return false;
    if (replacesOthersWork(state, name)) return false;
    const SaveVerdict verdict = saveModelFile(state, name);
    if (verdict == SaveVerdict::notAModelFile) printMessage("not a model file: save refused");
    if (verdict == SaveVerdict::failed) printMessage("save failed: " + fileErrorReason());
    if (verdict != SaveVerdict::saved) return false;
    // The views' pictures go beside the model, in the same way; the model stays saved either way.
    printMessage(saveViewReferences(state, name) ? "done." : "done, but the views' pictures could not be kept");
    // Saving is no edit: the edits so far stay one step, and the new name joins the present
    // without a step of its own, so an undo right after takes back the last edit.
    recordModelStep(state);
    state.currentFileName = name;
    renamePresent(state.history, name);
    state.diskStamp = stampOf(name);
    modelSaved(state);
    return true;
}

// Reads the model at path, which then goes by name. A successful load sets redrawPending, and
// the frame it brings covers the message rows; a warning is held over that frame. A file of
// another format is imported instead, under its own name with .vx.
bool loadNamedModel(EditorState& state, const std::string& path, const std::string& name) {
    const std::string problem = regularFileProblem(path);
    if (!problem.empty()) {
        printMessage("load failed: " + problem);
        return false;
    }
    const bool other = !startsWithModelSignature(path) && isOtherModelFile(path);
    const bool hadUnsavedChanges = copyBeforeLoad(state);
    if (other) {
        std::string refusal;
        if (!importOtherModel(state, path, refusal)) {
            printMessage(refusal);
            return false;
        }
    } else {
        const LoadVerdict verdict = loadModel(state, path);
        if (verdict == LoadVerdict::invalidFile) {
            printMessage("invalid file");
            return false;
        }
        if (verdict == LoadVerdict::endsEarly) {
            const int row = printMessage(endsEarlyMessage);
            state.heldMessage = {std::string(endsEarlyMessage), row};
        }
        state.currentFileName = name;  // one undo step with the loaded tables: the edits before are recorded
        state.diskStamp = stampOf(path);
        state.diskStamp.name = name;
    }
    clearGroup(state.group);  // its vertex numbers meant the old model
    const std::string skipped = loadViewReferences(state, other ? state.currentFileName : path);
    if (!skipped.empty()) state.heldMessage = {skipped, printMessage(skipped)};
    modelLoaded(state, hadUnsavedChanges);
    if (other) markImported(state);
    if (!other) offerRecoveredWork(state);
    return true;
}

void loadCommand(EditorState& state, bool askName) {
    std::string name;
    if (nameToUse(state, askName ? "load from file:" : nullptr, name)) loadNamedModel(state, name, name);
}

// A message the frame the command brings would cover: it is held over that frame.
void printHeldMessage(EditorState& state, const std::string& text) {
    const int row = printMessage(text);
    state.heldMessage = {text, row};
    state.redrawPending = 1;
}

std::string paletteMessage(const PaletteRead& read) {
    std::string text = "palette of " + std::to_string(read.given) + " colours from a " + read.source;
    if (read.leftOut > 0) text += read.source == "picture" ? ", more left out" : ", " + std::to_string(read.leftOut) + " more left out";
    return text;
}

}  // namespace

void applyPaletteFile(EditorState& state, const std::string& name) {
    if (name.empty()) {
        state.model.palette = builtinPalette;
        return printHeldMessage(state, "built-in palette");
    }
    PaletteRead read;
    std::string problem;
    if (!readPaletteFile(name, read, problem)) {
        printMessage(problem);
        return;
    }
    state.model.palette = read.palette;
    printHeldMessage(state, paletteMessage(read));
}

void loadPalette(EditorState& state) {
    clearMessageRows();
    promptLine("palette from file (empty: built-in):", true, true);
    applyPaletteFile(state, utf8FromCp437(takeToken()));
}

std::string importedModelName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const bool hasEnding = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasEnding ? path.substr(0, dot) : path) + ".vx";
}

bool importOtherModel(EditorState& state, const std::string& path, std::string& problem) {
    ImportRequest request;
    request.optionsOf = "vxtool convert ";
    ImportNotes notes;
    auto model = std::make_unique<Model>();
    if (!importModelFileIsolated(path, request, *model, notes)) {
        problem = path + ": " + notes.error;
        return false;
    }
    for (const std::string& line : notes.lines) std::fprintf(stderr, "vxedit: %s\n", line.c_str());
    state.model = *model;
    state.currentFileName = importedModelName(path);
    state.diskStamp = {};  // the imported model's own name holds nothing this editor read
    state.redrawPending = 1;
    return true;
}

void markImported(EditorState& state) {
    Model& saved = *state.history.saved;
    saved.vertexCount = saved.polygonCount = saved.lineCount = 0;
    state.history.unsavedChanges = !sameModel(state.model, saved);
    modelChanged(state);
}

bool quickSave(EditorState& state) { return saveCommand(state, false); }

bool loadPickedModel(EditorState& state, const std::string& path, const std::string& name) {
    clearMessageRows();
    return loadNamedModel(state, path, name);
}

void saveToCurrentFile(EditorState& state) { saveCommand(state, false); }

void saveAs(EditorState& state) { saveCommand(state, true); }

void loadNamed(EditorState& state) { loadCommand(state, true); }

void reloadCurrentFile(EditorState& state) { loadCommand(state, false); }

void fileBlock(EditorState& state) { runKeyBinding(fileKeys, state); }

}  // namespace vx
