// Little- and big-endian fields in byte arrays, for reading and writing files field by field.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace vx {

inline void putLe16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFFu);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void putLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFFu);
}

inline void putBe16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value & 0xFFu);
}

inline uint16_t getLe16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

inline uint32_t getLe32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
           (static_cast<uint32_t>(at[3]) << 24);
}

inline uint16_t getBe16(const uint8_t* at) { return static_cast<uint16_t>((at[0] << 8) | at[1]); }

// Two's complement reading of a 32-bit field (well defined since C++20).
inline int32_t getLe32Signed(const uint8_t* at) { return static_cast<int32_t>(getLe32(at)); }

// Appending fields to a file being built in memory.
inline void appendLe16(std::string& out, uint16_t value) {
    uint8_t bytes[2];
    putLe16(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

inline void appendLe32(std::string& out, uint32_t value) {
    uint8_t bytes[4];
    putLe32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

inline void appendFloat(std::string& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    appendLe32(out, bits);
}

inline void appendDouble(std::string& out, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    appendLe32(out, static_cast<uint32_t>(bits & 0xFFFFFFFFu));
    appendLe32(out, static_cast<uint32_t>(bits >> 32));
}

}  // namespace vx
