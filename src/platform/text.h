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

// The texts printInteger and printSingle draw.
std::string formatInteger(int32_t value);
std::string formatSingle(float value);

}  // namespace vx
