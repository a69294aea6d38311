// The recovery folder: its place and privacy, copy names, the locks of live copies, pruning.
#include "ui/recovery_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/console/files.h"

namespace vx {
namespace {

constexpr const char* copyExtension = ".vx";
constexpr const char* lockEnding = ".lock";
constexpr const char* sourceEnding = ".from";
// "-YYYYMMDD-HHMMSS", "-NN" for a taken name, ".vx": what a stem must leave room for.
constexpr std::size_t copySuffixBytes = 16 + 3 + 3;

// Makes the folder and every missing folder above it, private to the user.
bool makeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    return true;
}

// Cuts UTF-8 text to at most limit bytes without splitting a character.
std::string cutToBytes(std::string text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) --end;
    text.erase(end);
    return text;
}

// The current file's name without its folder and last extension, or "unnamed".
std::string copyStem(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    std::string stem = fileName.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    stem = cutToBytes(stem, maxFileNameBytes - copySuffixBytes);
    return stem.empty() ? "unnamed" : stem;
}

bool allDigits(const std::string& text, std::size_t from, std::size_t count) {
    if (from + count > text.size() || count == 0) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// Opens a file of the folder without following a link planted at its name.
int openPrivate(const std::string& path, int flags) {
    return ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
}

std::vector<CopyListing> copiesIn(const std::string& folder) {
    std::vector<CopyListing> copies;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return copies;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info {};
        const std::string path = folder + "/" + name;
        if (isCopyName(name) && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            copies.push_back({path, {}, info.st_mtime, copyIsLive(path)});
    }
    ::closedir(dir);
    std::sort(copies.begin(), copies.end(), [](const CopyListing& a, const CopyListing& b) {
        return a.modified != b.modified ? a.modified > b.modified : a.path > b.path;
    });
    return copies;
}

std::string readSource(const std::string& copyPath) {
    const int fd = openPrivate(copyPath + sourceEnding, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return {};
    char text[4096];
    const ssize_t got = ::read(fd, text, sizeof text);
    ::close(fd);
    return got > 0 ? std::string(text, static_cast<std::size_t>(got)) : std::string();
}

}  // namespace

std::string recoveryFolder() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome && stateHome[0] == '/') return std::string(stateHome) + "/vxedit/recovery";
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::string(home) + "/.local/state/vxedit/recovery";
    return {};
}

std::string preparePrivateFolder(const std::string& folder) {
    if (folder.empty()) return "neither XDG_STATE_HOME nor HOME is set";
    if (!makeFolders(folder)) return failureReason(errno);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return failureReason(errno);
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(info.st_mode)) return failureReason(ENOTDIR);
    if (info.st_uid != ::geteuid()) return "it belongs to another user";
    if ((info.st_mode & 077) != 0) return "others may open it";
    return {};
}

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

// "-YYYYMMDD-HHMMSS" before ".vx", maybe with "-N" between.
bool isCopyName(const std::string& name) {
    if (name.size() < 19) return false;
    const std::size_t extension = name.size() - 3;
    if (name.compare(extension, 3, copyExtension) != 0) return false;
    std::size_t end = extension;
    const std::size_t dash = name.rfind('-', extension);
    if (dash != std::string::npos && extension - dash <= 4 && allDigits(name, dash + 1, extension - dash - 1))
        end = dash;
    if (end < 16) return false;
    const std::size_t stamp = end - 16;
    return name[stamp] == '-' && allDigits(name, stamp + 1, 8) && name[stamp + 9] == '-' &&
           allDigits(name, stamp + 10, 6);
}

int holdCopy(const std::string& copyPath) {
    const int fd = openPrivate(copyPath + lockEnding, O_RDWR | O_CREAT | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void releaseCopy(const std::string& copyPath, int& lockFd) {
    if (lockFd < 0) return;
    ::unlink((copyPath + lockEnding).c_str());
    ::close(lockFd);
    lockFd = -1;
}

bool copyIsLive(const std::string& copyPath) {
    const int fd = openPrivate(copyPath + lockEnding, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool live = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return live;
}

void pruneOldCopies(const std::string& folder) {
    std::size_t ended = 0;
    for (const CopyListing& copy : copiesIn(folder)) {
        if (copy.live || ++ended <= recoveryCopiesKept) continue;
        ::unlink(copy.path.c_str());
        ::unlink((copy.path + lockEnding).c_str());
        ::unlink((copy.path + sourceEnding).c_str());
    }
}

std::vector<CopyListing> listCopies(const std::string& folder) {
    std::vector<CopyListing> copies = copiesIn(folder);
    for (CopyListing& copy : copies) copy.model = readSource(copy.path);
    return copies;
}

void recordCopySource(const std::string& copyPath, const std::string& modelName) {
    const int fd = openPrivate(copyPath + sourceEnding, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK);
    if (fd < 0) return;
    if (::write(fd, modelName.data(), modelName.size()) < 0) {
        // The record only helps to find the model again; the copy itself is what counts.
    }
    ::close(fd);
}

}  // namespace vx
