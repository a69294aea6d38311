// Vertices mode: the 3-D pointer, placing, picking, moving and deleting vertices, and the keys
// and Shift gestures of the vertex group.
#include <algorithm>
#include <span>

#include "core/numeric.h"
#include "platform/console/input.h"
#include "ui/editing.h"
#include "ui/group_transform.h"
#include "ui/key_bindings.h"
#include "ui/modes.h"
#include "ui/pointer.h"
#include "ui/undo.h"
#include "ui/vertex_group.h"
#include "ui/vertex_pick.h"

namespace vx {
namespace {

constexpr int32_t shiftWheelStep = 10;

bool shiftHeld(const InputState& input) { return (input.mouseModifiers & shiftModifier) != 0; }

// One step per pass, however far the wheel turned since the previous poll; with Shift, ten
// per notch, for crossing a model quickly. Outside the window every mouse field reads -1, so
// the wheel's jump on leaving or entering is no notch and is stepped as without Shift.
void stepPointerDistance(InputState& input) {
    if (shiftHeld(input) && input.mouseX >= 0 && input.prevMouseX >= 0) {
        const int32_t notches = wrapSub(input.mouseWheel, input.prevMouseWheel);
        input.pointerDistance = wrapAdd(input.pointerDistance, static_cast<int32_t>(static_cast<uint32_t>(notches) * shiftWheelStep));
        return;
    }
    if (input.mouseWheel > input.prevMouseWheel) input.pointerDistance = wrapAdd(input.pointerDistance, 1);
    if (input.mouseWheel < input.prevMouseWheel) input.pointerDistance = wrapSub(input.pointerDistance, 1);
}

// With snapping on, the pointer itself sits on the grid, so the help line shows where a click
// puts the vertex.
void updatePointerPosition(EditorState& state) {
    InputState& input = state.input;
    input.pointerPosition = unprojectPointer(state, wrapSub(input.mouseX, state.camera.panX),
                                             wrapSub(input.mouseY, state.camera.panY), input.pointerDistance);
    if (!input.snapToGrid) return;
    for (float& axis : input.pointerPosition) axis = static_cast<float>(snapToStep(axis));
}

Vertex pointerVertex(const InputState& input) {
    const auto& p = input.pointerPosition;
    return {roundToInt32(p[0]), roundToInt32(p[1]), roundToInt32(p[2])};
}

void editWithNothingSelected(EditorState& state) {
    Model& model = state.model;
    updatePointerPosition(state);
    // A full table takes no more vertices.
    if (state.input.leftClick && model.vertexCount < maxVertices) {
        model.vertices[static_cast<std::size_t>(model.vertexCount++)] = pointerVertex(state.input);
        state.redrawPending = 1;
    }
}

// A selection kept over a load or a delete may name a vertex that no longer exists; it is
// then not moved.
void editSelectedVertex(EditorState& state) {
    Model& model = state.model;
    const int32_t k = state.selection.vertices[0];
    updatePointerPosition(state);
    if (state.input.leftClick) {
        if (k < model.vertexCount) model.vertices[static_cast<std::size_t>(k)] = pointerVertex(state.input);
        state.redrawPending = 1;
    }
}

// Right-clicking a vertex selects it; right-clicking one already selected moves the pointer
// to its depth and clears the selection.
void pickVertex(EditorState& state) {
    Selection& selection = state.selection;
    const VertexPick pick = findVertexNearPointer(state);
    if (pick.code <= 0) return;
    const auto vertex = static_cast<uint16_t>(pick.code - 1);
    const auto picked = selection.vertices.begin();
    if (std::find(picked, picked + selection.vertexCount, vertex) != picked + selection.vertexCount) {
        state.input.pointerDistance = pick.depth;
        selection.vertexCount = 0;
    } else {
        selection.vertices[static_cast<std::size_t>(selection.vertexCount++)] = vertex;
    }
    state.redrawPending = 1;
}

void followIfMoved(EditorState& state) {
    const InputState& input = state.input;
    if (input.mouseX != input.prevMouseX || input.mouseY != input.prevMouseY) followPointer(state);
}

// While an operation follows the pointer it takes all input but "q" and the close key: a click
// keeps it, Esc or a right click cancels it, and other keys are dropped.
void runGroupOperation(EditorState& state) {
    InputState& input = state.input;
    if (!runKeyBinding(groupOperationKeys, state)) {
        if (input.rightClick) {
            cancelGroupOperation(state);
        } else {
            followIfMoved(state);
            if (input.leftClick) keepGroupOperation(state);
        }
    }
    if (input.key != quitKey && input.key != closeKey) input.key.clear();
}

// The vertices whose markers the last frame drew inside the rectangle, edges included.
void groupMarkersInRectangle(EditorState& state) {
    const GroupRectangle& r = state.groupRectangle;
    const int32_t left = std::min(r.startX, r.endX), right = std::max(r.startX, r.endX);
    const int32_t top = std::min(r.startY, r.endY), bottom = std::max(r.startY, r.endY);
    const int32_t count = std::clamp(state.model.vertexCount, 0, maxVertices);
    for (int32_t i = 0; i < count; ++i) {
        const ProjectedVertex& p = state.projected[static_cast<std::size_t>(i)];
        if (p.depth < 1 || p.depth > state.camera.drawdepth) continue;  // no marker this frame
        if (p.screenX >= left && p.screenX <= right && p.screenY >= top && p.screenY <= bottom)
            setGroupMember(state.group, i, !r.removing);
    }
}

// Shift + left drag: the rectangle follows the pointer while the button is held, and on release
// the vertices whose markers lie inside join the group (or leave it, with Ctrl).
void dragGroupRectangle(EditorState& state) {
    InputState& input = state.input;
    GroupRectangle& rectangle = state.groupRectangle;
    if (input.leftClick && shiftHeld(input)) {
        rectangle = {true, (input.mouseModifiers & ctrlModifier) != 0, input.mouseX, input.mouseY, input.mouseX, input.mouseY};
        input.leftClick = 0;  // the press starts the rectangle and places nothing
        state.redrawPending = 1;
        return;
    }
    if (!rectangle.active) return;
    rectangle.endX = input.mouseX;
    rectangle.endY = input.mouseY;
    if (!(input.mouseButtons & 1)) {
        rectangle.active = false;
        groupMarkersInRectangle(state);
    }
    state.redrawPending = 1;
}

// Shift + right click adds the vertex under the pointer to the group, or takes it out.
void toggleGroupVertex(EditorState& state) {
    const VertexPick pick = findVertexNearPointer(state);
    state.input.rightClick = 0;  // the selection of four stays as it is
    if (pick.code <= 0) return;
    setGroupMember(state.group, pick.code - 1, !inGroup(state.group, pick.code - 1));
    state.redrawPending = 1;
}

bool reportVerdict(EditorState& state, GroupVerdict verdict) {
    if (verdict == GroupVerdict::tablesFull) state.vertexMessage = "tables full";
    if (verdict != GroupVerdict::emptyGroup) state.redrawPending = 1;
    return verdict == GroupVerdict::done;
}

// A copy or an extrusion that worked is followed by a grab, so it lands where the pointer takes it.
void copyThenGrab(EditorState& state, bool extrude) {
    const VertexGroup before = state.group;
    GroupOperation& op = state.groupOperation;
    const GroupVerdict verdict =
        extrude ? extrudeGroup(state.model, state.group, op.extrude) : duplicateGroup(state.model, state.group);
    if (!reportVerdict(state, verdict)) return;
    startGroupOperation(state, GroupAction::grab, extrude ? "extrude" : "duplicate", before);
    op.extruding = extrude;
}

// A cancel goes back to the last recorded model: a change not yet recorded (a grab kept by a
// click on a tab) is recorded first, so a cancel keeps it.
void startFollowing(EditorState& state, GroupAction action, const char* name) {
    recordModelStep(state);
    startGroupOperation(state, action, name, state.group);
}

void startCopy(EditorState& state, bool extrude) {
    recordModelStep(state);
    copyThenGrab(state, extrude);
}

template <typename Entry, std::size_t capacity, typename Uses>
void removeUsers(std::array<Entry, capacity>& table, int32_t& count, Uses uses) {
    const auto end = std::remove_if(table.begin(), table.begin() + count, uses);
    count = static_cast<int32_t>(end - table.begin());
}

uint16_t renumbered(uint16_t index, int32_t k) { return index > k ? static_cast<uint16_t>(index - 1) : index; }

}  // namespace

// Removing every user in one stable pass leaves the same tables as removing them one by one
// from the last to the first, without moving the rest once per removal.
void deleteVertex(Model& model, int32_t k) {
    if (k < 0 || k >= model.vertexCount) return;
    removeUsers(model.lines, model.lineCount, [k](const Line& line) { return line.a == k || line.b == k; });
    removeUsers(model.polygons, model.polygonCount, [k](const Polygon& polygon) {
        return std::find(polygon.slots.begin(), polygon.slots.end(), k) != polygon.slots.end();
    });
    const auto vertices = model.vertices.begin();
    std::copy(vertices + k + 1, vertices + model.vertexCount, vertices + k);
    for (Line& line : std::span(model.lines.data(), static_cast<std::size_t>(model.lineCount))) {
        line.a = renumbered(line.a, k);
        line.b = renumbered(line.b, k);
    }
    for (Polygon& polygon : std::span(model.polygons.data(), static_cast<std::size_t>(model.polygonCount))) {
        for (uint16_t& slot : polygon.slots) slot = renumbered(slot, k);
    }
    --model.vertexCount;
}

void groupEveryVertexOrNone(EditorState& state) {
    groupAllOrNone(state.group, state.model.vertexCount);
    state.redrawPending = 1;
}

void toggleSnapToGrid(EditorState& state) {
    state.input.snapToGrid = !state.input.snapToGrid;
    state.redrawPending = 1;
}

void startGrab(EditorState& state) { startFollowing(state, GroupAction::grab, "grab"); }
void startScale(EditorState& state) { startFollowing(state, GroupAction::scale, "scale"); }
void startTurn(EditorState& state) { startFollowing(state, GroupAction::turn, "turn"); }
void startDuplicateAndGrab(EditorState& state) { startCopy(state, false); }
void startExtrudeAndGrab(EditorState& state) { startCopy(state, true); }

void mirrorTheGroup(EditorState& state) { reportVerdict(state, mirrorGroup(state.model, state.group)); }

void weldTheGroup(EditorState& state) {
    reportVerdict(state, weldGroup(state.model, state.group, state.selection, state.input.snapToGrid));
}

void deleteTheGroup(EditorState& state) {
    reportVerdict(state, deleteGroup(state.model, state.group, state.selection));
}

void deleteLastVertex(EditorState& state) {
    --state.model.vertexCount;
    state.redrawPending = 1;
}

// A selection kept over a load or a delete may name a vertex that no longer exists; nothing
// is then deleted.
void deleteSelectedVertex(EditorState& state) {
    deleteVertex(state.model, state.selection.vertices[0]);
    state.selection.vertexCount = 0;
    state.input.leftClick = 0;
    state.redrawPending = 1;
}

// The last picked vertex gives way to the one hidden behind it on the same pixel.
void pickVertexBehind(EditorState& state) {
    const int32_t behind = vertexBehindLastPicked(state);
    if (behind < 0) return;
    state.selection.vertices[static_cast<std::size_t>(state.selection.vertexCount - 1)] = static_cast<uint16_t>(behind);
    state.redrawPending = 1;
}

void keepFollowing(EditorState& state) {
    followIfMoved(state);
    keepGroupOperation(state);
}

void verticesBlock(EditorState& state) {
    InputState& input = state.input;
    if (groupOperationRunning(state)) {
        runGroupOperation(state);
        return;
    }
    if (state.vertexMessage && (!input.key.empty() || input.leftClick || input.rightClick)) {
        state.vertexMessage = nullptr;
        state.redrawPending = 1;
    }
    stepPointerDistance(state.input);
    dragGroupRectangle(state);
    if (input.rightClick && shiftHeld(input)) toggleGroupVertex(state);
    // A key that acted is used up, so the every-mode keys never see it.
    if (runKeyBinding(verticesKeys, state)) input.key.clear();
    if (state.selection.vertexCount == 0)
        editWithNothingSelected(state);
    else if (state.selection.vertexCount == 1)
        editSelectedVertex(state);
    else if (state.input.leftClick)
        joinSelectedVertices(state);
    if (state.input.rightClick && state.selection.vertexCount < 4) pickVertex(state);
}

}  // namespace vx
