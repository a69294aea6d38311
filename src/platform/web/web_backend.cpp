// The browser back end: the page's canvas is the window, DOM events are its messages, and every
// sleep hands the browser its turn (the program is built to suspend while it sleeps) and lasts
// until its time is up or a DOM event arrives, so an idle page costs next to nothing.
#include "platform/web/web_backend.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/console/cp437.h"
#include "platform/console/input.h"
#include "platform/seam/backend.h"
#include "platform/seam/input_feed.h"
#include "platform/seam/presenter.h"

namespace vx {
namespace {

constexpr const char* canvasSelector = "#screen";

// A DOM event as the presenter takes it in. The browser runs its handlers only while the
// editor sleeps; they queue here so that input still reaches the editor through takeEvents.
struct NativeEvent {
    enum class Kind : uint8_t { key, pointer, buttonDown, buttonUp, wheel, leave, focus, blur, modifiers } kind;
    int32_t a = 0, b = 0, c = 0;  // key code; or x, y and button bit; or wheel step
    int32_t modifiers = -1;       // Shift and Ctrl as the event found them; -1 when it does not say
};

struct Page {
    int width = 0, height = 0;
    std::vector<NativeEvent> events;
    uint64_t taken = 0;          // events taken in so far
    uint64_t takenAtPoll = 0;    // ... by the time of the editor's last poll from an idle wait
    std::vector<uint32_t> rgba;  // the band being presented, as the canvas takes its bytes
    bool presented = false;
};

Page& page() {
    static Page instance;
    return instance;
}

// clang-format off
// Suspends the editor until ms have passed or wakeEditor is called; 1 when woken early. The page
// calls Module.vxWake too, after queueing a request for its buttons. The editor may end while it
// runs on from here, which the browser must not report as an error of the page.
EM_JS(int, waitForWake, (int ms), {
    return Asyncify.handleSleep((wakeUp) => {
        const wake = (early) => {
            clearTimeout(timer);
            Module.vxWake = null;
            try {
                wakeUp(early);
            } catch (error) {
                if (!(error instanceof ExitStatus)) throw error;
            }
        };
        const timer = setTimeout(() => wake(0), ms);
        // Called from inside an event's handler, which may be running the editor's code: the
        // editor resumes once that has returned.
        Module.vxWake = () => {
            Module.vxWake = null;
            clearTimeout(timer);
            queueMicrotask(() => wake(1));
        };
    });
});

EM_JS(void, wakeEditor, (), {
    if (Module.vxWake) Module.vxWake();
});

EM_JS(int, setUpCanvas, (int width, int height), {
    const canvas = document.getElementById("screen");
    if (!canvas) return 0;
    canvas.width = width;
    canvas.height = height;
    Module.vxContext = canvas.getContext("2d", {alpha: false});
    return Module.vxContext ? 1 : 0;
});

EM_JS(void, putRows, (const uint8_t* rgba, int width, int firstRow, int rows), {
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * rows * 4);
    Module.vxContext.putImageData(new ImageData(bytes, width, rows), 0, firstRow);
});

// The mouse event being handled, as the browser gives it: its place in fractions of a CSS
// pixel, which the event handed to the editor's handlers cuts to whole ones. A CSS pixel is more
// than two editor pixels on a phone, and a touch would land that far from the finger: the page's
// touch handling, whose mouse events the browser cuts to whole pixels too, adds the finger's
// place as vxPlace.
EM_JS(void, watchPointerPlace, (), {
    const note = (event) => {
        const place = event.vxPlace || {x: event.clientX, y: event.clientY};
        Module.vxPointerPlace = {event, x: place.x, y: place.y};
    };
    for (const type of ["mousedown", "mousemove", "mouseup"]) window.addEventListener(type, note, true);
});

// Editor pixels under a point of the page, through the canvas's present size and place; the
// point as the browser gave it when it is the event being handled.
EM_JS(void, pagePointToPixel, (double clientX, double clientY, int width, int height, int* pixel), {
    const place = Module.vxPointerPlace;
    if (place && window.event === place.event) {
        clientX = place.x;
        clientY = place.y;
    }
    const rect = document.getElementById("screen").getBoundingClientRect();
    const x = rect.width > 0 ? Math.floor((clientX - rect.left) * width / rect.width) : -1;
    const y = rect.height > 0 ? Math.floor((clientY - rect.top) * height / rect.height) : -1;
    HEAP32[pixel >> 2] = x;
    HEAP32[(pixel >> 2) + 1] = y;
});

EM_JS(void, tellPage, (const char* what, int value), {
    const hook = Module["vx" + UTF8ToString(what)];
    try {
        if (hook) hook(value);
    } catch (error) {
        console.error(error);  // the page's trouble must not stop the editor
    }
});

EM_JS(void, setPageTitle, (const char* title), { document.title = UTF8ToString(title); });

// Counts that let a script tell when its input has been answered: events queued and taken in,
// presenter cycles, and idle waits, each of which begins once the editor has acted on all it had
// taken in and shown the result. vxIdle holds while such a wait lasts.
EM_JS(void, countQueued, (), { Module.vxQueued = (Module.vxQueued || 0) + 1; });
EM_JS(void, countCycle, (), {
    Module.vxCycles = (Module.vxCycles || 0) + 1;
    Module.vxTaken = Module.vxQueued || 0;
});
EM_JS(void, markIdle, (int idle), {
    if (idle) Module.vxIdleWaits = (Module.vxIdleWaits || 0) + 1;
    Module.vxIdle = idle !== 0 ? {taken: Module.vxTaken || 0} : null;
});

EM_JS(void, playBeep, (), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    Module.vxAudio = Module.vxAudio || new Context();
    const oscillator = Module.vxAudio.createOscillator();
    oscillator.frequency.value = 880;
    oscillator.connect(Module.vxAudio.destination);
    oscillator.start();
    oscillator.stop(Module.vxAudio.currentTime + 0.125);
});
// clang-format on

void queue(NativeEvent event) {
    page().events.push_back(event);
    countQueued();
    wakeEditor();
}

// Extended codes of a cursor or function key, plain, with Shift and with Ctrl; 0 means none.
struct ExtendedCodes {
    std::string_view key;  // the DOM key name
    int plain, shift, ctrl;
};

constexpr ExtendedCodes extendedCodes[] = {
    {"Home", 71, 71, 119},       {"ArrowUp", 72, 72, 141}, {"PageUp", 73, 73, 132},    {"ArrowLeft", 75, 75, 115},
    {"ArrowRight", 77, 77, 116}, {"End", 79, 79, 117},     {"ArrowDown", 80, 80, 145}, {"PageDown", 81, 81, 118},
    {"Insert", 82, 82, 146},     {"Delete", 83, 83, 147},  {"F1", 59, 84, 94},         {"F2", 60, 85, 95},
    {"F3", 61, 86, 96},          {"F4", 62, 87, 97},       {"F6", 64, 89, 99},         {"F7", 65, 90, 100},
    {"F8", 66, 91, 101},         {"F9", 67, 92, 102},
};

// Keys the browser keeps: reload (F5, Ctrl+R), full screen (F11), its tools (F12), Tab, which
// moves the focus between the picture and the panel, and closing, opening and addressing tabs
// and windows (Ctrl+W, T, N, L). The editor binds none of them, and a page that swallowed them
// would trap its user.
bool browserKey(std::string_view key, bool ctrl) {
    if (key == "F5" || key == "F11" || key == "F12" || key == "Tab") return true;
    if (!ctrl || key.size() != 1) return false;
    const char letter = static_cast<char>(key[0] | 0x20);
    return letter == 'r' || letter == 'w' || letter == 't' || letter == 'n' || letter == 'l';
}

// The single code page 437 character a printable key gives, or -1.
int32_t characterCode(std::string_view key) {
    std::size_t position = 0;
    char32_t codePoint = 0;
    if (!nextCodePoint(key, position, codePoint) || position != key.size()) return -1;
    const int32_t code = cp437FromUnicode(codePoint);
    return code >= 32 ? code : -1;
}

// The code a key press enters, or -1 for a key that enters nothing.
int32_t keyDownCode(std::string_view key, bool ctrl, bool shift) {
    for (const ExtendedCodes& codes : extendedCodes) {
        if (codes.key != key) continue;
        const int code = ctrl ? codes.ctrl : shift ? codes.shift : codes.plain;
        if (code) return extendedKey(code);
    }
    if (key == "Enter") return ctrl ? 10 : 13;
    if (key == "Backspace") return 8;
    if (key == "Escape") return 27;
    if (ctrl && shift && (key == "z" || key == "Z")) return ctrlShiftZ;
    if (ctrl) {
        if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') return key[0] - 'a' + 1;
        if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') return key[0] - 'A' + 1;
        return -1;  // Ctrl with other characters zooms the page
    }
    return characterCode(key);
}

int32_t modifierMask(bool shift, bool ctrl) { return (shift ? shiftModifier : 0) | (ctrl ? ctrlModifier : 0); }

// A character key whose character has no code page 437 form: the page says so, as a key that
// entered nothing would otherwise look like a lost one.
bool refusedCharacter(std::string_view key) {
    std::size_t position = 0;
    char32_t codePoint = 0;
    if (!nextCodePoint(key, position, codePoint) || position != key.size() || codePoint < 32) return false;
    tellPage("Refused", static_cast<int>(codePoint));
    return true;
}

// Returning true keeps the key from the browser, so its own shortcuts (Ctrl+Z, arrows,
// Backspace) act only in the editor.
EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    const std::string_view key(event->key, strnlen(event->key, sizeof event->key));
    queue({NativeEvent::Kind::modifiers, 0, 0, 0, modifierMask(event->shiftKey, event->ctrlKey)});
    // Some systems report AltGr as Ctrl+Alt; the character it gives enters as typed.
    if (event->altKey && event->ctrlKey && characterCode(key) >= 0) {
        queue({NativeEvent::Kind::key, characterCode(key)});
        return true;
    }
    if (event->altKey || event->metaKey || key == "F10") return false;  // nothing enters
    if (browserKey(key, event->ctrlKey)) return false;
    const int32_t code = keyDownCode(key, event->ctrlKey, event->shiftKey);
    if (code < 0 && !event->ctrlKey && refusedCharacter(key)) return true;
    if (code < 0) return false;
    queue({NativeEvent::Kind::key, code});
    return true;
}

// A key let go enters nothing; Shift or Ctrl let go is noted.
EM_BOOL onKeyUp(int, const EmscriptenKeyboardEvent* event, void*) {
    queue({NativeEvent::Kind::modifiers, 0, 0, 0, modifierMask(event->shiftKey, event->ctrlKey)});
    return false;
}

int32_t buttonBit(unsigned short button) {
    switch (button) {
        case 0:
            return 1;  // left
        case 2:
            return 2;  // right
        case 1:
            return 4;  // middle
        case 3:
            return 8;  // back
        case 4:
            return 16;  // forward
        default:
            return 0;
    }
}

NativeEvent pointerEvent(NativeEvent::Kind kind, const EmscriptenMouseEvent& event) {
    int pixel[2] = {-1, -1};
    pagePointToPixel(static_cast<double>(event.clientX), static_cast<double>(event.clientY), page().width,
                     page().height, pixel);
    return {kind, pixel[0], pixel[1], buttonBit(event.button), modifierMask(event.shiftKey, event.ctrlKey)};
}

// Presses count only on the canvas; moves and releases are watched over the whole document, so
// that a drag leaving the canvas goes on, and ends, where the pointer went.
EM_BOOL onMouse(int type, const EmscriptenMouseEvent* event, void*) {
    switch (type) {
        case EMSCRIPTEN_EVENT_MOUSEDOWN:
            queue(pointerEvent(NativeEvent::Kind::buttonDown, *event));
            return true;
        case EMSCRIPTEN_EVENT_MOUSEUP:
            queue(pointerEvent(NativeEvent::Kind::buttonUp, *event));
            break;
        case EMSCRIPTEN_EVENT_MOUSEMOVE:
            queue(pointerEvent(NativeEvent::Kind::pointer, *event));
            break;
        case EMSCRIPTEN_EVENT_MOUSELEAVE:
            queue({NativeEvent::Kind::leave});
            break;
        default:
            break;
    }
    return false;
}

EM_BOOL onWheel(int, const EmscriptenWheelEvent* event, void*) {
    // With its Shift: a Shift+wheel steps ten times as far in Vertices mode.
    const int32_t modifiers = modifierMask(event->mouse.shiftKey, event->mouse.ctrlKey);
    if (event->deltaY != 0) queue({NativeEvent::Kind::wheel, event->deltaY < 0 ? 1 : -1, 0, 0, modifiers});
    return true;  // the page does not scroll under the editor
}

EM_BOOL onFocus(int type, const EmscriptenFocusEvent*, void*) {
    queue({type == EMSCRIPTEN_EVENT_FOCUS ? NativeEvent::Kind::focus : NativeEvent::Kind::blur});
    return false;
}

void listen() {
    const char* document = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    watchPointerPlace();
    emscripten_set_keydown_callback(document, nullptr, true, onKeyDown);
    emscripten_set_keyup_callback(document, nullptr, true, onKeyUp);
    emscripten_set_mousedown_callback(canvasSelector, nullptr, true, onMouse);
    emscripten_set_mouseleave_callback(canvasSelector, nullptr, true, onMouse);
    emscripten_set_mousemove_callback(document, nullptr, true, onMouse);
    emscripten_set_mouseup_callback(document, nullptr, true, onMouse);
    emscripten_set_wheel_callback(canvasSelector, nullptr, true, onWheel);
    // Not captured: the window's own focus and blur only. Captured, the blur of any element (the
    // canvas, when a click lands on the panel) would count as the window's, and the editor would
    // take the pointer for gone until the window was left and entered again.
    emscripten_set_focus_callback(window, nullptr, false, onFocus);
    emscripten_set_blur_callback(window, nullptr, false, onFocus);
}

void pointerAt(int32_t x, int32_t y) {
    inputFeed::pointerMoved(x, y);
    inputFeed::pointerInside(x >= 0 && y >= 0 && x < page().width && y < page().height);
}

void takeIn(const NativeEvent& event) {
    if (event.modifiers >= 0) inputFeed::modifiersChanged(event.modifiers);
    switch (event.kind) {
        case NativeEvent::Kind::modifiers:
            break;
        case NativeEvent::Kind::key:
            inputFeed::enterKey(event.a);
            break;
        case NativeEvent::Kind::pointer:
            pointerAt(event.a, event.b);
            break;
        case NativeEvent::Kind::buttonDown:
            pointerAt(event.a, event.b);
            inputFeed::buttonDown(event.c);
            break;
        case NativeEvent::Kind::buttonUp:
            pointerAt(event.a, event.b);
            inputFeed::buttonUp(event.c);
            break;
        case NativeEvent::Kind::wheel:
            inputFeed::wheelMoved(event.a);
            break;
        case NativeEvent::Kind::leave:
            inputFeed::pointerInside(false);
            break;
        case NativeEvent::Kind::focus:
            inputFeed::windowActive(true);
            break;
        case NativeEvent::Kind::blur:
            inputFeed::windowActive(false);
            inputFeed::releaseAllButtons();
            break;
    }
}

// 0x00RRGGBB words become the canvas's red, green, blue, opaque bytes.
void convertBand(const uint32_t* frame, std::size_t count) {
    std::vector<uint32_t>& rgba = page().rgba;
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t pixel = frame[i];
        rgba[i] = 0xFF000000u | (pixel & 0xFFu) << 16 | (pixel & 0xFF00u) | (pixel >> 16 & 0xFFu);
    }
}

}  // namespace

namespace backend {

bool openWindow(int width, int height, const std::string&, std::string& whyNot) {
    if (!setUpCanvas(width, height)) {
        whyNot = "the page has no canvas with the id \"screen\"";
        return false;
    }
    Page& p = page();
    p.width = width;
    p.height = height;
    p.rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    p.events.reserve(256);
    listen();
    inputFeed::windowActive(true);
    return true;
}

void setWindowTitle(const std::string& title) { setPageTitle(title.c_str()); }

const char* name() { return "browser canvas"; }
int refreshRate() { return 0; }  // a page is not told

void presentRows(const uint32_t* frame, int width, int firstRow, int lastRow) {
    const int rows = lastRow - firstRow + 1;
    const std::size_t offset = static_cast<std::size_t>(firstRow) * static_cast<std::size_t>(width);
    convertBand(frame + offset, static_cast<std::size_t>(rows) * static_cast<std::size_t>(width));
    putRows(reinterpret_cast<const uint8_t*>(page().rgba.data()), width, firstRow, rows);
    if (!page().presented) tellPage("FirstFrame", 0);
    page().presented = true;
}

void takeEvents() {
    for (const NativeEvent& event : page().events) takeIn(event);
    page().taken += page().events.size();
    page().events.clear();
    countCycle();
}

// The presenter runs as every sleep begins, which shows what the editor drew before it, and
// again after each event that wakes it, which takes the event in.
void sleepMs(int ms) {
    const double end = emscripten_get_now() + ms;
    presenterCycle();
    for (double left = ms; left > 0; left = end - emscripten_get_now()) {
        waitForWake(static_cast<int>(std::ceil(left)));
        presenterCycle();
    }
}

// The presenter runs at the start of every sleep, so there is nothing to wake.
void wakePresenter() {}

void lineEntry(bool active) { tellPage("LineEntry", active ? 1 : 0); }

int64_t clockMs() { return static_cast<int64_t>(emscripten_get_now()); }

void beep() { playBeep(); }

// The page outlives the editor: it is told, stops sending events, and offers to start again.
void exitProcess(int status) {
    emscripten_html5_remove_all_event_listeners();
    tellPage("Ended", status);
    emscripten_force_exit(status);
}

}  // namespace backend

void sleepUntilInput(int32_t period, int32_t maxPolls) {
    Page& p = page();
    // Input that came while the editor ran is polled at the next poll time; and after any input
    // the editor polls once more before it waits idle, so that a change the input service still
    // holds back (it hands out one button change per poll) never waits for the wait's end.
    const bool inputSincePoll = p.taken != p.takenAtPoll || !p.events.empty();
    p.takenAtPoll = p.taken;
    if (inputSincePoll) {
        backend::sleepMs(period);
        return;
    }
    const double start = emscripten_get_now();
    const double last = start + period * maxPolls;
    presenterCycle();
    markIdle(1);
    bool woken = false;
    for (double now = start; !woken && now < last; now = emscripten_get_now())
        woken = waitForWake(static_cast<int>(std::ceil(last - now))) != 0;
    markIdle(0);
    if (!woken) {
        presenterCycle();
        return;
    }
    // Input arrived: the editor polls at the first poll time from here, as it would have.
    const double elapsed = emscripten_get_now() - start;
    const double next = std::max(1.0, std::ceil(elapsed / period)) * period;
    backend::sleepMs(static_cast<int>(std::ceil(next - elapsed)));
}

}  // namespace vx
