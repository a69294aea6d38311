// Recovery copies of a model with unsaved changes, and the editor's end that keeps them.
#include "ui/recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "io/model/model_file.h"
#include "platform/console/display.h"
#include "platform/console/files.h"
#include "platform/console/input.h"
#include "platform/console/text.h"
#include "ui/recovery_folder.h"
#include "ui/undo.h"

namespace vx {
namespace {

std::string folderOfModel(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    return slash == std::string::npos ? "." : fileName.substr(0, slash == 0 ? 1 : slash);
}

std::string absoluteName(const std::string& fileName) {
    if (fileName.empty() || fileName.front() == '/') return fileName;
    char here[4096];
    return ::getcwd(here, sizeof here) ? std::string(here) + "/" + fileName : fileName;
}

// The folder for a new copy: the private recovery folder, or, when that cannot be trusted, the
// model's own folder (said on standard error for each new copy).
std::string copyFolder(const EditorState& state, bool& inPrivateFolder) {
    const std::string folder = recoveryFolder();
    const std::string problem = preparePrivateFolder(folder);
    inPrivateFolder = problem.empty();
    if (inPrivateFolder) return folder;
    std::fprintf(stderr, "vxedit: recovery folder %s refused (%s): copies go beside the model\n", folder.c_str(),
                 problem.c_str());
    return folderOfModel(state.currentFileName);
}

bool copyOnDisk(const RecoveryCopy& copy) {
    struct stat info {};
    return !copy.path.empty() && ::lstat(copy.path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Writes the copy, atomically as every save is, and readable by the user alone. A new copy is
// locked as this editor's before it exists, so no other editor's pruning can take it.
bool writeCopy(EditorState& state) {
    RecoveryCopy& copy = state.recovery;
    copy.written = true;
    copy.writtenAtMs = clockMs();
    bool inPrivateFolder = false;
    const std::string folder = copy.path.empty() ? copyFolder(state, inPrivateFolder) : std::string();
    const bool fresh = copy.path.empty();
    const std::string path = fresh ? newCopyPath(folder, state.currentFileName) : copy.path;
    if (fresh) copy.lockFd = holdCopy(path);
    if (saveModelFile(state, path, SaveKind::privateCopy) != SaveVerdict::saved) {
        copy.failure = fileErrorReason();
        std::fprintf(stderr, "vxedit: cannot write the recovery copy %s: %s\n", path.c_str(), copy.failure.c_str());
        if (fresh) releaseCopy(path, copy.lockFd);
        return false;
    }
    copy.failure.clear();
    copy.quitWarned = false;
    copy.path = path;
    copy.stale = false;
    recordCopySource(path, absoluteName(state.currentFileName));
    if (fresh && inPrivateFolder) pruneOldCopies(folder);
    return true;
}

void removeCopy(RecoveryCopy& copy) {
    if (!copy.path.empty()) {
        ::unlink(copy.path.c_str());
        ::unlink((copy.path + ".from").c_str());
    }
    releaseCopy(copy.path, copy.lockFd);
    copy.path.clear();
    copy.stale = false;
}

// The copy becomes an ended editor's: kept, and open to pruning like any other.
void letGoOfCopy(RecoveryCopy& copy) {
    releaseCopy(copy.path, copy.lockFd);
    copy.keptAtLoad = copy.path;
    copy.path.clear();
}

void onStopSignal(int signalNumber) { requestStop(128 + signalNumber); }

}  // namespace

void modelChanged(EditorState& state) { state.recovery.stale = true; }

void modelSaved(EditorState& state) {
    markSaved(state.history, state.model, state.currentFileName);
    removeCopy(state.recovery);
}

bool copyBeforeLoad(EditorState& state) {
    recordModelStep(state);
    if (!state.history.unsavedChanges) return false;
    if (state.recovery.stale || state.recovery.path.empty()) writeCopy(state);
    return true;
}

void modelLoaded(EditorState& state, bool hadUnsavedChanges) {
    markSaved(state.history, state.model, state.currentFileName);
    RecoveryCopy& copy = state.recovery;
    if (!hadUnsavedChanges || copy.stale || copy.path.empty()) return;
    std::fprintf(stderr, "vxedit: unsaved changes kept in %s\n", copy.path.c_str());
    letGoOfCopy(copy);  // no later save or end removes it
}

namespace {

// A copy that fails is said in the window, not only at the end: the row is printed again at every
// wait, as frames cover it, for as long as the changes are in no copy.
void showCopyFailure(const EditorState& state) {
    const RecoveryCopy& copy = state.recovery;
    if (copy.failure.empty() || !state.history.unsavedChanges) return;
    printRow(recoveryMessageRow, copy.quitWarned ? "changes not kept: " + copy.failure + "; q again quits without them"
                                                 : "recovery copy failed: " + copy.failure);
}

}  // namespace

void refreshRecoveryCopy(EditorState& state, int64_t refreshMs) {
    RecoveryCopy& copy = state.recovery;
    const bool due = !copy.written || clockMs() - copy.writtenAtMs >= refreshMs;
    if (copy.stale && state.history.unsavedChanges && due) writeCopy(state);
    showCopyFailure(state);
}

void quitKeepingWork(EditorState& state) {
    recordModelStep(state);
    RecoveryCopy& copy = state.recovery;
    const bool kept = !state.history.unsavedChanges || (!copy.stale && copyOnDisk(copy)) || writeCopy(state);
    if (kept || copy.quitWarned) endEditor(state, 0);
    copy.quitWarned = true;
    showCopyFailure(state);
}

void endEditor(EditorState& state, int status, const char* why) {
    recordModelStep(state);  // a change made in this very pass counts
    RecoveryCopy& copy = state.recovery;
    const std::string because = why ? std::string(why) + "; " : std::string();
    if (!state.history.unsavedChanges) {
        removeCopy(copy);
        if (why) std::fprintf(stderr, "vxedit: %s\n", why);
    } else if ((!copy.stale && copyOnDisk(copy)) || writeCopy(state)) {
        std::fprintf(stderr, "vxedit: %sunsaved changes kept in %s\n", because.c_str(), copy.path.c_str());
        letGoOfCopy(copy);
    } else if (why) {
        std::fprintf(stderr, "vxedit: %s\n", why);
    }
    endProgram(status);
}

void watchForStop(EditorState& state) {
    setStopAction([&state] { endEditor(state, stopRequested(), stopReason()); });
}

void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signalNumber, &action, nullptr);
}

}  // namespace vx
