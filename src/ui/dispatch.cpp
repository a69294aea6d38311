// Input dispatch: polling, press detection, mode tabs and the keys that work in every mode.
#include "ui/dispatch.h"

#include "platform/console/input.h"
#include "ui/group_transform.h"
#include "ui/key_bindings.h"
#include "ui/modes.h"
#include "ui/undo.h"

namespace vx {
namespace {

constexpr int32_t leftBit = 1;
constexpr int32_t rightBit = 2;

struct Tab {
    int32_t left, right;  // exclusive pixel bounds
    EditorMode mode;
};

// The tabs stand in this order on screen, which is not the order of the mode values.
constexpr Tab tabs[] = {
    {8, 56, EditorMode::file},
    {64, 128, EditorMode::camera},
    {136, 200, EditorMode::rotate},
    {208, 288, EditorMode::vertices},
    {296, 352, EditorMode::polys},
};

}  // namespace

void detectPresses(InputState& input) {
    if (input.mouseButtons == -1) input.mouseButtons = 0;
    input.leftClick = 0;
    input.rightClick = 0;
    if (!(input.prevMouseButtons & leftBit)) input.leftClick = static_cast<uint8_t>(input.mouseButtons & leftBit);
    if (!(input.prevMouseButtons & rightBit)) input.rightClick = static_cast<uint8_t>(input.mouseButtons & rightBit);
    if (!(input.mouseButtons & leftBit)) input.holdAfterTabClick = 0;
    if (input.holdAfterTabClick) {
        input.mouseButtons &= ~leftBit;
        input.leftClick = 0;
    }
}

bool pollInput(EditorState& state) {
    InputState& input = state.input;
    input.prevMouseX = input.mouseX;
    input.prevMouseY = input.mouseY;
    input.prevMouseButtons = input.mouseButtons;
    input.prevMouseWheel = input.mouseWheel;
    const MouseState mouse = readMouse();
    input.mouseX = mouse.x;
    input.mouseY = mouse.y;
    input.mouseWheel = mouse.wheel;
    input.mouseButtons = mouse.buttons;
    input.mouseModifiers = mouse.modifiers;
    detectPresses(input);
    input.key = readKey();
    return !input.key.empty() || input.mouseX != input.prevMouseX || input.mouseY != input.prevMouseY ||
           input.mouseButtons != input.prevMouseButtons || input.mouseWheel != input.prevMouseWheel;
}

bool tabAt(int32_t x, int32_t y, int32_t tabRowY, EditorMode& mode) {
    if (!(tabRowY < y && y < tabRowY + 16)) return false;
    for (const Tab& tab : tabs) {
        if (tab.left < x && x < tab.right) {
            mode = tab.mode;
            return true;
        }
    }
    return false;
}

bool takeTabClick(EditorState& state) {
    InputState& input = state.input;
    EditorMode mode{};
    if (!input.leftClick || !tabAt(input.mouseX, input.mouseY, input.tabRowY, mode)) return false;
    // A left click keeps a running group operation wherever it lands.
    if (groupOperationRunning(state)) keepGroupOperation(state);
    state.groupRectangle.active = false;
    input.holdAfterTabClick = 1;
    state.mode = mode;
    return true;
}

void applyGlobalKeys(EditorState& state) {
    const KeyBinding* binding = runKeyBinding(everyModeKeys, state);
    // An undo or a redo leaves the view as it was, its floors included.
    if (binding && (binding->action == undoLastStep || binding->action == redoNextStep)) return;
    if (state.camera.distance < 1) state.camera.distance = 1;
    if (state.camera.drawdepth < 1) state.camera.drawdepth = 1;
}

void dispatchInput(EditorState& state) {
    switch (state.mode) {
        case EditorMode::rotate: rotateBlock(state); break;
        case EditorMode::vertices: verticesBlock(state); break;
        case EditorMode::file: fileBlock(state); break;
        case EditorMode::camera: cameraBlock(state); break;
        case EditorMode::polys: polysBlock(state); break;
    }
    applyGlobalKeys(state);
}

}  // namespace vx
