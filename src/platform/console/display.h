// The display service: one 800x600 window of 32-bit pixels, its lock, and the rows it marks changed.
#pragma once

#include <cstdint>
#include <mutex>
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

// For the other console services and the seam; not for the editor.
namespace vx::platform {

// The display mutex: guards the FrameBuffer, the changed-row marks, the key queue and the mouse.
std::recursive_mutex& displayMutex();
// Marks pixel rows changed for the presenter; rows outside the screen are ignored.
void markRowsChanged(int firstRow, int lastRow);
int32_t requestedWindowScale();  // 1-4, or 0: the back end picks
int screenWidth();   // 0 while no screen is open
int screenHeight();

// The FrameBuffer as the presenter copies it, from the moment openScreen made it (lock held).
const uint32_t* frameBuffer();
// The first and last rows marked changed; false when none is (lock held).
bool changedBand(int& firstRow, int& lastRow);
void unmarkRows();  // once the band is shown (lock held)

// Closes the screen and forgets the scale asked for; lets go of a lock the editor's thread held.
void resetDisplayState();

}  // namespace vx::platform
