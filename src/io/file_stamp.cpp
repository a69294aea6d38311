// File stamps: size, time of change and a hash of the content, taken after each read or write.
#include "io/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

namespace vx {
namespace {

int64_t modifiedNsOf(const struct stat& info) {
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// FNV-1a over the whole file; false when it cannot be read to the end.
bool hashFile(int fd, uint64_t& hash) {
    hash = 14695981039346656037ull;
    unsigned char block[8192];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got == 0) return true;
        if (got < 0) return false;
        for (ssize_t i = 0; i < got; ++i) hash = (hash ^ block[i]) * 1099511628211ull;
    }
}

}  // namespace

FileStamp stampOf(const std::string& name) {
    FileStamp stamp{};
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return stamp;
    struct stat info {};
    const bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && hashFile(fd, stamp.hash);
    ::close(fd);
    if (!ok) return stamp;
    stamp.name = name;
    stamp.size = static_cast<int64_t>(info.st_size);
    stamp.modifiedNs = modifiedNsOf(info);
    return stamp;
}

bool changedOnDisk(const FileStamp& stamp) {
    if (stamp.name.empty()) return false;
    struct stat info {};
    if (::stat(stamp.name.c_str(), &info) != 0) return false;  // gone: a save simply makes it again
    if (static_cast<int64_t>(info.st_size) == stamp.size && modifiedNsOf(info) == stamp.modifiedNs) return false;
    const FileStamp now = stampOf(stamp.name);
    return now.name.empty() || now.size != stamp.size || now.hash != stamp.hash;
}

std::string changeTimeOf(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return "??:??";
    std::tm local{};
    localtime_r(&info.st_mtime, &local);
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

}  // namespace vx
