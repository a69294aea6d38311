// The X11 side of the SDL back end: noticing that the X server or the window went away.
#include "platform/sdl/x11_display.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/console/input.h"
#include "platform/seam/backend.h"
#include "platform/seam/input_feed.h"
#include "platform/seam/presenter.h"

namespace vx::x11 {
namespace {

::Window editorWindow = 0;      // the X window under the editor's SDL window
std::thread::id presenter;      // the thread that made the window and pumps its events
std::atomic<bool> lost{false};  // the connection to the server failed
std::atomic<bool> failed{false};  // a protocol error came; errorReason names the first
char errorReason[192] = {};

// Xlib calls this on the thread that read the error: the presenter, or the editor's own thread
// while it wakes the presenter. Returning lets both go on until the editor ends at its next poll.
int onProtocolError(Display* display, XErrorEvent* error) {
    if (failed.exchange(true)) return 0;
    char name[128] = {};
    XGetErrorText(display, error->error_code, name, sizeof name);
    std::snprintf(errorReason, sizeof errorReason, "the window system failed (X error %s)", name);
    windowSystemLost(errorReason);
    return 0;
}

constexpr const char* connectionLostReason = "the connection to the X display was lost";

// Xlib exits the program if this returns. The presenter stops here for good, and the editor's
// own thread keeps its work and ends the program. That thread reaches the server too, when it
// wakes the presenter (between drawing steps, never in the middle of a change to the model): it
// then ends the editor from here, and wakes no more, so it meets the dead connection only once.
int onConnectionLost(Display*) {
    lost = true;
    windowSystemLost(connectionLostReason);
    if (std::this_thread::get_id() == presenter) parkPresenter();
    takeStopRequest();
    std::fprintf(stderr, "vxedit: %s\n", connectionLostReason);  // before the editor could keep anything
    backend::exitProcess(1);
}

}  // namespace

void watchForDisplayLoss(SDL_Window* window) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return;
    presenter = std::this_thread::get_id();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) editorWindow = info.info.x11.window;
    XSetErrorHandler(onProtocolError);
    XSetIOErrorHandler(onConnectionLost);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool connectionLost() { return lost.load(); }

void onWindowSystemEvent(const SDL_SysWMEvent& event) {
    if (!event.msg || event.msg->subsystem != SDL_SYSWM_X11) return;
    const XEvent& x = event.msg->msg.x11.event;
    if (x.type == DestroyNotify && editorWindow && x.xdestroywindow.window == editorWindow)
        windowSystemLost("the window was destroyed by another program");
}

}  // namespace vx::x11
