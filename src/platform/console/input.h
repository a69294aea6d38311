// The input service: the key queue, the mouse state, the sleeps and the stop request.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vx {

struct MouseState {
    int32_t x;  // surface pixels; the first five fields are -1 outside the window or while inactive
    int32_t y;
    int32_t wheel;      // running wheel position, +1 per notch away from the user
    int32_t buttons;    // bit 0 left, bit 1 right, bit 2 middle, bits 3-4 extra buttons
    int32_t clip;       // 1 while the pointer is confined to the window: never here
    int32_t modifiers;  // shiftModifier | ctrlModifier as held when this state happened
};

inline constexpr int32_t shiftModifier = 1;
inline constexpr int32_t ctrlModifier = 2;

// Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z as key strings.
inline constexpr char ctrlZKey[] = "\x1A";
inline constexpr char ctrlYKey[] = "\x19";
inline constexpr char ctrlShiftZKey[] = "\xFF,";

// The next key, oldest first: empty, one code page 437 character, or chr(255) + extended code.
std::string readKey();
bool keyWaiting();
// The oldest button change not yet read, with the pointer and modifiers where it happened, or,
// when none waits, the pointer, buttons and modifiers now. One change per call, so every press
// and every release is read once, in order; moves between two changes are merged. A release
// after the pointer moved with the button held is read twice: first still held where it was let
// go, so a drag ends there, then released.
MouseState readMouse();
// -1 waits for a key; 100 or more wakes early on a key; 1-99 sleeps plainly; else returns at once.
void sleepMs(int32_t ms);
// The sleep of an idle wait that polls every `period` ms. A poll with no input fed in since the
// last one can only find nothing changed, so this sleeps through such polls: it returns at the
// first poll time (period, 2 x period, ... after the call) at or after input arrives, and at the
// latest after maxPolls periods. Input fed in before the call wakes it at the first poll time.
// Real time; only for a back end whose window feeds input from a thread of its own.
void sleepThroughIdlePolls(int32_t period, int32_t maxPolls);
// Milliseconds of the back end's clock (virtual in tests); only differences mean anything.
int64_t clockMs();

// A request to end the editor from outside it: a signal, the window's close button or the
// window system going away. The first request's exit status wins, with why it was made (a text
// that lives as long as the program, or null when the status says enough). Async-signal-safe,
// and callable from any thread.
void requestStop(int32_t status, const char* why = nullptr);
// The exit status of the pending request, or -1 when none is pending.
int32_t stopRequested();
// Why the pending request was made, or null.
const char* stopReason();
// What takeStopRequest runs: the editor's own end, which does not return.
void setStopAction(std::function<void()> action);
// Runs the stop action when a request is pending; the waits inside the line editor call it,
// so that a request is not held up by a name being typed.
void takeStopRequest();

}  // namespace vx

// For the platform's reset; not for the editor.
namespace vx::platform {

void resetInputState();  // empty queues, the mouse nowhere, no stop request or action

}  // namespace vx::platform
