// Recovery copies of a model with unsaved changes, and the editor's end that keeps them.
#include "ui/recovery.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "io/model/model_file.h"
#include "platform/console/display.h"
#include "platform/console/input.h"
#include "ui/undo.h"

namespace vx {
namespace {

constexpr const char* copyExtension = ".vx";

// Makes the folder and every missing folder above it, private to the user.
bool makeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The current file's name without its folder and last extension, or "unnamed".
std::string copyStem(const std::string& fileName) {
    std::string stem = fileName.substr(fileName.rfind('/') == std::string::npos ? 0 : fileName.rfind('/') + 1);
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    return stem.empty() ? "unnamed" : stem;
}

// "<stem>-YYYYMMDD-HHMMSS.vx" in local time; a name already taken gets "-2", "-3" ...
std::string newCopyPath(const std::string& folder, const std::string& fileName) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = folder + "/" + copyStem(fileName) + "-" + stamp;
    std::string path = base + copyExtension;
    struct stat info {};
    for (int n = 2; ::lstat(path.c_str(), &info) == 0; ++n) path = base + "-" + std::to_string(n) + copyExtension;
    return path;
}

bool allDigits(const std::string& text, std::size_t from, std::size_t count) {
    if (from + count > text.size() || count == 0) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// A name this editor gives its copies: "-YYYYMMDD-HHMMSS" before ".vx", maybe with "-N" between.
// Other files in the folder are never deleted.
bool isCopyName(const std::string& name) {
    const std::size_t extension = name.size() - 3;
    if (name.size() < 19 || name.compare(extension, 3, copyExtension) != 0) return false;
    std::size_t end = extension;
    const std::size_t dash = name.rfind('-', extension);
    if (dash != std::string::npos && extension - dash <= 4 && allDigits(name, dash + 1, extension - dash - 1))
        end = dash;
    if (end < 16) return false;
    const std::size_t stamp = end - 16;
    return name[stamp] == '-' && allDigits(name, stamp + 1, 8) && name[stamp + 9] == '-' &&
           allDigits(name, stamp + 10, 6);
}

struct CopyFile {
    std::string path;
    std::time_t modified;
};

// Deletes all but the newest copies in the folder, newest by time of change, then by name.
void pruneOldCopies(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<CopyFile> copies;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info {};
        const std::string path = folder + "/" + name;
        if (isCopyName(name) && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            copies.push_back({path, info.st_mtime});
    }
    ::closedir(dir);
    std::sort(copies.begin(), copies.end(), [](const CopyFile& a, const CopyFile& b) {
        return a.modified != b.modified ? a.modified > b.modified : a.path > b.path;
    });
    for (std::size_t i = recoveryCopiesKept; i < copies.size(); ++i) ::unlink(copies[i].path.c_str());
}

// Writes the copy, atomically as every save is; says on standard error when it cannot.
bool writeCopy(EditorState& state) {
    RecoveryCopy& copy = state.recovery;
    copy.written = true;
    copy.writtenAtMs = clockMs();
    const std::string folder = recoveryFolder();
    if (folder.empty() || !makeFolders(folder)) {
        std::fprintf(stderr, "vxedit: cannot make the recovery folder %s: %s\n",
                     folder.empty() ? "(neither XDG_STATE_HOME nor HOME is set)" : folder.c_str(),
                     folder.empty() ? "no home" : std::strerror(errno));
        return false;
    }
    const bool fresh = copy.path.empty();
    const std::string path = fresh ? newCopyPath(folder, state.currentFileName) : copy.path;
    if (saveModelFile(state, path) != SaveVerdict::saved) {
        std::fprintf(stderr, "vxedit: cannot write the recovery copy %s\n", path.c_str());
        return false;
    }
    copy.path = path;
    copy.stale = false;
    if (fresh) pruneOldCopies(folder);
    return true;
}

void removeCopy(RecoveryCopy& copy) {
    if (!copy.path.empty()) ::unlink(copy.path.c_str());
    copy.path.clear();
    copy.stale = false;
}

void onStopSignal(int signalNumber) { requestStop(128 + signalNumber); }

}  // namespace

std::string recoveryFolder() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome && stateHome[0] == '/') return std::string(stateHome) + "/vxedit/recovery";
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::string(home) + "/.local/state/vxedit/recovery";
    return {};
}

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
    copy.path.clear();  // no later save or end removes it
}

void refreshRecoveryCopy(EditorState& state, int64_t refreshMs) {
    const RecoveryCopy& copy = state.recovery;
    if (!copy.stale || !state.history.unsavedChanges) return;
    if (copy.written && clockMs() - copy.writtenAtMs < refreshMs) return;
    writeCopy(state);
}

void endEditor(EditorState& state, int status, const char* why) {
    recordModelStep(state);  // a change made in this very pass counts
    RecoveryCopy& copy = state.recovery;
    const std::string because = why ? std::string(why) + "; " : std::string();
    if (!state.history.unsavedChanges) {
        removeCopy(copy);
        if (why) std::fprintf(stderr, "vxedit: %s\n", why);
    } else if ((!copy.stale && !copy.path.empty()) || writeCopy(state)) {
        std::fprintf(stderr, "vxedit: %sunsaved changes kept in %s\n", because.c_str(), copy.path.c_str());
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
