// Grab, scale and turn of the vertex group. Every pass works from the positions the members had
// when the operation started, so a long drag never gathers rounding.
#include "ui/group_transform.h"

#include <cmath>

#include "core/numeric.h"
#include "render/projection.h"
#include "ui/pointer.h"
#include "ui/vertex_group.h"

namespace vx {
namespace {

int32_t place(double value, bool snap) { return snap ? snapToStep(value) : roundToInt32(value); }

// Sets every member from its start position through `move`.
template <typename Move>
void moveMembers(EditorState& state, Move move) {
    const GroupOperation& op = state.groupOperation;
    const int32_t count = std::min(state.model.vertexCount, maxVertices);
    for (int32_t i = 0; i < count; ++i) {
        if (inGroup(state.group, i))
            state.model.vertices[static_cast<std::size_t>(i)] = move(op.start[static_cast<std::size_t>(i)]);
    }
}

void grab(EditorState& state) {
    GroupOperation& op = state.groupOperation;
    const InputState& input = state.input;
    const std::array<float, 3> now = unprojectPointer(state, wrapSub(input.mouseX, state.camera.panX),
                                                      wrapSub(input.mouseY, state.camera.panY), op.centreDepth);
    // The offset is whole units (or whole grid steps), so the members keep their shape exactly.
    for (std::size_t axis = 0; axis < 3; ++axis)
        op.shown[axis] = place(static_cast<double>(now[axis]) - op.grabStart[axis], state.input.snapToGrid);
    moveMembers(state, [&](const Vertex& v) {
        return Vertex{wrapAdd(v.x, op.shown[0]), wrapAdd(v.y, op.shown[1]), wrapAdd(v.z, op.shown[2])};
    });
}

double pointerOffset(const EditorState& state, int32_t x, int32_t y, double& dx, double& dy) {
    dx = x - state.groupOperation.centreScreenX;
    dy = y - state.groupOperation.centreScreenY;
    return std::hypot(dx, dy);
}

void scale(EditorState& state) {
    GroupOperation& op = state.groupOperation;
    double dx = 0, dy = 0;
    const double from = pointerOffset(state, op.startMouseX, op.startMouseY, dx, dy);
    const double to = pointerOffset(state, state.input.mouseX, state.input.mouseY, dx, dy);
    // Pressed on the centre itself there is no distance to compare with: nothing scales.
    const double factor = from < 1.0 ? 1.0 : to / from;
    op.shown[0] = roundToInt32(factor * 100.0);
    const bool snap = state.input.snapToGrid;
    moveMembers(state, [&](const Vertex& v) {
        return Vertex{place(op.centre[0] + (v.x - op.centre[0]) * factor, snap),
                      place(op.centre[1] + (v.y - op.centre[1]) * factor, snap),
                      place(op.centre[2] + (v.z - op.centre[2]) * factor, snap)};
    });
}

using Matrix = std::array<std::array<double, 3>, 3>;

// The camera's turn as a matrix: column j is where the model's axis j points in view space.
Matrix cameraTurn(const EditorState& state) {
    const Projection projection = projectionOf(state.camera, state.screen);
    Matrix turn{};
    for (std::size_t j = 0; j < 3; ++j) {
        ViewPoint view{};
        transformPoint(projection, j == 0 ? 1.0f : 0.0f, j == 1 ? 1.0f : 0.0f, j == 2 ? 1.0f : 0.0f, view);
        turn[0][j] = view.x, turn[1][j] = view.y, turn[2][j] = view.z;
    }
    return turn;
}

// The turn by `angle` about the view axis, in model space: back from view space (the camera's
// turn is a rotation, so its transpose undoes it) after turning the view x and y.
Matrix screenPlaneTurn(const EditorState& state, double angle) {
    const Matrix r = cameraTurn(state);
    const double c = std::cos(angle), s = std::sin(angle);
    const Matrix inView = {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
    Matrix m{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            for (std::size_t a = 0; a < 3; ++a)
                for (std::size_t b = 0; b < 3; ++b) m[i][j] += r[a][i] * inView[a][b] * r[b][j];
    return m;
}

void turn(EditorState& state) {
    GroupOperation& op = state.groupOperation;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    pointerOffset(state, op.startMouseX, op.startMouseY, x0, y0);
    pointerOffset(state, state.input.mouseX, state.input.mouseY, x1, y1);
    // Screen y grows downward and so does view y: the angle swept on the screen is the view's.
    const double angle = std::atan2(y1, x1) - std::atan2(y0, x0);
    op.shown[0] = roundToInt32(std::remainder(angle * 180.0 / 3.141592653589793, 360.0));
    const Matrix m = screenPlaneTurn(state, angle);
    const bool snap = state.input.snapToGrid;
    moveMembers(state, [&](const Vertex& v) {
        const double d[3] = {v.x - op.centre[0], v.y - op.centre[1], v.z - op.centre[2]};
        Vertex out{};
        int32_t* axes[3] = {&out.x, &out.y, &out.z};
        for (std::size_t i = 0; i < 3; ++i)
            *axes[i] = place(op.centre[i] + m[i][0] * d[0] + m[i][1] * d[1] + m[i][2] * d[2], snap);
        return out;
    });
}

}  // namespace

void startGroupOperation(EditorState& state, GroupAction action, const char* name, const VertexGroup& groupBefore) {
    GroupOperation& op = state.groupOperation;
    op.action = action;
    op.name = name;
    op.startMouseX = state.input.mouseX;
    op.startMouseY = state.input.mouseY;
    op.start = state.model.vertices;
    op.groupBefore = groupBefore;
    op.extruding = false;
    op.shown[0] = op.shown[1] = op.shown[2] = 0;
    op.centre = groupCentre(state.model, state.group);
    const Projection projection = projectionOf(state.camera, state.screen);
    ViewPoint view{};
    transformPoint(projection, static_cast<float>(op.centre[0]), static_cast<float>(op.centre[1]),
                   static_cast<float>(op.centre[2]), view);
    op.centreDepth = roundToInt32(view.z);
    // Behind the eye the centre has no screen position; the pointer then stands in for it.
    const double depth = view.depth > 0.0f ? screenDivisor(projection, view.depth) : 0.0;
    op.centreScreenX =
        depth > 0 ? view.x * projection.zoom / depth + projection.centreX + state.camera.panX : op.startMouseX;
    op.centreScreenY =
        depth > 0 ? view.y * projection.zoom / depth + projection.centreY + state.camera.panY : op.startMouseY;
    op.grabStart = unprojectPointer(state, wrapSub(op.startMouseX, state.camera.panX),
                                    wrapSub(op.startMouseY, state.camera.panY), op.centreDepth);
    state.redrawPending = 1;
}

void followPointer(EditorState& state) {
    if (state.input.mouseX < 0) return;  // outside the window: the pointer says nothing
    switch (state.groupOperation.action) {
        case GroupAction::grab:
            grab(state);
            break;
        case GroupAction::scale:
            scale(state);
            break;
        case GroupAction::turn:
            turn(state);
            break;
        case GroupAction::none:
            return;
    }
    state.redrawPending = 1;
}

void keepGroupOperation(EditorState& state) {
    GroupOperation& op = state.groupOperation;
    if (op.extruding) {
        const std::array<double, 3> now = groupCentre(state.model, state.group);
        finishExtrude(state.model, op.extrude, {now[0] - op.centre[0], now[1] - op.centre[1], now[2] - op.centre[2]});
    }
    op.action = GroupAction::none;
    state.redrawPending = 1;
}

void cancelGroupOperation(EditorState& state) {
    restorePresent(state.history, state.model);
    state.group = state.groupOperation.groupBefore;
    state.groupOperation.action = GroupAction::none;
    state.redrawPending = 1;
}

}  // namespace vx
