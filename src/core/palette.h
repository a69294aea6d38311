// Polygon colours: the palette a model's polygons index, and the built-in one it starts with.
#pragma once

#include <array>
#include <cstdint>

namespace vx {

inline constexpr int32_t paletteSize = 31;        // entries 1..31; colour 0 is none
inline constexpr uint16_t colourMask = 0x001F;    // bits 0-4 of PolygonFlags

// Entry 1 first; each 0x00RRGGBB, as every colour of the frame.
using Palette = std::array<uint32_t, paletteSize>;

// Light and dark of each main hue, skin tones, greys, white and black: the colours a low-poly
// model is mostly made of.
inline constexpr Palette builtinPalette = {
    0xFFFFFF, 0xC8C8C8, 0x8C8C8C, 0x505050, 0x000000,  // white, greys, black
    0xF27D7D, 0xB3261E,                                // red: light, dark
    0xF7B267, 0xC8641C,                                // orange
    0xFAE67A, 0xC9A227,                                // yellow
    0xA8E07A, 0x4E9A2E,                                // green
    0x2E6B3A,                                          // forest green
    0x7ADBD2, 0x1F8A80,                                // teal
    0x86C5F5, 0x2466B8,                                // blue
    0x1C2E5E,                                          // navy
    0xC3A0EB, 0x6A3FA0,                                // purple
    0xF5A3CF, 0xB8407E,                                // pink
    0xB8875A, 0x6B4426,                                // brown
    0xE6D3A8,                                          // sand
    0xFFDFC4, 0xE8B48F, 0xC68642, 0x8D5524, 0x4A2C1A,  // skin tones, light to dark
};

// The palette index of a polygon's flags: 0 none, 1..31 an entry.
inline constexpr int32_t colourOf(uint16_t flags) { return flags & colourMask; }
// The entry's colour; index 1..31.
inline constexpr uint32_t paletteColour(const Palette& palette, int32_t index) { return palette[index - 1]; }

}  // namespace vx
