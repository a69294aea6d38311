// Reads the text grid back from pixels, so a test can say "row 2 reads ...".
#pragma once

#include <cstdint>
#include <string>

namespace vx::test {

inline constexpr int textColumns = 100;
inline constexpr int textRows = 37;
inline constexpr char unknownCell = '?';

// The 100 cells of text row `row` (1-37) of what the window shows (headless::windowPixels()).
// Each 8x16 cell is matched against the font in whatever two colours it holds, the commoner
// taken as the background; a cell of one colour reads as a space, and a cell that matches no
// glyph (the picture showing through, a cursor mark) reads as unknownCell. Where glyphs are
// each other's inverse (such as 0x07 and 0x08), the one with fewer foreground pixels is read.
std::string textRow(int row);
// The same row with trailing spaces dropped.
std::string textLine(int row);
// Reads only cells drawn in exactly these colours (bits 24-31 ignored): any other cell reads as
// unknownCell, a cell all in the background colour as a space.
std::string textRowIn(int row, uint32_t foreground, uint32_t background);

// The same readings of an 800-pixel-wide surface other than the window, such as screenPixels().
std::string textRow(const uint32_t* pixels, int row);
std::string textRowIn(const uint32_t* pixels, int row, uint32_t foreground, uint32_t background);

}  // namespace vx::test
