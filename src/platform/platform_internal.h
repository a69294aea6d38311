// State shared by the portable platform services (display, text, input); not for the editor.
#pragma once

#include <cstdint>
#include <mutex>

namespace vx::platform {

// The display mutex: guards the FrameBuffer, the changed-row marks, the key queue and the mouse.
std::recursive_mutex& displayMutex();
// Marks pixel rows changed for the presenter; rows outside the screen are ignored.
void markRowsChanged(int firstRow, int lastRow);
int screenWidth();   // 0 while no screen is open
int screenHeight();

void resetInputState();

}  // namespace vx::platform
