// What a back end implements: the seam between the console services and a window system.
// Exactly one back end is linked into a program: sdl/ for the editor's window, web/ for its
// browser page, headless/ for vxtool, the tests and the benchmarks. README.md beside this file
// says which thread calls what, and with which lock held.
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
