// Face colours between the exchange formats and the palette: sRGB and linear light, and the
// palette an import takes from the colours its file paints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/palette.h"
#include "io/exchange/exchange_mesh.h"

namespace vx {

// One channel of 0..255 as light (0..1), and back, rounded to the nearest: the two invert each
// other exactly for every byte, so an 8-bit colour survives a linear file such as glTF.
double linearOfSrgb(uint32_t channel);
uint32_t srgbOfLinear(double light);

// The first entry (1..31) that is this colour, or 0.
int32_t firstEntryOf(const Palette& palette, uint32_t rgb);

// The palette an imported model takes and each face's colour (0..31), from the colours the file
// paints: the palette the file names (or the built-in one) when it holds every colour, else the
// colours themselves, in the order they first appear, the built-in entries after them; past 31
// colours the 31 most used, each other colour taking the one nearest to it.
struct ColourChoice {
    Palette palette = builtinPalette;
    std::vector<uint16_t> colourOfFace;  // one per mesh face
    std::size_t mergedColours = 0;       // distinct colours that took another's entry
};
ColourChoice chooseColours(const ExchangeMesh& mesh);

}  // namespace vx
