// The display service: one 800x600 window of 32-bit pixels, its lock and its presenter.
#pragma once

#include <cstdint>
#include <string>

namespace vx {

struct ScreenInfo {
    int32_t width;
    int32_t height;
    int32_t depth;          // bits per pixel
    int32_t bytesPerPixel;
    int32_t pitch;          // bytes per row
    int32_t refreshRate;    // Hz as the system reports it, 0 when unknown
    std::string backEndName;
};

// Remembers the program's arguments; called once, first thing at start-up.
void initPlatform(int argc, const char* const* argv);

// How many window pixels each picture pixel takes along each side, 1 to 4, or 0 for the largest
// that fits the desktop comfortably; set before openScreen. The surface stays 800x600 whatever
// the scale, and the mouse reads in its pixels.
void setWindowScale(int32_t scale);
// The largest whole multiple of width x height that fits within areaWidth x areaHeight; at least 1.
int32_t fittingScale(int32_t areaWidth, int32_t areaHeight, int32_t width, int32_t height);

// Opens the window. The editor asks for mode 19 at depth 32; 0 on success, 1 otherwise.
int openScreen(int mode, int depth, int pages, int flags, int refresh);
// Why the last openScreen failed, for the one line start-up prints.
const std::string& screenOpenError();
uint32_t* screenPixels();  // top-left pixel of the FrameBuffer, null when no screen is open
ScreenInfo screenInfo();

void lockScreen();
// Marks pixel rows firstRow..lastRow changed (negative lastRow: the last row) and counts one
// lock down; the outermost unlock releases the display to the presenter.
void unlockScreen(int firstRow, int lastRow);

// Shows this UTF-8 title on the open window; nothing without one.
void setWindowTitle(const std::string& title);

// Ends the process at once with the given status; the window closes with it.
[[noreturn]] void endProgram(int status);

// The window title for an executable path: its file name without directory and last extension.
std::string windowTitleFor(const std::string& executablePath);

}  // namespace vx
