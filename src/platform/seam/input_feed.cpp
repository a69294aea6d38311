// What a back end calls to hand the editor its input: the feed into the input service and the
// word that the window system went away.
#include "platform/seam/input_feed.h"

#include "platform/console/input.h"
#include "platform/console/input_state.h"

namespace vx {

using platform::ButtonChange;
using platform::changeAt;
using platform::input;
using platform::Input;
using platform::keySlots;
using platform::noteArrival;
using platform::onSurface;
using platform::pushChange;

namespace {

// Whether the pointer stands elsewhere than where the editor will last have read it before a
// change made now.
bool movedSinceLastChange(Input& in) {
    if (in.changeCount == 0) return in.x != in.readX || in.y != in.readY;
    const ButtonChange& last = changeAt(in, in.changeCount - 1);
    return in.x != last.x || in.y != last.y;
}

}  // namespace

namespace inputFeed {

void enterKey(int32_t code) {
    Input& in = input();
    in.keys[in.writeIndex] = code;
    in.keyOrder[in.writeIndex] = in.arrivalOrder++;
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

// Called from the window system's error handlers, which may run while their library holds its
// own lock and the editor's thread waits for it with the display lock held: so this takes no
// lock. An idle editor wakes at once to keep its work, or at its next poll should the wake fall
// between its look at the request and its wait.
void windowSystemLost(const char* why) {
    requestStop(1, why);
    platform::inputWaker().notify_all();
}

}  // namespace vx
