// Controls of the headless back end: a window in memory, scripted input and a virtual clock.
// vxtool, the tests and the benchmarks link this back end in place of a window's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::headless {

// Thrown where the program would end, so a test can catch the exit status.
struct ProcessExit {
    int status;
};

// Thrown by a sleep when the program waits on input the script never gives.
struct InputStarved {};

// A fresh platform: no screen, empty queues, clock at 0. windowAvailable false makes
// opening the screen fail as it does without a display.
void reset(bool windowAvailable = true);

// Native events, taken in by the next presenter cycle (the next sleep of the program).
void keyCode(int32_t code);          // a character 0-255 or an extended code (extendedKey)
void type(std::string_view text);    // one key per byte
// One key per byte, each in a presenter cycle of its own, as a person types.
void typeOneByOne(std::string_view text);
void moveMouse(int32_t x, int32_t y);  // also enters the window when (x, y) lies on it
void pressButton(int32_t bit);
void releaseButton(int32_t bit);
void turnWheel(int32_t notches);     // one event per notch
void holdModifiers(int32_t mask);    // shiftModifier | ctrlModifier held from now on
void leaveWindow();
// The script waits: what follows is taken in ms later (in whole presenter cycles of 10 ms).
void pauseMs(int32_t ms);
void setActive(bool active);
void requestClose();
bool eventsPending();

// What the window shows: the rows the presenter has copied so far.
const std::vector<uint32_t>& windowPixels();
int windowWidth();
int windowHeight();
struct Transfer {
    int firstRow, lastRow;
};
const std::vector<Transfer>& transfers();  // every presentation, oldest first
int64_t nowMs();                           // the virtual clock
int beeps();
int presenterWakes();  // calls of wakePresenter since the reset
std::string windowTitle();

}  // namespace vx::headless
