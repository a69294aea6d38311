// The palette entry nearest to a colour, as the eye judges nearness: in CIE Lab.
#pragma once

#include <array>
#include <cstdint>

#include "core/palette.h"

namespace vx {

// CIE L*a*b* of a colour 0x00RRGGBB taken as sRGB, under the D65 white.
std::array<double, 3> labOf(uint32_t rgb);

// The index 1..31 of the entry nearest to the colour in Lab (Euclidean); the lowest index of
// equally near ones.
int32_t nearestPaletteEntry(const Palette& palette, uint32_t rgb);

}  // namespace vx
