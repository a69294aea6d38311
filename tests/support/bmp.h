// A small reader and writer of uncompressed 24-bit BMP pictures, for making and checking test pictures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vx::test {

struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first, row by row

    Picture() = default;
    Picture(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    uint32_t& at(int32_t x, int32_t y) { return pixels[index(x, y)]; }
    uint32_t at(int32_t x, int32_t y) const { return pixels[index(x, y)]; }

private:
    std::size_t index(int32_t x, int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
};

// The file bytes: a 54-byte header (BITMAPINFOHEADER, 24 bits, no compression) and rows padded
// to 4 bytes, bottom row first, or top row first with a negative height when topDown is set.
std::vector<uint8_t> encodeBmp(const Picture& picture, bool topDown = false);
// Nothing for anything but a whole uncompressed 24-bit picture.
std::optional<Picture> decodeBmp(const std::vector<uint8_t>& bytes);

bool writeBmp(const std::string& path, const Picture& picture, bool topDown = false);
std::optional<Picture> readBmp(const std::string& path);

}  // namespace vx::test
