// The offer of unsaved work at start-up and after a load, and its restoring as one undo step.
#include "ui/recovery_offer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "io/model/model_file.h"
#include "platform/console/cp437.h"
#include "platform/console/text.h"
#include "ui/key_bindings.h"
#include "ui/recovery_folder.h"
#include "ui/undo.h"

namespace vx {
namespace {

std::string absoluteName(const std::string& fileName) {
    if (fileName.empty() || fileName.front() == '/') return fileName;
    char here[4096];
    return ::getcwd(here, sizeof here) ? std::string(here) + "/" + fileName : fileName;
}

// When the model's file last changed; 0 when it does not exist, so any copy is newer.
std::time_t savedTimeOf(const std::string& fileName) {
    struct stat info {};
    return ::stat(fileName.c_str(), &info) == 0 ? info.st_mtime : 0;
}

std::string clockTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

}  // namespace

void offerRecoveredWork(EditorState& state) {
    RecoveryCopy& copy = state.recovery;
    copy.offered.clear();
    const std::string folder = recoveryFolder();
    if (folder.empty() || !preparePrivateFolder(folder).empty()) return;
    const std::string model = absoluteName(state.currentFileName);
    const std::time_t saved = savedTimeOf(state.currentFileName);
    for (const CopyListing& listed : listCopies(folder)) {
        if (listed.live || listed.model != model || listed.path == copy.path || listed.path == copy.keptAtLoad) continue;
        if (listed.modified < saved) return;  // newest first: the rest are older still
        copy.offered = listed.path;
        // The display's code page has no long dash: its line-drawing dash stands in for it.
        const std::string text = "unsaved work from " + clockTime(listed.modified) + " \u2500 Enter restores, Esc keeps it for later";
        // File mode's message row after a load; at start the row below Rotate mode's help.
        state.heldMessage = {cp437FromUtf8(text), state.mode == EditorMode::file ? 3 : 4};
        return;
    }
}

bool takeOfferKey(EditorState& state) {
    RecoveryCopy& copy = state.recovery;
    const std::string& key = state.input.key;
    if (copy.offered.empty() || key.empty()) return false;
    const std::string offered = copy.offered;
    copy.offered.clear();
    printRow(3, {});
    if (key == escapeKey) return true;
    if (key != enterKey) return false;
    recordModelStep(state);  // the edits before are a step of their own
    if (loadModel(state, offered) == LoadVerdict::invalidFile) {
        printRow(3, "cannot restore " + offered);
        return true;
    }
    recordModelStep(state);  // the restored work is one undo step
    state.redrawPending = 1;
    return true;
}

}  // namespace vx
