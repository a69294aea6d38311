// Vertices mode: the 3-D pointer, placing, picking, moving and deleting vertices.
#include <algorithm>
#include <span>

#include "core/numeric.h"
#include "ui/editing.h"
#include "ui/modes.h"
#include "ui/pointer.h"
#include "ui/vertex_pick.h"

namespace vx {
namespace {

// One step per pass, however far the wheel turned since the previous poll.
void stepPointerDistance(InputState& input) {
    if (input.mouseWheel > input.prevMouseWheel) input.pointerDistance = wrapAdd(input.pointerDistance, 1);
    if (input.mouseWheel < input.prevMouseWheel) input.pointerDistance = wrapSub(input.pointerDistance, 1);
}

void updatePointerPosition(EditorState& state) {
    const InputState& input = state.input;
    state.input.pointerPosition = unprojectPointer(state, wrapSub(input.mouseX, state.camera.panX),
                                                   wrapSub(input.mouseY, state.camera.panY), input.pointerDistance);
}

Vertex pointerVertex(const InputState& input) {
    const auto& p = input.pointerPosition;
    return {roundToInt32(p[0]), roundToInt32(p[1]), roundToInt32(p[2])};
}

void editWithNothingSelected(EditorState& state) {
    Model& model = state.model;
    updatePointerPosition(state);
    if (state.input.key == "d" && model.vertexCount > 0) {
        --model.vertexCount;
        state.redrawPending = 1;
    }
    // A full table takes no more vertices.
    if (state.input.leftClick && model.vertexCount < maxVertices) {
        model.vertices[static_cast<std::size_t>(model.vertexCount++)] = pointerVertex(state.input);
        state.redrawPending = 1;
    }
}

// A selection kept over a load or a delete may name a vertex that no longer exists; it is
// then neither moved nor deleted.
void editSelectedVertex(EditorState& state) {
    Model& model = state.model;
    const int32_t k = state.selection.vertices[0];
    updatePointerPosition(state);
    if (state.input.key == "d") {
        deleteVertex(model, k);
        state.selection.vertexCount = 0;
        state.redrawPending = 1;
        return;
    }
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

void verticesBlock(EditorState& state) {
    stepPointerDistance(state.input);
    if (state.selection.vertexCount == 0)
        editWithNothingSelected(state);
    else if (state.selection.vertexCount == 1)
        editSelectedVertex(state);
    else if (state.input.leftClick)
        joinSelectedVertices(state);
    if (state.input.rightClick && state.selection.vertexCount < 4) pickVertex(state);
}

}  // namespace vx
