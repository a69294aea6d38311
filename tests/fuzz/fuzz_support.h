// What both loader fuzzers share: a private temporary folder and writing an input into it.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace vx::fuzz {

// A fresh folder under TMPDIR (or /tmp); the fuzzers never write anywhere else.
inline std::string makeTempFolder(const char* prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    return pattern;
}

inline void writeInput(const std::string& path, const uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t put = 0;
    while (put < size) {
        const ssize_t n = ::write(fd, data + put, size - put);
        if (n <= 0) std::abort();
        put += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// Byte i of the input, or 0 past its end, as the loaders read it.
inline uint32_t byteAt(const uint8_t* data, std::size_t size, uint64_t i) { return i < size ? data[i] : 0u; }

inline uint32_t le32At(const uint8_t* data, std::size_t size, uint64_t i) {
    return byteAt(data, size, i) | byteAt(data, size, i + 1) << 8 | byteAt(data, size, i + 2) << 16 |
           byteAt(data, size, i + 3) << 24;
}

}  // namespace vx::fuzz
