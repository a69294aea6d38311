// The headless back end: the window lives in memory, input comes from a script, sleeps cost no
// real time, and the end of the process becomes an exception a test can catch.
#include "platform/headless/headless.h"

#include <cstring>
#include <deque>
#include <functional>

#include "platform/seam/backend.h"
#include "platform/seam/input_feed.h"
#include "platform/seam/platform_reset.h"
#include "platform/seam/presenter.h"

namespace vx {
namespace {

// Virtual time a program may wait without any scripted input before the test is told.
constexpr int64_t starvationMs = 10 * 60 * 1000;

struct Headless {
    bool windowAvailable = true;
    bool windowOpen = false;
    std::string title;
    int width = 0, height = 0;
    std::vector<uint32_t> window;
    std::vector<headless::Transfer> transfers;
    std::deque<std::function<void()>> events;
    int64_t clock = 0;
    int64_t idleSince = 0;
    int beeps = 0;
    int wakes = 0;
};

Headless& hl() {
    static Headless instance;
    return instance;
}

void queue(std::function<void()> event) { hl().events.push_back(std::move(event)); }

}  // namespace

namespace backend {

bool openWindow(int width, int height, const std::string& title, std::string& whyNot) {
    Headless& h = hl();
    if (!h.windowAvailable) {
        whyNot = "no display to open a window on";
        return false;
    }
    h.windowOpen = true;
    h.title = title;
    h.width = width;
    h.height = height;
    h.window.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFF000000u);
    inputFeed::windowActive(true);
    return true;
}

void setWindowTitle(const std::string& title) { hl().title = title; }

const char* name() { return "headless"; }
int refreshRate() { return 60; }

void presentRows(const uint32_t* frame, int width, int firstRow, int lastRow) {
    Headless& h = hl();
    const auto offset = static_cast<std::size_t>(firstRow) * static_cast<std::size_t>(width);
    const auto count = static_cast<std::size_t>(lastRow - firstRow + 1) * static_cast<std::size_t>(width);
    std::memcpy(h.window.data() + offset, frame + offset, count * sizeof(uint32_t));
    h.transfers.push_back({firstRow, lastRow});
}

void takeEvents() {
    Headless& h = hl();
    if (!h.events.empty()) h.idleSince = h.clock;
    while (!h.events.empty()) {
        auto event = std::move(h.events.front());
        h.events.pop_front();
        if (!event) break;  // a pause: the rest waits for the next cycle
        event();
    }
}

void sleepMs(int ms) {
    Headless& h = hl();
    // The presenter runs every 10 ms of virtual time while the program sleeps.
    for (int elapsed = 0; elapsed < ms; elapsed += 10) {
        h.clock += ms - elapsed < 10 ? ms - elapsed : 10;
        if (h.windowOpen) presenterCycle();
    }
    if (h.clock - h.idleSince > starvationMs) throw headless::InputStarved{};
}

int64_t clockMs() { return hl().clock; }

// The presenter runs on the virtual clock anyway; the wakes are counted for the tests.
void wakePresenter() { ++hl().wakes; }

void beep() { ++hl().beeps; }

void lineEntry(bool) {}

void exitProcess(int status) { throw headless::ProcessExit{status}; }

}  // namespace backend

namespace headless {

void reset(bool windowAvailable) {
    resetPlatformState();
    hl() = Headless{};
    hl().windowAvailable = windowAvailable;
}

void keyCode(int32_t code) {
    queue([code] { inputFeed::enterKey(code); });
}

void type(std::string_view text) {
    for (const char c : text) keyCode(static_cast<unsigned char>(c));
}

void typeOneByOne(std::string_view text) {
    for (const char c : text) {
        keyCode(static_cast<unsigned char>(c));
        queue({});
    }
}

void moveMouse(int32_t x, int32_t y) {
    queue([x, y] {
        inputFeed::pointerMoved(x, y);
        inputFeed::pointerInside(x >= 0 && y >= 0 && x < hl().width && y < hl().height);
    });
}

void pressButton(int32_t bit) {
    queue([bit] { inputFeed::buttonDown(bit); });
}
void releaseButton(int32_t bit) {
    queue([bit] { inputFeed::buttonUp(bit); });
}
void turnWheel(int32_t notches) {
    const int32_t step = notches < 0 ? -1 : 1;
    for (int32_t i = 0; i != notches; i += step) queue([step] { inputFeed::wheelMoved(step); });
}
void holdModifiers(int32_t mask) {
    queue([mask] { inputFeed::modifiersChanged(mask); });
}
void pauseMs(int32_t ms) {
    for (int32_t waited = 0; waited < ms; waited += 10) queue({});
}
void leaveWindow() {
    queue([] { inputFeed::pointerInside(false); });
}
void setActive(bool active) {
    queue([active] { inputFeed::windowActive(active); });
}
void requestClose() {
    queue([] { inputFeed::closeRequested(); });
}
bool eventsPending() { return !hl().events.empty(); }

const std::vector<uint32_t>& windowPixels() { return hl().window; }
int windowWidth() { return hl().width; }
int windowHeight() { return hl().height; }
const std::vector<Transfer>& transfers() { return hl().transfers; }
int64_t nowMs() { return hl().clock; }
int beeps() { return hl().beeps; }
int presenterWakes() { return hl().wakes; }
std::string windowTitle() { return hl().title; }

}  // namespace headless
}  // namespace vx
