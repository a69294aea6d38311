// The input service: the key ring, the mouse state, the sleeps and the stop request.
#include "platform/input.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/backend.h"
#include "platform/platform_internal.h"

namespace vx {
namespace {

// One slot always stays empty, so the ring holds 4096 keys: a pasted path or a key held down
// through a slow frame arrives whole. Past that the oldest key is dropped.
constexpr int keySlots = 4097;

// A button change as the editor reads it: where it happened and what was held after it.
struct ButtonChange {
    int32_t x, y;
    bool inside;
    int32_t buttons;    // held after the change
    int32_t bit;        // the one button that went down or up
    int32_t modifiers;
    bool heldFirst;     // a release after a move with the button held: read once held at (x, y)
};

// A burst of 128 clicks between two reads arrives whole; past that the oldest clicks go.
constexpr int changeSlots = 256;

struct Input {
    int32_t keys[keySlots] = {};
    int readIndex = 0;
    int writeIndex = 0;
    bool keyHit = false;
    int32_t x = 0, y = 0, wheel = 0, modifiers = 0;
    // Buttons held as the editor will read them: only a press on the surface counts, so one in
    // the black border of a full screen never becomes a click once the pointer moves onto it.
    int32_t buttons = 0;
    ButtonChange changes[changeSlots] = {};  // a ring, oldest first
    int oldestChange = 0;
    int changeCount = 0;
    int32_t readX = -1, readY = -1;  // the pointer as the editor last read it
    bool inside = false;
    bool active = true;
    bool arrived = false;  // input came in since the last sleepThroughIdlePolls
};

Input& input() {
    static Input instance;
    return instance;
}

// Every piece of input the back end feeds in wakes sleepThroughIdlePolls (with the lock held).
std::condition_variable_any& inputWaker() {
    static std::condition_variable_any waker;
    return waker;
}

void noteArrival() {
    input().arrived = true;
    inputWaker().notify_all();
}

// Set from signal handlers and the presenter thread; a lock-free atomic is safe in both.
std::atomic<int32_t> stopStatus{-1};
static_assert(std::atomic<int32_t>::is_always_lock_free);

std::function<void()>& stopAction() {
    static std::function<void()> action;
    return action;
}

bool onSurface(bool inside, int32_t x, int32_t y) {
    return inside && x >= 0 && y >= 0 && x < platform::screenWidth() && y < platform::screenHeight();
}

bool onSurface(const Input& in) { return onSurface(in.inside, in.x, in.y); }

ButtonChange& changeAt(Input& in, int i) { return in.changes[(in.oldestChange + i) % changeSlots]; }

// Taking the oldest moves the ring on; dropping one further in closes the gap behind it.
void removeChange(Input& in, int i) {
    if (i == 0) in.oldestChange = (in.oldestChange + 1) % changeSlots;
    for (; i > 0 && i + 1 < in.changeCount; ++i) changeAt(in, i) = changeAt(in, i + 1);
    --in.changeCount;
}

// Makes room by forgetting the oldest press and everything that follows from it: the button
// reads as up in the changes after it, and its release goes too. Releases of buttons held
// before the oldest change stay, so a held button is never left held. At most five releases
// can come before the first press, so a full ring always holds one.
void dropOldestPress(Input& in) {
    int i = 0;
    while (i < in.changeCount && !(changeAt(in, i).buttons & changeAt(in, i).bit)) ++i;
    if (i == in.changeCount) return;
    const int32_t bit = changeAt(in, i).bit;
    removeChange(in, i);
    for (; i < in.changeCount; ++i) {
        if (changeAt(in, i).bit == bit) {
            removeChange(in, i);
            return;
        }
        changeAt(in, i).buttons &= ~bit;
    }
    in.buttons &= ~bit;  // still held: its release will find it up and pass unseen
}

void pushChange(Input& in, int32_t bit, bool heldFirst) {
    if (in.changeCount == changeSlots) dropOldestPress(in);
    changeAt(in, in.changeCount++) = {in.x, in.y, in.inside, in.buttons, bit, in.modifiers, heldFirst};
}

// Whether the pointer stands elsewhere than where the editor will last have read it before a
// change made now.
bool movedSinceLastChange(Input& in) {
    if (in.changeCount == 0) return in.x != in.readX || in.y != in.readY;
    const ButtonChange& last = changeAt(in, in.changeCount - 1);
    return in.x != last.x || in.y != last.y;
}

MouseState mouseState(const Input& in, bool inside, int32_t x, int32_t y, int32_t buttons, int32_t modifiers) {
    if (!in.active || !onSurface(inside, x, y)) return {-1, -1, -1, -1, -1, modifiers};
    return {x, y, in.wheel, buttons, 0, modifiers};
}

std::string keyString(int32_t code) {
    if (code >= 0 && code <= 255) return std::string(1, static_cast<char>(code));
    return std::string{static_cast<char>(255), static_cast<char>((code >> 8) & 0xFF)};
}

}  // namespace

namespace platform {
void resetInputState() {
    input() = Input{};
    stopStatus = -1;
    stopAction() = nullptr;
}
}  // namespace platform

namespace inputFeed {

void enterKey(int32_t code) {
    Input& in = input();
    in.keys[in.writeIndex] = code;
    in.writeIndex = (in.writeIndex + 1) % keySlots;
    if (in.writeIndex == in.readIndex) in.readIndex = (in.readIndex + 1) % keySlots;  // drop the oldest
    in.keyHit = true;
    noteArrival();
}

void pointerMoved(int32_t x, int32_t y) {
    Input& in = input();
    in.x = x;
    in.y = y;
    noteArrival();
}

void buttonDown(int32_t bit) {
    Input& in = input();
    if (bit && !(in.buttons & bit) && onSurface(in)) {
        in.buttons |= bit;
        pushChange(in, bit, false);
    }
    noteArrival();
}

void buttonUp(int32_t bit) {
    Input& in = input();
    if (in.buttons & bit) {
        const bool heldFirst = onSurface(in) && movedSinceLastChange(in);
        in.buttons &= ~bit;
        pushChange(in, bit, heldFirst);
    }
    noteArrival();
}

void wheelMoved(int32_t notches) {
    input().wheel += notches;
    noteArrival();
}
void modifiersChanged(int32_t mask) {
    if (input().modifiers == mask) return;
    input().modifiers = mask;
    noteArrival();
}
void pointerInside(bool inside) {
    input().inside = inside;
    noteArrival();
}
void windowActive(bool active) {
    input().active = active;
    noteArrival();
}
void closeRequested() {
    enterKey(extendedKey('k'));
    requestStop(0);
}
void releaseAllButtons() {
    input().buttons = 0;
    input().changeCount = 0;
    noteArrival();
}

}  // namespace inputFeed

std::string readKey() {
    std::lock_guard guard(platform::displayMutex());
    Input& in = input();
    in.keyHit = false;
    if (in.readIndex == in.writeIndex) return {};
    const int32_t code = in.keys[in.readIndex];
    in.readIndex = (in.readIndex + 1) % keySlots;
    return keyString(code);
}

bool keyWaiting() {
    std::lock_guard guard(platform::displayMutex());
    return input().readIndex != input().writeIndex;
}

MouseState readMouse() {
    std::lock_guard guard(platform::displayMutex());
    Input& in = input();
    if (!in.active) return mouseState(in, false, -1, -1, -1, in.modifiers);
    MouseState state = mouseState(in, in.inside, in.x, in.y, in.buttons, in.modifiers);
    if (in.changeCount > 0) {
        ButtonChange& change = changeAt(in, 0);
        const int32_t buttons = change.heldFirst ? change.buttons | change.bit : change.buttons;
        state = mouseState(in, change.inside, change.x, change.y, buttons, change.modifiers);
        if (change.heldFirst) change.heldFirst = false;
        else removeChange(in, 0);
        // The idle wait must not sleep through changes still waiting.
        if (in.changeCount > 0) in.arrived = true;
    }
    in.readX = state.x;
    in.readY = state.y;
    return state;
}

namespace {

bool takeKeyHit() {
    std::lock_guard guard(platform::displayMutex());
    const bool hit = input().keyHit;
    input().keyHit = false;
    return hit;
}

}  // namespace

void requestStop(int32_t status) {
    int32_t none = -1;
    stopStatus.compare_exchange_strong(none, status);
}

int32_t stopRequested() { return stopStatus.load(); }

void setStopAction(std::function<void()> action) { stopAction() = std::move(action); }

void takeStopRequest() {
    if (stopStatus.load() >= 0 && stopAction()) stopAction()();
}

int64_t clockMs() { return backend::clockMs(); }

void sleepThroughIdlePolls(int32_t period, int32_t maxPolls) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const std::chrono::milliseconds step(period);
    {
        std::unique_lock lock(platform::displayMutex());
        const bool arrived = inputWaker().wait_until(lock, start + maxPolls * step, [] { return input().arrived; });
        input().arrived = false;
        if (!arrived) return;  // at the last poll time
    }
    // On to the first poll time at or after the input's arrival, and at least the next one.
    const auto polls = std::max<int64_t>(1, ((Clock::now() - start) + step - Clock::duration(1)) / step);
    std::this_thread::sleep_until(start + polls * step);
}

void sleepMs(int32_t ms) {
    constexpr int32_t slice = 50;
    if (ms == -1) {
        while (!takeKeyHit()) backend::sleepMs(slice);
        return;
    }
    if (ms <= 0) return;
    if (ms >= 100) {
        while (ms > slice) {
            if (takeKeyHit()) return;
            backend::sleepMs(slice);
            ms -= slice;
        }
    }
    backend::sleepMs(ms);
}

}  // namespace vx
