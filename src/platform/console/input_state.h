// The input service's state: the key ring, the button changes and the mouse, which the editor
// reads and a back end feeds; both sides hold the display lock while they touch it.
#pragma once

#include <condition_variable>
#include <cstdint>

namespace vx::platform {

// One slot always stays empty, so the ring holds 4096 keys: a pasted path or a key held down
// through a slow frame arrives whole. Past that the oldest key is dropped.
constexpr int keySlots = 4097;

// A button change as the editor reads it: where it happened and what was held after it.
struct ButtonChange {
    int32_t x, y;
    bool inside;
    int32_t buttons;    // held after the change
    int32_t bit;        // the one button that went down or up
    int32_t modifiers;
    bool heldFirst;     // a release after a move with the button held: read once held at (x, y)
    uint32_t order;     // place among keys and button changes, as arrivalOrder counts
};

// A burst of 128 clicks between two reads arrives whole; past that the oldest clicks go.
constexpr int changeSlots = 256;

struct Input {
    int32_t keys[keySlots] = {};
    uint32_t keyOrder[keySlots] = {};  // each key's place among keys and button changes
    uint32_t arrivalOrder = 0;          // counts keys and button changes as they come in
    int readIndex = 0;
    int writeIndex = 0;
    bool keyHit = false;
    int32_t x = 0, y = 0, wheel = 0, modifiers = 0;
    // Buttons held as the editor will read them: only a press on the surface counts, so one in
    // the black border of a full screen never becomes a click once the pointer moves onto it.
    int32_t buttons = 0;
    ButtonChange changes[changeSlots] = {};  // a ring, oldest first
    int oldestChange = 0;
    int changeCount = 0;
    int32_t readX = -1, readY = -1;  // the pointer as the editor last read it
    bool inside = false;
    bool active = true;
    bool arrived = false;  // input came in since the last sleepThroughIdlePolls
};

Input& input();

// Every piece of input the back end feeds in wakes sleepThroughIdlePolls (with the lock held).
std::condition_variable_any& inputWaker();
void noteArrival();  // marks input arrived and wakes the idle wait

// Whether the pointer is on the surface (as it is now, or as it was at a change).
bool onSurface(bool inside, int32_t x, int32_t y);
bool onSurface(const Input& in);

// The i-th button change not yet read, oldest first.
inline ButtonChange& changeAt(Input& in, int i) { return in.changes[(in.oldestChange + i) % changeSlots]; }
void removeChange(Input& in, int i);
// Appends a change of one button at the pointer as it stands, making room when the ring is full.
void pushChange(Input& in, int32_t bit, bool heldFirst);

}  // namespace vx::platform
