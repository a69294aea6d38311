// The value row, the mode tabs and the help lines drawn over the picture.
#include "ui/status_bar.h"

#include <cmath>
#include <string>
#include <string_view>

#include "core/numeric.h"
#include "platform/console/cp437.h"
#include "platform/console/display.h"
#include "platform/console/text.h"
#include "ui/paint.h"
#include "ui/vertex_pick.h"
#include "ui/view_pictures.h"

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

// Each row is put together here and printed whole, cleared to its end and cut to fit. The text
// keeps its capacity from pass to pass, so the passes allocate nothing.
std::string& rowText() {
    static std::string text = [] {
        std::string reserved;
        reserved.reserve(512);
        return reserved;
    }();
    return text;
}

std::string& newRow(std::string_view start) {
    std::string& text = rowText();
    text.assign(start);
    return text;
}

int32_t wholeDegrees(float radians) {
    return roundToInt32(static_cast<double>(radians) * static_cast<double>(degreesPerRadian));
}

// Whole numbers printed as singles are rounded down first: -0.2 shows as -1.
void addWholeSingle(std::string& text, float value) { text += formatSingle(std::floor(value)); }

void printPointerRow(std::string_view start, const InputState& input) {
    std::string& text = newRow(start);
    addWholeSingle(text, input.pointerPosition[0]);
    text += ' ';
    addWholeSingle(text, input.pointerPosition[1]);
    text += ' ';
    addWholeSingle(text, input.pointerPosition[2]);
    printRow(3, text);
}

struct SelectionHelp {
    std::string_view row3;  // followed by the pointer's position while fewer than two are picked
    std::string_view row4;
};

constexpr SelectionHelp selectionHelp[5] = {
    {"left-click to place vertex at ", "right-click to select vertex, d to delete last vertex"},
    {"left-click to move vertex to ", "select additional verteces to form a line, triangle, or rectangle"},
    {"left-click to create this line, x to cancel", "select additional verteces to form a triangle, or rectangle"},
    {"left-click to create this triangle, x to cancel", "select an additional vertex to form a rectangle"},
    {"left-click to create this rectangle, x to cancel", ""},
};

void drawSelectionHelp(const EditorState& state) {
    const int32_t count = state.selection.vertexCount;
    if (count < 0 || count > 4) return;
    const SelectionHelp& help = selectionHelp[count];
    if (count < 2) {
        printPointerRow(help.row3, state.input);
    } else {
        printRow(3, help.row3);
    }
    // With a group, "d" deletes the group instead of the last vertex.
    const bool deletesGroup = count == 0 && state.group.count > 0;
    printRow(4, deletesGroup ? "right-click to select vertex, d to delete the group" : help.row4);
}

// While a grab, scale or turn follows the pointer: what runs, how to end it, and how far it went.
void drawGroupOperationHelp(const GroupOperation& op) {
    std::string& text = newRow(op.name);
    text += ": move the mouse, left-click to keep, Esc or right-click to cancel";
    printRow(3, text);
    if (op.action == GroupAction::grab) {
        std::string& moved = newRow("moved by ");
        for (int axis = 0; axis < 3; ++axis) {
            if (axis > 0) moved += ' ';
            moved += formatInteger(op.shown[axis]);
        }
        printRow(4, moved);
    } else {
        std::string& row = newRow(op.action == GroupAction::scale ? "scaled to " : "turned ");
        row += formatInteger(op.shown[0]);
        row += op.action == GroupAction::scale ? " %" : " degrees";
        printRow(4, row);
    }
}

// Row 5 is the group's: a message of the last group key, or what the group's keys do.
void drawGroupRow(const EditorState& state) {
    if (state.vertexMessage) {
        printRow(5, state.vertexMessage);
        return;
    }
    if (state.group.count == 0) {
        if (vertexBehindLastPicked(state) >= 0)
            printRow(5, "b to pick the vertex hidden behind the last one picked");
        else if (state.selection.vertexCount <= 1)
            printRow(5, state.selection.vertexCount == 1 ? "= to type where it goes" : "= to type where a vertex goes");
        return;
    }
    std::string& text = newRow("group ");
    text += formatInteger(state.group.count);
    text += ": g grab, s scale, w turn, k duplicate, j mirror, u extrude, y weld, d delete";
    printRow(5, text);
}

void drawVerticesHelp(const EditorState& state) {
    std::string& text = newRow("Vertex edit mode. mouse ");
    text += formatInteger(state.input.mouseX);
    text += ' ';
    text += formatInteger(state.input.mouseY);
    text += " pointer distance ";
    text += formatInteger(state.input.pointerDistance);
    if (state.input.snapToGrid) text += " snap 10";
    printRow(2, text);
    if (state.groupOperation.action != GroupAction::none) {
        drawGroupOperationHelp(state.groupOperation);
        return;
    }
    drawSelectionHelp(state);
    drawGroupRow(state);
}

// A swatch of two cells in the colour; the current colour's carries a mark in black or white,
// whichever stands out from it.
void drawSwatch(int column, uint32_t colour, bool current) {
    const uint32_t luma = (299 * (colour >> 16 & 0xFF) + 587 * (colour >> 8 & 0xFF) + 114 * (colour & 0xFF)) / 1000;
    setColor(luma > 127 ? 0x000000 : 0xFFFFFF, colour);
    locate(paintRow, column);
    printString(current ? "[]" : "  ", 0);
}

// Row 5: the current colour, its number and swatch, and the strip that chooses it; row 6 the
// painting keys.
void drawPaintRows(const EditorState& state) {
    const int32_t current = state.paint.colour;
    std::string& text = newRow("colour ");
    text += formatInteger(current);
    printRow(paintRow, text);
    drawSwatch(currentSwatchColumn, swatchColour(state.model.palette, current), false);
    for (int32_t colour = 0; colour < stripColours; ++colour)
        drawSwatch(stripColumn + swatchCells * colour, swatchColour(state.model.palette, colour), colour == current);
    setColor(helpForeground, helpBackground);
    printRow(paintRow + 1, "[ ] colour, b paint, = take colour, B from picture, Shift+click paint");
}

void drawPolysHelp(const EditorState& state) {
    printRow(2, "polygon Edit mode. L-click to create, R-click to select");
    drawPaintRows(state);
    if (state.selection.polygon >= 0) return;
    const int64_t index = -static_cast<int64_t>(state.selection.polygon) - 1;
    const bool twoSided =
        index < maxPolygons && (state.model.polygons[static_cast<std::size_t>(index)].flags & twoSidedFlag) != 0;
    printRow(3, twoSided ? "polygon is  2 sided, t to toggle, p to flip" : "polygon is  1 sided, t to toggle, p to flip");
    printRow(4, "d to delete selected polygon");
}

// Names are UTF-8 on disk. A name too long for the rest of the row keeps its end, where the
// file's own name is, and the help before it stays whole.
void drawFileHelp(const EditorState& state) {
    constexpr std::string_view help = "File mode. l=load, a=save as, s=quick save, current file:";
    std::string& text = newRow(help);
    text += keepEnd(cp437FromUtf8(state.currentFileName), static_cast<std::size_t>(rowCells) - help.size());
    printRow(2, text);
    // Rows 3 and 4 are the commands' prompts and messages; a long typed name runs on below them,
    // so the mode's other keys take one row only.
    printRow(5, "b=picture for the current view, B=remove it, P=palette from a .gpl, .hex or picture file");
}

void drawCameraHelp(const EditorState& state) {
    printRow(3, "a/s/d front, side, top view, A/S/D the opposite side, p orthographic");
    drawPictureHelp(state);
}

void drawHelpLines(const EditorState& state) {
    switch (state.mode) {
        case EditorMode::rotate:
            printRow(2, "Rotate mode. Click and drag or z to reset");
            printRow(3, "a/s/d to advance 90 degrees");
            break;
        case EditorMode::vertices:
            drawVerticesHelp(state);
            break;
        case EditorMode::file:
            drawFileHelp(state);
            break;
        case EditorMode::camera:
            printRow(2, "Camera mode. Click and drag or z to reset");
            drawCameraHelp(state);
            break;
        case EditorMode::polys:
            drawPolysHelp(state);
            break;
    }
}

}  // namespace

int32_t tabRowYFor(int32_t screenHeight) { return (screenHeight / cellHeight - 1) * cellHeight - cellHeight; }

// Drawn over a freshly copied frame, so nothing old can stand in it; it is not cleared, and the
// picture shows right of it.
void drawValueRow(EditorState& state) {
    const Camera& camera = state.camera;
    setColor(helpForeground, helpBackground);
    std::string& text = newRow("axy ");
    text += formatInteger(wholeDegrees(camera.axy));
    text += " axz ";
    text += formatInteger(wholeDegrees(camera.axz));
    text += " ayz ";
    text += formatInteger(wholeDegrees(camera.ayz));
    text += " distance ";
    text += formatInteger(camera.distance);
    text += " zoom ";
    addWholeSingle(text, camera.zoom);
    text += " verts ";
    text += formatInteger(state.model.vertexCount);
    text += " polys ";
    text += formatInteger(state.model.polygonCount);
    text += " drawdepth ";
    text += formatInteger(camera.drawdepth);
    if (camera.orthographic) text += " ortho";
    locate(1, 1);
    // Cut at the row's end, as extreme values would wrap onto row 2; the angles come first.
    printString(std::string_view(text).substr(0, static_cast<std::size_t>(rowCells)), 0);
    locate(2, 1);
}

void drawHeldMessage(EditorState& state) {
    HeldMessage& message = state.heldMessage;
    if (message.text.empty()) return;
    setColor(helpForeground, helpBackground);
    printRow(message.row, message.text);
    message.text.clear();
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
