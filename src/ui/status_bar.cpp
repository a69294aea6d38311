// The value row, the mode tabs and the help lines drawn over the picture.
#include "ui/status_bar.h"

#include <cmath>
#include <string>
#include <string_view>

#include "core/numeric.h"
#include "platform/cp437.h"
#include "platform/display.h"
#include "platform/text.h"

namespace vx {
namespace {

constexpr uint32_t helpForeground = 0xAAAAAA;
constexpr uint32_t helpBackground = 0x000000;
constexpr uint32_t tabForeground = 0x000000;
constexpr uint32_t tabBackground = 0x888888;
constexpr int cellHeight = 16;

struct ModeTab {
    std::string_view text;
    int column;  // first column; the columns between tabs are never written
};

constexpr ModeTab modeTabs[] = {
    {" File ", 2}, {" Camera ", 9}, {" Rotate ", 18}, {" Verteces ", 27}, {" Polys ", 38},
};

// Clearing blanks columns 1-78 only: columns 79-100 keep what they showed. Made once, so the
// passes allocate nothing.
const std::string rowBlanks = spaces(78);

void clearRow(int row) {
    locate(row, 1);
    printString(rowBlanks, 1);
    locate(row, 1);
}

int32_t wholeDegrees(float radians) {
    return roundToInt32(static_cast<double>(radians) * static_cast<double>(degreesPerRadian));
}

// Whole numbers printed as singles are rounded down first: -0.2 shows as -1.
void printWholeSingle(float value, int ending) { printSingle(std::floor(value), ending); }

void printPointerPosition(const InputState& input) {
    printWholeSingle(input.pointerPosition[0], 0);
    printString(" ", 0);
    printWholeSingle(input.pointerPosition[1], 0);
    printString(" ", 0);
    printWholeSingle(input.pointerPosition[2], 1);
}

void drawSelectionHelp(const EditorState& state) {
    switch (state.selection.vertexCount) {
        case 0:
            clearRow(3);
            printString("left-click to place vertex at ", 0);
            printPointerPosition(state.input);
            // With a group, "d" deletes the group instead of the last vertex.
            printString(state.group.count > 0 ? "right-click to select vertex, d to delete the group"
                                              : "right-click to select vertex, d to delete last vertex",
                        1);
            break;
        case 1:
            clearRow(3);
            printString("left-click to move vertex to ", 0);
            printPointerPosition(state.input);
            printString("select additional verteces to form a line, triangle, or rectangle", 1);
            break;
        case 2:
            clearRow(3);
            printString("left-click to create this line, x to cancel", 1);
            printString("select additional verteces to form a triangle, or rectangle", 1);
            break;
        case 3:
            clearRow(3);
            printString("left-click to create this triangle, x to cancel", 1);
            printString("select an additional vertex to form a rectangle", 1);
            break;
        case 4:
            clearRow(3);
            printString("left-click to create this rectangle, x to cancel", 1);
            break;
        default:
            break;
    }
}

// While a grab, scale or turn follows the pointer: what runs, how to end it, and how far it went.
void drawGroupOperationHelp(const GroupOperation& op) {
    clearRow(3);
    printString(op.name, 0);
    printString(": move the mouse, left-click to keep, Esc or right-click to cancel", 1);
    clearRow(4);
    if (op.action == GroupAction::grab) {
        printString("moved by ", 0);
        printInteger(op.shown[0], 0);
        printString(" ", 0);
        printInteger(op.shown[1], 0);
        printString(" ", 0);
        printInteger(op.shown[2], 0);
    } else if (op.action == GroupAction::scale) {
        printString("scaled to ", 0);
        printInteger(op.shown[0], 0);
        printString(" %", 0);
    } else {
        printString("turned ", 0);
        printInteger(op.shown[0], 0);
        printString(" degrees", 0);
    }
}

// Row 5 is the group's: a message of the last group key, or what the group's keys do.
void drawGroupRow(const EditorState& state) {
    if (!state.vertexMessage && state.group.count == 0) return;
    clearRow(5);
    if (state.vertexMessage) {
        printString(state.vertexMessage, 1);
        return;
    }
    printString("group ", 0);
    printInteger(state.group.count, 0);
    printString(": g grab, s scale, w turn, k duplicate, j mirror, u extrude, y weld, d delete", 1);
}

// Row 4 is not cleared here: a change of selection always brings a full frame first.
void drawVerticesHelp(const EditorState& state) {
    clearRow(2);
    printString("Vertex edit mode. mouse ", 0);
    printInteger(state.input.mouseX, 0);
    printString(" ", 0);
    printInteger(state.input.mouseY, 0);
    printString(" pointer distance ", 0);
    printInteger(state.input.pointerDistance, state.input.snapToGrid ? 0 : 1);
    if (state.input.snapToGrid) printString(" snap 10", 1);
    if (state.groupOperation.action != GroupAction::none) {
        drawGroupOperationHelp(state.groupOperation);
        return;
    }
    drawSelectionHelp(state);
    drawGroupRow(state);
}

void drawPolysHelp(const EditorState& state) {
    clearRow(2);
    printString("polygon Edit mode. L-click to create, R-click to select", 1);
    if (state.selection.polygon >= 0) return;
    const int64_t index = -static_cast<int64_t>(state.selection.polygon) - 1;
    const bool twoSided =
        index < maxPolygons && (state.model.polygons[static_cast<std::size_t>(index)].flags & twoSidedFlag) != 0;
    clearRow(3);
    printString("polygon is ", 0);
    printInteger(twoSided ? 2 : 1, 0);
    printString(" sided, t to toggle, p to flip", 1);
    clearRow(4);
    printString("d to delete selected polygon", 1);
}

void drawHelpLines(const EditorState& state) {
    switch (state.mode) {
        case EditorMode::rotate:
            clearRow(2);
            printString("Rotate mode. Click and drag or z to reset", 1);
            printString("a/s/d to advance 90 degrees", 1);
            break;
        case EditorMode::vertices:
            drawVerticesHelp(state);
            break;
        case EditorMode::file:
            clearRow(2);
            printString("File mode. l=load, a=save as, s=quick save, current file:", 0);
            printString(cp437FromUtf8(state.currentFileName), 1);  // names are UTF-8 on disk
            break;
        case EditorMode::camera:
            clearRow(2);
            printString("Camera mode. Click and drag or z to reset", 1);
            break;
        case EditorMode::polys:
            drawPolysHelp(state);
            break;
    }
}

}  // namespace

int32_t tabRowYFor(int32_t screenHeight) { return (screenHeight / cellHeight - 1) * cellHeight - cellHeight; }

// Not cleared first: it is always drawn over a freshly copied frame.
void drawValueRow(EditorState& state) {
    const Camera& camera = state.camera;
    setColor(helpForeground, helpBackground);
    locate(1, 1);
    printString("axy ", 0);
    printInteger(wholeDegrees(camera.axy), 0);
    printString(" axz ", 0);
    printInteger(wholeDegrees(camera.axz), 0);
    printString(" ayz ", 0);
    printInteger(wholeDegrees(camera.ayz), 0);
    printString(" distance ", 0);
    printInteger(camera.distance, 0);
    printString(" zoom ", 0);
    printWholeSingle(camera.zoom, 0);
    printString(" verts ", 0);
    printInteger(state.model.vertexCount, 0);
    printString(" polys ", 0);
    printInteger(state.model.polygonCount, 0);
    printString(" drawdepth ", 0);
    printInteger(camera.drawdepth, 1);
}

// The tab row is never cleared, so the picture shows between the tabs; the colours stay set
// for the prompts and messages that follow in the same pass.
void drawTabsAndHelp(EditorState& state) {
    const int tabRow = state.screen.screenHeight / cellHeight - 1;
    state.input.tabRowY = tabRowYFor(state.screen.screenHeight);
    setColor(tabForeground, tabBackground);
    for (const ModeTab& tab : modeTabs) {
        locate(tabRow, tab.column);
        printString(tab.text, 1);
    }
    setColor(helpForeground, helpBackground);
    drawHelpLines(state);
    unlockScreen(-1, -1);
}

}  // namespace vx
