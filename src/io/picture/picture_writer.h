// Encoding a rendered frame (0x00RRGGBB pixels, rows top to bottom) as a PNG or BMP file.
#pragma once

#include <cstdint>
#include <string>

namespace vx {

std::string encodePng(const uint32_t* pixels, int32_t width, int32_t height);
std::string encodeBmp(const uint32_t* pixels, int32_t width, int32_t height);  // 24-bit, uncompressed

}  // namespace vx
