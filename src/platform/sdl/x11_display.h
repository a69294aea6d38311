// The X11 side of the SDL back end: noticing that the X server or the window went away.
#pragma once

#include <SDL.h>

namespace vx::x11 {

// When SDL drives X11: a protocol error, a failed connection to the server and the window
// destroyed by another program each end the editor through windowSystemLost, which keeps its
// work, in place of Xlib's default of printing and exiting at once. Call after the window exists.
void watchForDisplayLoss(SDL_Window* window);

// Whether the connection to the X server failed: nothing may be sent to it any more.
bool connectionLost();

// Takes in a window-system event SDL passes on (SDL_SYSWMEVENT).
void onWindowSystemEvent(const SDL_SysWMEvent& event);

}  // namespace vx::x11
