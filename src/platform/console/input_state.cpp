// The input service's state: the key ring, the button changes and the mouse, which the editor
// reads and a back end feeds; both sides hold the display lock while they touch it.
#include "platform/console/input_state.h"

#include "platform/console/display.h"

namespace vx::platform {

Input& input() {
    static Input instance;
    return instance;
}

std::condition_variable_any& inputWaker() {
    static std::condition_variable_any waker;
    return waker;
}

void noteArrival() {
    input().arrived = true;
    inputWaker().notify_all();
}

bool onSurface(bool inside, int32_t x, int32_t y) {
    return inside && x >= 0 && y >= 0 && x < screenWidth() && y < screenHeight();
}

bool onSurface(const Input& in) { return onSurface(in.inside, in.x, in.y); }

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
namespace {

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

}  // namespace

void pushChange(Input& in, int32_t bit, bool heldFirst) {
    if (in.changeCount == changeSlots) dropOldestPress(in);
    changeAt(in, in.changeCount++) = {in.x, in.y, in.inside, in.buttons, bit, in.modifiers, heldFirst, in.arrivalOrder++};
}

}  // namespace vx::platform
