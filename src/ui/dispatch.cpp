// Input dispatch: polling, press detection, mode tabs and the keys that work in every mode.
#include "ui/dispatch.h"

#include "core/numeric.h"
#include "platform/console/display.h"
#include "platform/console/input.h"
#include "ui/group_transform.h"
#include "ui/modes.h"
#include "ui/recovery.h"
#include "ui/undo.h"
#include "ui/vertex_group.h"

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

bool modeKey(const std::string& key, EditorState& state) {
    static constexpr struct {
        char key;
        EditorMode mode;
    } modeKeys[] = {{'r', EditorMode::rotate}, {'v', EditorMode::vertices}, {'f', EditorMode::file},
                    {'c', EditorMode::camera}, {'e', EditorMode::polys}};
    for (const auto& entry : modeKeys) {
        if (key.size() == 1 && key[0] == entry.key) {
            state.mode = entry.mode;
            state.groupRectangle.active = false;  // a rectangle belongs to the Vertices mode it began in
            return true;
        }
    }
    return false;
}

bool displayKey(const std::string& key, EditorState& state) {
    if (key == "x") {
        state.selection.vertexCount = 0;
        state.selection.polygon = 0;
        clearGroup(state.group);
    } else if (key == "1" || key == "2" || key == "3") {
        state.showFlags ^= static_cast<uint8_t>(1u << (key[0] - '1'));
    } else if (key == "4") {
        state.shadeStyle = static_cast<uint8_t>((state.shadeStyle + 1) % 3);
    } else {
        return false;
    }
    return true;
}

bool viewKey(const std::string& key, Camera& camera) {
    static const std::string up{'\xFF', 'H'}, left{'\xFF', 'K'}, right{'\xFF', 'M'}, down{'\xFF', 'P'};
    bool hit = true;
    if (key == "+") camera.zoom += 1.0f;
    else if (key == "-") camera.zoom = camera.zoom - 1.0f < 1.0f ? 1.0f : camera.zoom - 1.0f;
    else if (key == "o") camera.distance = wrapAdd(camera.distance, 1);
    else if (key == "i") camera.distance = wrapSub(camera.distance, 1);
    else if (key == "O") camera.distance = wrapAdd(camera.distance, 10);
    else if (key == "I") camera.distance = wrapSub(camera.distance, 10);
    else if (key == "m") camera.drawdepth = wrapAdd(camera.drawdepth, 1);
    else if (key == "n") camera.drawdepth = wrapSub(camera.drawdepth, 1);
    else if (key == "M") camera.drawdepth = wrapAdd(camera.drawdepth, 10);
    else if (key == "N") camera.drawdepth = wrapSub(camera.drawdepth, 10);
    else if (key == up) camera.panY = wrapSub(camera.panY, 1);
    else if (key == left) camera.panX = wrapSub(camera.panX, 1);
    else if (key == right) camera.panX = wrapAdd(camera.panX, 1);
    else if (key == down) camera.panY = wrapAdd(camera.panY, 1);
    else hit = false;
    return hit;
}

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
    const std::string& key = state.input.key;
    static const std::string closeKey{'\xFF', 'k'};
    // The close button ends the editor as "q" does; either keeps unsaved work in a copy.
    if (key == "q" || key == closeKey) endEditor(state, 0);
    if (undoRedoKey(state)) return;
    if (modeKey(key, state) || displayKey(key, state) || viewKey(key, state.camera)) state.redrawPending = 1;
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
