// The file service over POSIX file descriptors: a table of 254 numbered slots.
#include "platform/console/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

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
        if (n <= 0) return false;
        put += static_cast<std::size_t>(n);
    }
    return true;
}

void takeDescriptor(OpenFile* slot, int fd) {
    if (fd < 0) {
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
    if (slot.targetPath.empty()) return false;
    struct stat existing {};
    if (::stat(slot.targetPath.c_str(), &existing) != 0) {
        slot.mode = newFileMode();
        slot.keepOwner = false;
        return errno == ENOENT;
    }
    if (!S_ISREG(existing.st_mode) || ::access(slot.targetPath.c_str(), W_OK) != 0) return false;
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
    return ::fchmod(file.fd, file.mode) == 0 && ::fsync(file.fd) == 0;
}

// The in-place save: cut to what was written, then made durable; any failure is reported.
bool commitInPlace(OpenFile& file) {
    bool ok = !file.writeFailed && ::ftruncate(file.fd, file.writtenEnd) == 0 && ::fsync(file.fd) == 0;
    ok = ::close(file.fd) == 0 && ok;
    file = OpenFile{};
    errorNumber = ok ? fileOk : fileSaveFailed;
    return ok;
}

}  // namespace

int32_t fileError() { return errorNumber; }

bool fileExists(const std::string& name) {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0;
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
    // Non-blocking, so that a pipe with no writer reads as empty instead of stalling the editor.
    takeDescriptor(slot, ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

void openFileForSaving(const std::string& name, int32_t number) {
    OpenFile* slot = freeSlot(number);
    if (!slot) return;
    if (name.empty() || !planSave(*slot, name)) {
        errorNumber = fileNotOpened;
        return;
    }
    slot->tempPath = folderOf(slot->targetPath) + ".vxsave-XXXXXX";
    int fd = ::mkostemp(slot->tempPath.data(), O_CLOEXEC);
    // A file the user may write in a folder the user may not: written in place rather than
    // refused. planSave has checked that the target exists and is writable.
    slot->inPlace = fd < 0 && slot->keepOwner;
    if (slot->inPlace) fd = ::open(slot->targetPath.c_str(), O_WRONLY | O_CLOEXEC);
    takeDescriptor(slot, fd);
    slot->saving = slot->fd >= 0;
    slot->writeFailed = false;
    slot->writtenEnd = 0;
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
    ok = ::close(file->fd) == 0 && ok;
    ok = ok && ::rename(file->tempPath.c_str(), file->targetPath.c_str()) == 0;
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
