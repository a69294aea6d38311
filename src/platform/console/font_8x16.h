// The vxedit 8x16 font: one glyph of 16 rows per byte value, in code page 437 order.
#pragma once

#include <cstdint>

namespace vx {

inline constexpr int glyphWidth = 8;
inline constexpr int glyphHeight = 16;

// Row 0 is the top row of the cell; bit 7 of a row is its leftmost pixel.
extern const uint8_t font8x16[256][glyphHeight];

}  // namespace vx
