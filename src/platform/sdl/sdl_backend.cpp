// The SDL back end: the window lives on the presenter thread, which also pumps its events.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "platform/console/cp437.h"
#include "platform/console/display.h"
#include "platform/console/input.h"
#include "platform/sdl/x11_display.h"
#include "platform/seam/backend.h"
#include "platform/seam/input_feed.h"
#include "platform/seam/presenter.h"

namespace vx {
namespace {

// The presenter sleeps in SDL's event wait, which wakes on a window event or on the event that
// wakePresenter pushes. The timeout only bounds the harm of a wake that went astray.
constexpr int presenterSafetyWakeMs = 1000;

struct Window {
    SDL_Window* window = nullptr;
    SDL_Surface* surface = nullptr;
    int width = 0, height = 0;     // the editor's surface size
    int scale = 1;                 // window pixels per picture pixel along each side
    int originX = 0, originY = 0;  // where the scaled picture sits in the window (full screen)
    bool directCopy = true;        // the window surface is 0x00RRGGBB with 32-bit pixels
    std::vector<uint32_t> scaled;  // a scaled band on its way to a surface of another format
    SDL_AudioDeviceID audio = 0;
    Uint32 wakeEvent = 0;                  // the event type wakePresenter pushes
    std::atomic<bool> wakePending{false};  // a wake event is queued and not yet taken in
    std::string pendingTitle;              // set under the display lock, shown by the presenter
    bool titlePending = false;
};

Window& win() {
    static Window instance;
    return instance;
}

// Fetches the window surface anew (its size changes with full screen) and blanks it. The
// picture is shown at the largest whole multiple that fits, centred: in a window that is the
// window's own scale, in full screen the largest the screen takes.
bool attachSurface() {
    Window& w = win();
    w.surface = SDL_GetWindowSurface(w.window);
    if (!w.surface) return false;
    const Uint32 format = w.surface->format->format;
    w.directCopy = format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
    w.scale = fittingScale(w.surface->w, w.surface->h, w.width, w.height);
    w.originX = (w.surface->w - w.width * w.scale) / 2;
    w.originY = (w.surface->h - w.height * w.scale) / 2;
    SDL_FillRect(w.surface, nullptr, 0);
    return true;
}

// Rows of width pixels become rows of scale x scale blocks, rows pitch bytes apart.
void scaleRows(const uint32_t* source, int width, int rows, int scale, uint8_t* target, std::ptrdiff_t pitch) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(scale) * 4;
    for (int row = 0; row < rows; ++row) {
        uint8_t* first = target + static_cast<std::ptrdiff_t>(row) * scale * pitch;
        const uint32_t* from = source + static_cast<std::ptrdiff_t>(row) * width;
        if (scale == 1) {
            std::memcpy(first, from, rowBytes);
            continue;
        }
        auto* line = reinterpret_cast<uint32_t*>(first);
        for (int x = 0; x < width; ++x) std::fill_n(line + x * scale, scale, from[x]);
        for (int copy = 1; copy < scale; ++copy) std::memcpy(first + copy * pitch, first, rowBytes);
    }
}

void copyBand(const uint32_t* frame, int firstRow, int lastRow) {
    Window& w = win();
    if (!w.surface || w.originX < 0 || w.originY < 0) return;
    const int rows = lastRow - firstRow + 1;
    const int scale = w.scale;
    auto* target = static_cast<uint8_t*>(w.surface->pixels) +
                   static_cast<std::ptrdiff_t>(w.originY + firstRow * scale) * w.surface->pitch + w.originX * 4;
    const uint32_t* source = frame + static_cast<std::ptrdiff_t>(firstRow) * w.width;
    if (w.directCopy) {
        scaleRows(source, w.width, rows, scale, target, w.surface->pitch);
    } else {
        const int pitch = w.width * scale * 4;
        w.scaled.resize(static_cast<std::size_t>(w.width * scale) * static_cast<std::size_t>(rows * scale));
        scaleRows(source, w.width, rows, scale, reinterpret_cast<uint8_t*>(w.scaled.data()), pitch);
        SDL_ConvertPixels(w.width * scale, rows * scale, SDL_PIXELFORMAT_RGB888, w.scaled.data(), pitch,
                          w.surface->format->format, target, w.surface->pitch);
    }
    const SDL_Rect band{w.originX, w.originY + firstRow * scale, w.width * scale, rows * scale};
    SDL_UpdateWindowSurfaceRects(w.window, &band, 1);
}

void repaintAll() {
    if (!attachSurface()) return;
    if (const uint32_t* frame = screenPixels()) copyBand(frame, 0, win().height - 1);
    SDL_UpdateWindowSurface(win().window);
}

void toggleFullScreen() {
    Window& w = win();
    const bool full = SDL_GetWindowFlags(w.window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(w.window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    repaintAll();
}

// Extended codes of a cursor or function key, plain, with Shift and with Ctrl; 0 means none.
struct ExtendedCodes {
    SDL_Keycode key;
    int plain, shift, ctrl;
};

constexpr ExtendedCodes extendedCodes[] = {
    {SDLK_HOME, 71, 71, 119},   {SDLK_UP, 72, 72, 141},     {SDLK_PAGEUP, 73, 73, 132},
    {SDLK_LEFT, 75, 75, 115},   {SDLK_RIGHT, 77, 77, 116},  {SDLK_END, 79, 79, 117},
    {SDLK_DOWN, 80, 80, 145},   {SDLK_PAGEDOWN, 81, 81, 118}, {SDLK_INSERT, 82, 82, 146},
    {SDLK_DELETE, 83, 83, 147}, {SDLK_F1, 59, 84, 94},      {SDLK_F2, 60, 85, 95},
    {SDLK_F3, 61, 86, 96},      {SDLK_F4, 62, 87, 97},      {SDLK_F5, 63, 88, 98},
    {SDLK_F6, 64, 89, 99},      {SDLK_F7, 65, 90, 100},     {SDLK_F8, 66, 91, 101},
    {SDLK_F9, 67, 92, 102},     {SDLK_F11, 133, 135, 137},  {SDLK_F12, 134, 136, 138},
    {SDLK_TAB, 0, 15, 148},
};

// The keypad acts as cursor keys while Num Lock is off.
SDL_Keycode keypadAsCursor(SDL_Keycode key, Uint16 mod) {
    if (mod & KMOD_NUM) return key;
    switch (key) {
        case SDLK_KP_7: return SDLK_HOME;
        case SDLK_KP_8: return SDLK_UP;
        case SDLK_KP_9: return SDLK_PAGEUP;
        case SDLK_KP_4: return SDLK_LEFT;
        case SDLK_KP_6: return SDLK_RIGHT;
        case SDLK_KP_1: return SDLK_END;
        case SDLK_KP_2: return SDLK_DOWN;
        case SDLK_KP_3: return SDLK_PAGEDOWN;
        case SDLK_KP_0: return SDLK_INSERT;
        case SDLK_KP_PERIOD: return SDLK_DELETE;
        default: return key;
    }
}

// The code a key press enters, or -1. Printable characters come from text events instead,
// so that every key enters exactly once.
int32_t keyDownCode(SDL_Keycode key, Uint16 mod) {
    const bool ctrl = mod & KMOD_CTRL;
    const bool shift = mod & KMOD_SHIFT;
    key = keypadAsCursor(key, mod);
    for (const ExtendedCodes& codes : extendedCodes) {
        if (codes.key != key) continue;
        const int code = ctrl ? codes.ctrl : shift ? codes.shift : codes.plain;
        if (code) return extendedKey(code);
    }
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return ctrl ? 10 : 13;
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_ESCAPE: return 27;
        default: break;
    }
    if (ctrl && shift && key == SDLK_z) return ctrlShiftZ;  // redo; Ctrl+Z alone is 26
    if (ctrl && key >= SDLK_a && key <= SDLK_z) return key - SDLK_a + 1;
    return -1;
}

int32_t modifierMask(Uint16 mod) {
    return (mod & KMOD_SHIFT ? shiftModifier : 0) | (mod & KMOD_CTRL ? ctrlModifier : 0);
}

// A key event carries the modifiers as they stand after it, so Shift's own press counts.
void onKeyDown(const SDL_KeyboardEvent& event) {
    const Uint16 mod = event.keysym.mod;
    inputFeed::modifiersChanged(modifierMask(mod));
    if (mod & KMOD_ALT) {
        if (event.keysym.sym == SDLK_RETURN && !event.repeat) toggleFullScreen();
        return;  // keys pressed with Alt held enter nothing
    }
    if (event.keysym.sym == SDLK_F10) return;
    const int32_t code = keyDownCode(event.keysym.sym, mod);
    if (code >= 0) inputFeed::enterKey(code);
}

void onText(const SDL_TextInputEvent& event) {
    if (SDL_GetModState() & KMOD_LALT) return;
    std::size_t position = 0;
    char32_t codePoint = 0;
    while (nextCodePoint(event.text, position, codePoint)) {
        const int32_t code = cp437FromUnicode(codePoint);
        if (code >= 32) inputFeed::enterKey(code);
    }
}

// Rounds towards minus infinity, so the pixels just left of or above the picture stay off it.
int pictureCoordinate(int windowCoordinate, int origin, int scale) {
    const int offset = windowCoordinate - origin;
    return offset >= 0 ? offset / scale : -((-offset + scale - 1) / scale);
}

void onPointer(int x, int y) {
    const Window& w = win();
    x = pictureCoordinate(x, w.originX, w.scale);
    y = pictureCoordinate(y, w.originY, w.scale);
    inputFeed::pointerMoved(x, y);
    inputFeed::pointerInside(x >= 0 && y >= 0 && x < w.width && y < w.height);
}

int32_t buttonBit(Uint8 button) {
    switch (button) {
        case SDL_BUTTON_LEFT: return 1;
        case SDL_BUTTON_RIGHT: return 2;
        case SDL_BUTTON_MIDDLE: return 4;
        case SDL_BUTTON_X1: return 8;
        case SDL_BUTTON_X2: return 16;
        default: return 0;
    }
}

void onButton(const SDL_MouseButtonEvent& event) {
    onPointer(event.x, event.y);
    if (event.type == SDL_MOUSEBUTTONDOWN) inputFeed::buttonDown(buttonBit(event.button));
    else inputFeed::buttonUp(buttonBit(event.button));
}

void onWheel(const SDL_MouseWheelEvent& event) {
    int y = event.y;
    if (event.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
    if (y != 0) inputFeed::wheelMoved(y > 0 ? 1 : -1);
}

void onWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE: inputFeed::closeRequested(); break;
        case SDL_WINDOWEVENT_ENTER: inputFeed::pointerInside(true); break;
        case SDL_WINDOWEVENT_LEAVE: inputFeed::pointerInside(false); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            inputFeed::modifiersChanged(modifierMask(static_cast<Uint16>(SDL_GetModState())));
            inputFeed::windowActive(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            inputFeed::windowActive(false);
            inputFeed::releaseAllButtons();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: repaintAll(); break;
        default: break;
    }
}

// With SDL's own signal handlers and its quit on the last window's close both off, a quit
// comes from the session ending, or on Wayland from the compositor ending, which takes the
// window with it. Either way the editor ends itself, keeping its work.
void onQuit() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "wayland") == 0) windowSystemLost("the Wayland compositor ended");
    else inputFeed::closeRequested();
}

void onEvent(const SDL_Event& event) {
    if (event.type == win().wakeEvent) {
        win().wakePending.store(false);
        return;
    }
    switch (event.type) {
        case SDL_KEYDOWN: onKeyDown(event.key); break;
        case SDL_KEYUP: inputFeed::modifiersChanged(modifierMask(event.key.keysym.mod)); break;
        case SDL_TEXTINPUT: onText(event.text); break;
        case SDL_MOUSEMOTION: onPointer(event.motion.x, event.motion.y); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: onButton(event.button); break;
        case SDL_MOUSEWHEEL: onWheel(event.wheel); break;
        case SDL_WINDOWEVENT: onWindowEvent(event.window); break;
        case SDL_QUIT: onQuit(); break;
        case SDL_SYSWMEVENT: x11::onWindowSystemEvent(event.syswm); break;
        default: break;
    }
}

// Starts a video driver that shows a real window. Left to itself SDL falls back to an
// invisible off-screen driver when no display answers, and the editor would run unseen.
bool initVideo(std::string& whyNot) {
    if (std::getenv("SDL_VIDEODRIVER")) {
        if (SDL_Init(SDL_INIT_VIDEO) == 0) return true;
        whyNot = SDL_GetError();
        return false;
    }
    const struct {
        const char* driver;
        const char* environment;
    } candidates[] = {{"x11", "DISPLAY"}, {"wayland", "WAYLAND_DISPLAY"}};
    whyNot = "no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    for (const auto& candidate : candidates) {
        if (!std::getenv(candidate.environment)) continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, candidate.driver);
        if (SDL_Init(SDL_INIT_VIDEO) == 0) return true;
        whyNot = std::string(candidate.environment) + "=" + std::getenv(candidate.environment) + ": " + SDL_GetError();
    }
    return false;
}

// The scale asked for, or the largest whose window takes at most four fifths of each side of the
// first display's usable area (the desktop less its panels).
int windowScale(int width, int height) {
    if (const int asked = platform::requestedWindowScale(); asked > 0) return asked;
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
    return fittingScale(usable.w * 4 / 5, usable.h * 4 / 5, width, height);
}

bool createWindow(int width, int height, const std::string& title, std::string& whyNot) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // the editor's own handlers keep a recovery copy
    // X11 takes window titles in the character type of the C locale, where the UTF-8 of a name
    // (and of the dash in every title) would leave the title unchanged.
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "");
    if (!initVideo(whyNot)) return false;
    Window& w = win();
    w.width = width;
    w.height = height;
    const int scale = windowScale(width, height);
    w.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width * scale,
                                height * scale, 0);
    if (!w.window || !attachSurface()) {
        whyNot = SDL_GetError();
        return false;
    }
    SDL_UpdateWindowSurface(w.window);
    x11::watchForDisplayLoss(w.window);
    SDL_StartTextInput();
    w.wakeEvent = SDL_RegisterEvents(1);
    return w.wakeEvent != static_cast<Uint32>(-1);
}

// The presenter thread: SDL wants its events pumped on the thread that made the window.
void presenterThread(int width, int height, std::string title, std::promise<std::string> opened) {
    std::string whyNot;
    if (!createWindow(width, height, title, whyNot)) {
        opened.set_value(whyNot.empty() ? "the window could not be created" : whyNot);
        return;
    }
    opened.set_value({});
    for (;;) {
        presenterCycle();
        SDL_WaitEventTimeout(nullptr, presenterSafetyWakeMs);  // leaves the event for the cycle
    }
}

}  // namespace

namespace backend {

bool openWindow(int width, int height, const std::string& title, std::string& whyNot) {
    std::promise<std::string> opened;
    std::future<std::string> result = opened.get_future();
    std::thread(presenterThread, width, height, title, std::move(opened)).detach();
    whyNot = result.get();
    return whyNot.empty();
}

const char* name() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver ? driver : "";
}

int refreshRate() {
    SDL_DisplayMode mode{};
    if (!win().window || SDL_GetWindowDisplayMode(win().window, &mode) != 0) return 0;
    return mode.refresh_rate;
}

void presentRows(const uint32_t* frame, int, int firstRow, int lastRow) { copyBand(frame, firstRow, lastRow); }

// The window is the presenter thread's: the editor's thread only leaves the title for it.
void setWindowTitle(const std::string& title) {
    Window& w = win();
    w.pendingTitle = title;
    w.titlePending = true;
    wakePresenter();
}

void takeEvents() {
    Window& w = win();
    if (w.titlePending && w.window) SDL_SetWindowTitle(w.window, w.pendingTitle.c_str());
    w.titlePending = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) onEvent(event);
}

// The flag keeps a burst of marks (one per text row printed) to one queued event.
// Once the X connection has failed, a wake would only meet it again.
void wakePresenter() {
    Window& w = win();
    if (!w.wakeEvent || x11::connectionLost() || w.wakePending.exchange(true)) return;
    SDL_Event event{};
    event.type = w.wakeEvent;
    if (SDL_PushEvent(&event) != 1) w.wakePending.store(false);
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int64_t clockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A desktop window has a keyboard; SDL takes text in all the time.
void lineEntry(bool) {}

void beep() {
    Window& w = win();
    if (!w.audio) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
        SDL_AudioSpec want{};
        want.freq = 22050;
        want.format = AUDIO_U8;
        want.channels = 1;
        want.samples = 512;
        w.audio = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (!w.audio) return;
        SDL_PauseAudioDevice(w.audio, 0);
    }
    std::vector<Uint8> tone(22050 / 8);  // an eighth of a second at 880 Hz
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 12) % 2 ? 160 : 96;
    SDL_QueueAudio(w.audio, tone.data(), static_cast<Uint32>(tone.size()));
}

void exitProcess(int status) {
    std::fflush(nullptr);
    std::_Exit(status);  // the presenter thread and the window end with the process
}

}  // namespace backend
}  // namespace vx
