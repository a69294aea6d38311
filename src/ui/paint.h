// Painting in Polys mode: the current colour, the strip of swatches that chooses it, and the
// pointer's paint.
#pragma once

#include <cstdint>

#include "core/editor_state.h"

namespace vx {

// Row 5 of the text grid: "colour NN", the current colour's swatch, then the strip of the 32
// colours, each swatch two cells wide, colour 0 first.
inline constexpr int paintRow = 5;
inline constexpr int currentSwatchColumn = 11;
inline constexpr int stripColumn = 15;
inline constexpr int swatchCells = 2;
inline constexpr int32_t stripColours = paletteSize + 1;

// What a swatch shows: the palette entry, or grey for colour 0 (none).
uint32_t swatchColour(const Palette& palette, int32_t colour);

// The colour of the strip's swatch at pixel (x, y), or -1 where there is none.
int32_t swatchAt(int32_t x, int32_t y);

// A left click on a swatch in Polys mode chooses its colour, as a click on a tab chooses a mode:
// the button then counts as up until it is let go. False for any other pass.
bool takeSwatchClick(EditorState& state);

// A Shift + left press in Polys mode, and its release: a press released where it went down paints
// the polygon under the pointer. True while the pass belongs to such a press, which then makes
// no polygon.
bool paintWithPointer(EditorState& state);

}  // namespace vx
