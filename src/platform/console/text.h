// The text service: a grid of 100 x 37 cells of 8 x 16 pixels drawn over the display surface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// Flag bit 0 keeps the current foreground, bit 1 the current background.
void setColor(uint32_t foreground, uint32_t background, int flags = 0);
// Rows 1-37, columns 1-100; 0 leaves that coordinate as it is. Clears a pending scroll.
void locate(int row, int column, int cursorVisible = 0);
// ending 0: nothing follows; 1: a new line (carriage return and line feed) follows.
void printString(std::string_view text, int ending);
void printInteger(int32_t value, int ending);
void printSingle(float value, int ending);
std::string spaces(int count);

// Prints one whole row: clears row `row` (0: the cursor's row) to its end and prints the text
// there, one cell per byte, control codes as their glyphs. A text longer than the row is cut to
// fit keeping its end, behind rowCutMark, so a path never runs into the next row. The cursor
// moves to the start of the next row. Returns the row printed on.
int printRow(int row, std::string_view text);
inline constexpr std::string_view rowCutMark = "...";
inline constexpr int rowCells = 100;
// The text cut to at most `cells` cells keeping its end, behind rowCutMark when it is cut.
std::string keepEnd(std::string_view text, std::size_t cells);

// The texts printInteger and printSingle draw.
std::string formatInteger(int32_t value);
std::string formatSingle(float value);

}  // namespace vx

// For the line editor and the platform's reset; not for the editor.
namespace vx::platform {

void resetTextState();              // cursor at row 1, column 1; white on black; nothing pending
struct TextCell {
    int row, column;                // 1-based, on the grid between print calls
};
TextCell textCursor();
int64_t textRowsScrolled();         // rows the text area has scrolled since the screen opened
void scrollText(int rows);          // scrolls the text area up by whole rows; the cursor stays
void drawCursorMark(int row, int column);  // a line in the foreground colour along the cell's bottom

}  // namespace vx::platform
