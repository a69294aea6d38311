// The input service: the key ring, the mouse state, the sleeps and the stop request.
#include "platform/console/input.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/console/display.h"
#include "platform/console/input_state.h"
#include "platform/seam/backend.h"

namespace vx {

using platform::ButtonChange;
using platform::changeAt;
using platform::input;
using platform::Input;
using platform::inputWaker;
using platform::keySlots;
using platform::onSurface;
using platform::removeChange;

namespace {

// Set from signal handlers and the presenter thread; a lock-free atomic is safe in both.
std::atomic<int32_t> stopStatus{-1};
std::atomic<const char*> stopWhy{nullptr};
static_assert(std::atomic<int32_t>::is_always_lock_free && std::atomic<const char*>::is_always_lock_free);

std::function<void()>& stopAction() {
    static std::function<void()> action;
    return action;
}

// Whether an unread key came in before the change: "v" typed just before a click puts the editor
// in Vertices mode before the click is read.
bool keyBefore(const Input& in, const ButtonChange& change) {
    return in.readIndex != in.writeIndex && static_cast<int32_t>(in.keyOrder[in.readIndex] - change.order) < 0;
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
    stopWhy = nullptr;
    stopAction() = nullptr;
}
}  // namespace platform

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
    if (in.changeCount > 0 && keyBefore(in, changeAt(in, 0))) {
        const ButtonChange& change = changeAt(in, 0);
        state = mouseState(in, change.inside, change.x, change.y, change.buttons ^ change.bit, change.modifiers);
    } else if (in.changeCount > 0) {
        ButtonChange& change = changeAt(in, 0);
        const int32_t buttons = change.heldFirst ? change.buttons | change.bit : change.buttons;
        state = mouseState(in, change.inside, change.x, change.y, buttons, change.modifiers);
        if (change.heldFirst) change.heldFirst = false;
        else removeChange(in, 0);
    }
    if (in.changeCount > 0) in.arrived = true;  // the idle wait must not sleep through them
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

// The reason goes in before the status, so whoever sees the status sees its reason. Two
// requests at the same moment may pair one's status with the other's reason; both are true.
void requestStop(int32_t status, const char* why) {
    if (stopStatus.load() >= 0) return;
    if (why) stopWhy.store(why);
    int32_t none = -1;
    stopStatus.compare_exchange_strong(none, status);
}

int32_t stopRequested() { return stopStatus.load(); }

const char* stopReason() { return stopWhy.load(); }

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
        const bool arrived = inputWaker().wait_until(lock, start + maxPolls * step,
                                                     [] { return input().arrived || stopStatus.load() >= 0; });
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
