// The file service over POSIX file descriptors: a table of 254 numbered slots.
#include "platform/console/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace vx {
namespace {

// The editor moves whole records and 8192-byte blocks per call, so transfers go straight to
// the system: a buffer of our own would only copy every byte twice.
struct OpenFile {
    int fd = -1;               // -1: the slot is free
    bool saving = false;       // writes go to tempPath until commitSave
    bool writeFailed = false;  // sticky for a save: one short write spoils the whole file
    bool inPlace = false;      // a save into the target itself: no temporary file could be made
    off_t writtenEnd = 0;      // end of the bytes an in-place save wrote; the file is cut there
    std::string tempPath;
    std::string targetPath;
    mode_t mode = 0;         // permission bits the saved file gets
    bool keepOwner = false;  // the target existed: give its owner back after the rename
    uid_t owner = 0;
    gid_t group = 0;
};

thread_local int32_t errorNumber = fileOk;
thread_local int systemError = 0;  // errno of the last refused system call, 0 when there was none

// Keeps the system's reason for a failure, so that a message can name it.
void noteSystemError() { systemError = errno; }

std::array<OpenFile, maxFileNumber>& slots() {
    static std::array<OpenFile, maxFileNumber> table;
    return table;
}

bool numberInRange(int32_t number) { return number >= 1 && number <= maxFileNumber; }

// The slot of an open file, or null after recording an illegal call.
OpenFile* openSlot(int32_t number, int64_t position = 0) {
    if (!numberInRange(number) || position < 0 || slots()[static_cast<std::size_t>(number - 1)].fd < 0) {
        errorNumber = fileIllegalCall;
        return nullptr;
    }
    return &slots()[static_cast<std::size_t>(number - 1)];
}

// The slot a new open may take, or null after recording an illegal call.
OpenFile* freeSlot(int32_t number) {
    if (!numberInRange(number) || slots()[static_cast<std::size_t>(number - 1)].fd >= 0) {
        errorNumber = fileIllegalCall;
        return nullptr;
    }
    return &slots()[static_cast<std::size_t>(number - 1)];
}

bool moveTo(const OpenFile& file, int64_t position) {
    return position == 0 || ::lseek(file.fd, static_cast<off_t>(position - 1), SEEK_SET) >= 0;
}

// Reads until count bytes or the end of the file; the rest of the destination becomes 0.
std::size_t readFully(int fd, uint8_t* destination, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, destination + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            noteSystemError();
            errorNumber = fileReadFailed;
            break;
        }
    }
    std::memset(destination + got, 0, count - got);
    return got;
}

bool writeFully(int fd, const uint8_t* source, std::size_t count) {
    std::size_t put = 0;
    while (put < count) {
        const ssize_t n = ::write(fd, source + put, count - put);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) noteSystemError();
        if (n == 0) systemError = ENOSPC;
        if (n <= 0) return false;
        put += static_cast<std::size_t>(n);
    }
    return true;
}

void takeDescriptor(OpenFile* slot, int fd) {
    if (fd < 0) {
        noteSystemError();
        errorNumber = fileNotOpened;
        return;
    }
    slot->fd = fd;
    errorNumber = fileOk;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a save lands in: the name itself, or the file its chain of symbolic links names.
// Empty when the chain cannot be followed.
std::string saveTarget(const std::string& name) {
    std::string path = name;
    for (int hops = 0; hops < 40; ++hops) {
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link);
        if (length < 0) return errno == EINVAL || errno == ENOENT ? path : std::string();
        if (length == static_cast<ssize_t>(sizeof link)) return {};
        std::string next(link, static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : folderOf(path) + next;
    }
    return {};
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Settles what the finished file will be like, as a write in place would: refuses a target
// that is no regular file or that this process may not write.
bool planSave(OpenFile& slot, const std::string& name) {
    slot.targetPath = saveTarget(name);
    if (slot.targetPath.empty()) {
        noteSystemError();
        return false;
    }
    struct stat existing {};
    if (::stat(slot.targetPath.c_str(), &existing) != 0) {
        noteSystemError();
        slot.mode = newFileMode();
        slot.keepOwner = false;
        return errno == ENOENT;
    }
    if (!S_ISREG(existing.st_mode)) {
        systemError = S_ISDIR(existing.st_mode) ? EISDIR : notRegularFile;
        return false;
    }
    if (::access(slot.targetPath.c_str(), W_OK) != 0) {
        noteSystemError();
        return false;
    }
    slot.mode = existing.st_mode & 07777;
    slot.keepOwner = true;
    slot.owner = existing.st_uid;
    slot.group = existing.st_gid;
    return true;
}

void syncFolderOf(const std::string& path) {
    const std::string folder = folderOf(path);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Gives the temporary file the target's owner and permission bits and makes it durable. The
// owner comes first: changing it may clear set-user-id bits that the mode then restores.
bool finishTemporary(const OpenFile& file) {
    if (file.writeFailed) return false;
    if (file.keepOwner && ::fchown(file.fd, file.owner, file.group) != 0) {
        // Only a privileged process may hand a file to another owner; the save goes on.
    }
    const bool ok = ::fchmod(file.fd, file.mode) == 0 && ::fsync(file.fd) == 0;
    if (!ok) noteSystemError();
    return ok;
}

// The in-place save: cut to what was written, then made durable; any failure is reported.
bool commitInPlace(OpenFile& file) {
    bool ok = !file.writeFailed && ::ftruncate(file.fd, file.writtenEnd) == 0 && ::fsync(file.fd) == 0;
    if (!ok && !file.writeFailed) noteSystemError();
    ok = ::close(file.fd) == 0 && ok;
    file = OpenFile{};
    errorNumber = ok ? fileOk : fileSaveFailed;
    return ok;
}

// Only a folder that refuses this user a new file is a reason to write in place. Any other
// failure (no space, no free inode, a name too long) would leave the old file cut short if the
// write in place then failed partway, so the save is refused and the old file stays whole.
bool mayWriteInPlace(const OpenFile& slot, int madeError) {
    return slot.keepOwner && (madeError == EACCES || madeError == EPERM);
}

}  // namespace

int32_t fileError() { return errorNumber; }

int fileSystemError() { return systemError; }

std::string fileErrorReason() { return failureReason(systemError); }

std::string failureReason(int systemErrorNumber) {
    switch (systemErrorNumber) {
    case 0: return "unknown reason";
    case ENOSPC: return "no space left on the disk";
    case EDQUOT: return "disk quota reached";
    case ENAMETOOLONG: return "name too long";
    case EACCES:
    case EPERM: return "permission denied";
    case EROFS: return "read-only disk";
    case ENOENT: return "no such file or folder";
    case ENOTDIR: return "a part of the path is no folder";
    case EISDIR: return "a folder, not a file";
    case ELOOP: return "too many symbolic links";
    case EIO: return "input/output error";
    case EFBIG: return "file too large";
    case notRegularFile: return "not a regular file";
    default: return std::strerror(systemErrorNumber);
    }
}

bool fileExists(const std::string& name) {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0;
}

std::string regularFileProblem(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return failureReason(errno);
    if (S_ISREG(info.st_mode)) return {};
    return failureReason(S_ISDIR(info.st_mode) ? EISDIR : notRegularFile);
}

int32_t freeFileNumber() {
    for (int32_t number = 1; number <= maxFileNumber; ++number) {
        if (slots()[static_cast<std::size_t>(number - 1)].fd < 0) return number;
    }
    return 0;
}

void openFile(const std::string& name, int32_t number) {
    OpenFile* slot = freeSlot(number);
    if (!slot) return;
    int fd = ::open(name.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    takeDescriptor(slot, fd);
}

void openFileForReading(const std::string& name, int32_t number) {
    OpenFile* slot = freeSlot(number);
    if (!slot) return;
    // Non-blocking, so that opening a pipe returns at once; it is then refused as no regular file.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        systemError = S_ISDIR(info.st_mode) ? EISDIR : notRegularFile;
        errorNumber = fileNotOpened;
        return;
    }
    takeDescriptor(slot, fd);
}

namespace {

constexpr const char* temporaryPrefix = ".vxsave-";
constexpr time_t leftoverAgeSeconds = 60;

// A temporary file that no running save holds (each save locks its own) and that is older than
// a minute was left by a save that was killed: it is removed.
void removeLeftover(const std::string& path, time_t now) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || now - info.st_mtime < leftoverAgeSeconds) return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
    ::close(fd);
}

void removeLeftoverTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == 14 && name.rfind(temporaryPrefix, 0) == 0) removeLeftover(folder + name, now);
    }
    ::closedir(dir);
}

// Makes the temporary file beside the target; the slot's plan is already made.
void startSave(OpenFile* slot) {
    removeLeftoverTemporaries(folderOf(slot->targetPath));
    slot->tempPath = folderOf(slot->targetPath) + temporaryPrefix + "XXXXXX";
    int fd = ::mkostemp(slot->tempPath.data(), O_CLOEXEC);
    if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);  // marks it as a running save's own
    // A file the user may write in a folder the user may not: written in place rather than
    // refused. planSave has checked that the target exists and is writable.
    slot->inPlace = fd < 0 && mayWriteInPlace(*slot, errno);
    if (slot->inPlace) fd = ::open(slot->targetPath.c_str(), O_WRONLY | O_CLOEXEC);
    takeDescriptor(slot, fd);
    slot->saving = slot->fd >= 0;
    slot->writeFailed = false;
    slot->writtenEnd = 0;
}

}  // namespace

void openFileForSaving(const std::string& name, int32_t number) {
    OpenFile* slot = freeSlot(number);
    if (!slot) return;
    systemError = 0;
    if (name.empty()) systemError = ENOENT;
    if (name.empty() || !planSave(*slot, name)) {
        errorNumber = fileNotOpened;
        return;
    }
    startSave(slot);
}

void openPrivateFileForSaving(const std::string& name, int32_t number) {
    OpenFile* slot = freeSlot(number);
    if (!slot) return;
    systemError = name.empty() ? ENOENT : 0;
    if (name.empty()) {
        errorNumber = fileNotOpened;
        return;
    }
    // The name itself is the target: the rename replaces a link planted there, never its file.
    slot->targetPath = name;
    slot->mode = 0600;
    slot->keepOwner = false;
    startSave(slot);
}

bool commitSave(int32_t number) {
    OpenFile* file = openSlot(number);
    if (!file) return false;
    if (!file->saving) {
        errorNumber = fileIllegalCall;
        return false;
    }
    if (file->inPlace) return commitInPlace(*file);
    bool ok = finishTemporary(*file);
    if (::close(file->fd) != 0 && ok) {
        noteSystemError();
        ok = false;
    }
    if (ok && ::rename(file->tempPath.c_str(), file->targetPath.c_str()) != 0) {
        noteSystemError();
        ok = false;
    }
    if (!ok) ::unlink(file->tempPath.c_str());
    if (ok) syncFolderOf(file->targetPath);
    *file = OpenFile{};
    errorNumber = ok ? fileOk : fileSaveFailed;
    return ok;
}

std::size_t getBytes(int32_t number, int64_t position, void* destination, std::size_t count) {
    const OpenFile* file = openSlot(number, position);
    if (!file) return 0;
    auto* bytes = static_cast<uint8_t*>(destination);
    errorNumber = fileOk;
    if (!moveTo(*file, position)) {
        errorNumber = fileReadFailed;
        std::memset(bytes, 0, count);
        return 0;
    }
    return readFully(file->fd, bytes, count);
}

void putBytes(int32_t number, int64_t position, const void* source, std::size_t count) {
    OpenFile* file = openSlot(number, position);
    if (!file) return;
    const bool ok = moveTo(*file, position) && writeFully(file->fd, static_cast<const uint8_t*>(source), count);
    file->writeFailed = file->writeFailed || !ok;
    if (ok && file->inPlace) file->writtenEnd = std::max(file->writtenEnd, ::lseek(file->fd, 0, SEEK_CUR));
    errorNumber = ok ? fileOk : fileShortWrite;
}

void putFixedText(int32_t number, int64_t position, const std::array<char, 5>& field) {
    putBytes(number, position, field.data(), 4);
}

void getFixedText(int32_t number, int64_t position, std::array<char, 5>& field) {
    std::array<char, 4> bytes{};
    if (!openSlot(number, position)) return;
    const std::size_t got = getBytes(number, position, bytes.data(), bytes.size());
    std::memcpy(field.data(), bytes.data(), bytes.size());
    field[got] = '\0';
    field[4] = '\0';
}

std::size_t getBlock(int32_t number, int64_t position, std::array<uint8_t, readBlockBytes>& block) {
    return getBytes(number, position, block.data(), block.size());
}

void closeFile(int32_t number) {
    OpenFile* file = openSlot(number);
    if (!file) return;
    const bool ok = ::close(file->fd) == 0;
    if (file->saving && !file->inPlace) ::unlink(file->tempPath.c_str());
    *file = OpenFile{};
    errorNumber = ok ? fileOk : fileShortWrite;  // a failed close may have lost written bytes
}

bool fixedTextEquals(const std::array<char, 5>& a, const std::array<char, 5>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
        if (a[i] == '\0') return true;
    }
    return true;
}

}  // namespace vx
