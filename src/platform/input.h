// The input service: the key queue, the mouse state, sleeps, the command line and line input.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

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

// A request to end the editor from outside it: a signal or the window's close button. The
// first request's exit status wins. Async-signal-safe, and callable from any thread.
void requestStop(int32_t status);
// The exit status of the pending request, or -1 when none is pending.
int32_t stopRequested();
// What takeStopRequest runs: the editor's own end, which does not return.
void setStopAction(std::function<void()> action);
// Runs the stop action when a request is pending; the waits inside the line editor call it,
// so that a request is not held up by a name being typed.
void takeStopRequest();

// The program's arguments joined with single spaces.
const std::string& commandLine();

// Prints the prompt (and "? " when question is set), runs the line editor until Enter, then
// prints a new line when newLine is set. The typed line becomes the line-input buffer.
void promptLine(std::string_view prompt, bool question, bool newLine);
// The first field of the line-input buffer: quoted, or up to the first comma; at most 4096 characters.
std::string takeToken();

}  // namespace vx
