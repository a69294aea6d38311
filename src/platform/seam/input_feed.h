// What a back end calls to hand the editor its input: the feed into the input service, the
// editor's own key codes, and the word that the window system went away.
#pragma once

#include <cstdint>

namespace vx {

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

// The window system went away (its connection failed, the window was destroyed from outside):
// asks the editor to end with status 1, saying why (a text that lives as long as the program),
// and wakes it. The editor's own thread then keeps its work and ends the program.
void windowSystemLost(const char* why);

}  // namespace vx
