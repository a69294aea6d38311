// The text service: a grid of 100 x 37 cells of 8 x 16 pixels drawn over the display surface.
#include "platform/text.h"

namespace vx {

void setColor(uint32_t, uint32_t, int) {}
void locate(int, int, int) {}
void printString(std::string_view, int) {}
void printInteger(int32_t, int) {}
void printSingle(float, int) {}
std::string spaces(int count) { return count > 0 ? std::string(static_cast<std::size_t>(count), ' ') : std::string(); }
std::string formatInteger(int32_t) { return {}; }
std::string formatSingle(float) { return {}; }

}  // namespace vx
