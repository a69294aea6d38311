// Polys mode and the joining of selected vertices into lines and polygons.
#include <algorithm>
#include <cmath>
#include <optional>

#include "core/numeric.h"
#include "ui/editing.h"
#include "ui/key_bindings.h"
#include "ui/modes.h"
#include "ui/paint.h"
#include "ui/vertex_pick.h"

namespace vx {
namespace {

// Full tables take nothing more: an append past the last entry changes nothing.
void appendLine(Model& model, uint16_t a, uint16_t b) {
    if (model.lineCount >= maxLines) return;
    model.lines[static_cast<std::size_t>(model.lineCount++)] = {a, b};
}

void appendPolygon(Model& model, std::array<uint16_t, 4> slots, uint16_t flags) {
    if (model.polygonCount >= maxPolygons) return;
    model.polygons[static_cast<std::size_t>(model.polygonCount++)] = {slots, flags};
}

// The selected polygon's index, when it names a polygon of the model. A selection kept over a
// load or a vertex delete may name none, and is then never used to address the table.
std::optional<std::size_t> selectedIndex(const EditorState& state) {
    if (state.selection.polygon >= 0) return std::nullopt;
    const int64_t i = -int64_t{state.selection.polygon} - 1;
    if (i >= state.model.polygonCount) return std::nullopt;
    return static_cast<std::size_t>(i);
}

Polygon* selectedPolygon(EditorState& state) {
    const std::optional<std::size_t> i = selectedIndex(state);
    return i ? &state.model.polygons[*i] : nullptr;
}

// Only the pixel under the pointer counts; background and vertex markers keep the selection.
void pickPolygon(EditorState& state) {
    const ScreenBuffers& screen = state.screen;
    const int32_t x = state.input.mouseX, y = state.input.mouseY;
    if (x < 0 || x >= screen.screenWidth || y < 0 || y >= screen.screenHeight) return;
    const int32_t code = screen.pickBuffer[pixelIndex(screen, x, y)];
    if (code >= 0) return;
    state.selection.polygon = code == state.selection.polygon ? 0 : code;
    state.redrawPending = 1;
}

// The direction of (dx, dy) from the rightward axis turning toward screen-down, 0 .. 2 pi,
// worked out with the editor's own pi as every angle is.
float screenAngle(int32_t dx, int32_t dy) {
    const double x = dx, y = dy;
    const auto length = static_cast<float>(std::sqrt(x * x + y * y));
    if (length == 0.0f) return 0.0f;
    auto angle = static_cast<float>(std::asin(y / static_cast<double>(length)));
    if (dx < 0) angle = static_cast<float>(static_cast<double>(pi) - static_cast<double>(angle));
    if (angle < 0.0f) angle = static_cast<float>(static_cast<double>(angle) + 2.0 * static_cast<double>(pi));
    return angle;
}

// Insertion by rising angle; of two equal angles the later-found goes first.
void sortByAngle(std::array<uint16_t, 4>& nearVertices, std::array<float, 4>& nearAngles) {
    for (std::size_t i = 1; i < 4; ++i) {
        const uint16_t vertex = nearVertices[i];
        const float angle = nearAngles[i];
        std::size_t j = i;
        for (; j > 0 && nearAngles[j - 1] >= angle; --j) {
            nearVertices[j] = nearVertices[j - 1];
            nearAngles[j] = nearAngles[j - 1];
        }
        nearVertices[j] = vertex;
        nearAngles[j] = angle;
    }
}

// Joins the first four markers of the smallest square around the pointer that holds four
// into a two-sided quad whose corners circle the pointer clockwise on the screen.
void makeQuadAroundPointer(EditorState& state) {
    const InputState& input = state.input;
    std::array<int32_t, 4> found{};
    if (!findFourMarkers(state.screen, input.mouseX, input.mouseY, state.screen.screenHeight / 2, found)) return;
    std::array<uint16_t, 4> nearVertices{};
    std::array<float, 4> nearAngles{};
    for (std::size_t i = 0; i < 4; ++i) {
        if (found[i] >= state.model.vertexCount) return;  // a marker of a vertex no longer there
        const ProjectedVertex& at = state.projected[static_cast<std::size_t>(found[i])];
        nearVertices[i] = static_cast<uint16_t>(found[i]);
        nearAngles[i] = screenAngle(wrapSub(at.screenX, input.mouseX), wrapSub(at.screenY, input.mouseY));
    }
    sortByAngle(nearVertices, nearAngles);
    appendPolygon(state.model, nearVertices, twoSidedFlag);
    state.redrawPending = 1;
}

}  // namespace

bool selectsPolygon(const EditorState& state) { return selectedIndex(state).has_value(); }

// Swapping slots 1 and 3 reverses the corner order and so the facing.
void flipSelectedPolygon(EditorState& state) {
    Polygon* polygon = selectedPolygon(state);
    if (!polygon) return;
    std::swap(polygon->slots[1], polygon->slots[3]);
    state.redrawPending = 1;
}

void toggleSelectedPolygonSides(EditorState& state) {
    Polygon* polygon = selectedPolygon(state);
    if (!polygon) return;
    polygon->flags ^= twoSidedFlag;
    state.redrawPending = 1;
}

void deleteSelectedPolygon(EditorState& state) {
    Model& model = state.model;
    if (Polygon* polygon = selectedPolygon(state)) {
        const auto polygons = model.polygons.begin();
        const auto i = polygon - model.polygons.data();
        std::copy(polygons + i + 1, polygons + model.polygonCount, polygons + i);
        --model.polygonCount;
    }
    state.selection.polygon = 0;
    state.redrawPending = 1;
}

void joinSelectedVertices(EditorState& state) {
    Selection& selection = state.selection;
    const auto& s = selection.vertices;
    if (selection.vertexCount == 2) {
        appendLine(state.model, s[0], s[1]);
        // The line's second end stays selected, so the next pick continues a chain.
        selection.vertices[0] = s[1];
        selection.vertexCount = 1;
        state.redrawPending = 1;
    }
    if (selection.vertexCount == 3) {
        appendPolygon(state.model, {s[0], s[1], s[2], s[2]}, 0);
        selection.vertexCount = 0;
        state.redrawPending = 1;
    }
    if (selection.vertexCount == 4) {
        appendPolygon(state.model, s, 0);
        selection.vertexCount = 0;
        state.redrawPending = 1;
    }
}

void polysBlock(EditorState& state) {
    runKeyBinding(polysKeys, state);
    if (state.input.rightClick) pickPolygon(state);
    if (paintWithPointer(state)) return;
    if (state.input.leftClick && state.model.vertexCount > 3) makeQuadAroundPointer(state);
}

}  // namespace vx
