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

struct Input {
    int32_t keys[keySlots] = {};
    int readIndex = 0;
    int writeIndex = 0;
    bool keyHit = false;
    int32_t x = 0, y = 0, wheel = 0, buttons = 0;
    // Buttons down at any moment since the last read: a quick click is never lost, and a drag
    // let go between two reads is read once more, held, where the pointer was let go.
    int32_t heldSinceRead = 0;
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

bool onSurface(const Input& in) {
    return in.inside && in.x >= 0 && in.y >= 0 && in.x < platform::screenWidth() && in.y < platform::screenHeight();
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

// Only a press on the surface is latched: one in the black border of a full screen must not
// turn into a click once the pointer moves onto the picture.
void buttonDown(int32_t bit) {
    input().buttons |= bit;
    if (onSurface(input())) input().heldSinceRead |= bit;
    noteArrival();
}

void buttonUp(int32_t bit) {
    input().buttons &= ~bit;
    noteArrival();
}
void wheelMoved(int32_t notches) {
    input().wheel += notches;
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
    input().heldSinceRead = 0;
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
    if (!in.active || !onSurface(in)) return {-1, -1, -1, -1, -1};
    const int32_t buttons = in.buttons | in.heldSinceRead;
    in.heldSinceRead = in.buttons;
    return {in.x, in.y, in.wheel, buttons, 0};
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
