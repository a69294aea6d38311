// State shared by the portable platform services (display, text, input); not for the editor.
#pragma once

#include <cstdint>
#include <mutex>

namespace vx::platform {

// The display mutex: guards the FrameBuffer, the changed-row marks, the key queue and the mouse.
std::recursive_mutex& displayMutex();
// Marks pixel rows changed for the presenter; rows outside the screen are ignored.
void markRowsChanged(int firstRow, int lastRow);
int32_t requestedWindowScale();  // 1-4, or 0: the back end picks
int screenWidth();   // 0 while no screen is open
int screenHeight();

void resetInputState();
void resetLineInput();  // empties the line-input buffer

// Text internals the line editor builds on.
void resetTextState();              // cursor at row 1, column 1; white on black; nothing pending
struct TextCell {
    int row, column;                // 1-based, on the grid between print calls
};
TextCell textCursor();
int64_t textRowsScrolled();         // rows the text area has scrolled since the screen opened
void scrollText(int rows);          // scrolls the text area up by whole rows; the cursor stays
void drawCursorMark(int row, int column);  // a line in the foreground colour along the cell's bottom

}  // namespace vx::platform
