// The seam between the portable platform services and a window system back end.
// Exactly one back end is linked into a program: sdl/ for the editor, headless/ for tests.
#pragma once

#include <cstdint>
#include <string>

namespace vx::backend {

// Opens the window and arranges for presenterCycle() to run whenever wakePresenter() was called
// or the window has events, and otherwise not at all: an idle editor costs no processor time.
// Returns false, with the reason in whyNot, when no window can be opened.
bool openWindow(int width, int height, const std::string& title, std::string& whyNot);
// Gives the open window this title (UTF-8); the window system may show it a little later.
void setWindowTitle(const std::string& title);
const char* name();
int refreshRate();
// Copies rows firstRow..lastRow of the frame into the window in one transfer (lock held).
void presentRows(const uint32_t* frame, int width, int firstRow, int lastRow);
// Turns the window's pending native events into keys and mouse state (lock held).
void takeEvents();
// Asks for a presenter cycle soon (changed rows to show); callable from any thread, cheap when
// a cycle is already asked for.
void wakePresenter();
void sleepMs(int ms);
int64_t clockMs();  // a monotonic clock in milliseconds
void beep();
// The line editor starts or stops reading a line: a back end whose device may have no keys of
// its own (a phone's page) offers a text field then.
void lineEntry(bool active);
[[noreturn]] void exitProcess(int status);

}  // namespace vx::backend

namespace vx {

// One presenter cycle: present the band of changed rows, then take in the window's events.
void presenterCycle();

// The window system went away (its connection failed, the window was destroyed from outside):
// asks the editor to end with status 1, saying why (a text that lives as long as the program),
// and wakes it. The editor's own thread then keeps its work and ends the program.
void windowSystemLost(const char* why);
// For a handler that must not return: lets go of the display lock if this presenter thread holds
// it, so that the editor can still keep its work and end, and waits for that end.
[[noreturn]] void parkPresenter();

// How a back end feeds the input service; called from takeEvents() with the lock held.
namespace inputFeed {
void enterKey(int32_t code);  // a character 0-255, or second-character * 256 + 255
void pointerMoved(int32_t x, int32_t y);
void buttonDown(int32_t bit);
void buttonUp(int32_t bit);
void wheelMoved(int32_t notches);  // +1 away from the user, -1 towards
void modifiersChanged(int32_t mask);  // shiftModifier | ctrlModifier now held
void pointerInside(bool inside);
void windowActive(bool active);
void closeRequested();  // enters chr(255) + "k" and requests the editor's end
void releaseAllButtons();
}  // namespace inputFeed

// Extended key codes: the high byte of the classic PC BIOS key code.
inline constexpr int32_t extendedKey(int32_t code) { return code * 256 + 255; }
// Ctrl+Shift+Z, which no control character tells from Ctrl+Z: the extended code of Z's scan
// code, 44 (","), a code no plain key press enters.
inline constexpr int32_t ctrlShiftZ = extendedKey(44);

// Drops every trace of an earlier screen; the headless back end calls it between tests.
void resetPlatformState();

}  // namespace vx
