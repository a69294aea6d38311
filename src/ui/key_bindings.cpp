// The key bindings of every mode, and the one lookup that reads them.
#include "ui/key_bindings.h"

#include "ui/group_transform.h"
#include "ui/modes.h"
#include "ui/typed_position.h"
#include "ui/undo.h"
#include "ui/view_pictures.h"
#include "ui/view_keys.h"

namespace vx {
namespace {

constexpr KeyMode rotate = EditorMode::rotate;
constexpr KeyMode camera = EditorMode::camera;
constexpr KeyMode vertices = EditorMode::vertices;
constexpr KeyMode polys = EditorMode::polys;
constexpr KeyMode file = EditorMode::file;

bool hasGroup(const EditorState& state) { return state.group.count > 0; }
bool nothingSelectedButVertices(const EditorState& state) {
    return state.selection.vertexCount == 0 && state.model.vertexCount > 0;
}
bool oneVertexSelected(const EditorState& state) { return state.selection.vertexCount == 1; }
bool atMostOneVertexSelected(const EditorState& state) { return state.selection.vertexCount <= 1; }
bool noRightClick(const EditorState& state) { return !state.input.rightClick; }
bool anyPolygonSelected(const EditorState& state) { return state.selection.polygon < 0; }

constexpr KeyBinding rotateRows[] = {
    {"a", rotate, nullptr, quarterTurnAxy, "a", "quarter turn in the plane of the screen"},
    {"s", rotate, nullptr, quarterTurnAxz, "s", "quarter turn about the upright axis"},
    {"d", rotate, nullptr, quarterTurnAyz, "d", "quarter turn about the level axis"},
    {"z", rotate, nullptr, resetTurns, "z", "reset the turns"},
};

constexpr KeyBinding cameraRows[] = {
    {"z", camera, nullptr, resetPanAndZoom, "z", "reset pan and zoom"},
    {"a", camera, nullptr, showView<0>, "a", "front view"},
    {"A", camera, nullptr, showView<1>, "A", "back view"},
    {"s", camera, nullptr, showView<2>, "s", "side view (the right side)"},
    {"S", camera, nullptr, showView<3>, "S", "the other side (the left side)"},
    {"d", camera, nullptr, showView<4>, "d", "top view"},
    {"D", camera, nullptr, showView<5>, "D", "bottom view"},
    {"p", camera, nullptr, toggleOrthographic, "p", "orthographic or perspective"},
    {"[", camera, currentViewHasPicture, lessOpaque, "[", "the view's picture less opaque"},
    {"]", camera, currentViewHasPicture, moreOpaque, "]", "the view's picture more opaque"},
    {"k", camera, currentViewHasPicture, startCalibration, "k", "calibrate the picture's scale"},
    {escapeKey, camera, calibrating, cancelCalibration, nullptr, "cancel the calibration"},
};

// The group's keys come first: with a group, "d" deletes the group, not a vertex.
constexpr KeyBinding verticesRows[] = {
    {"a", vertices, nullptr, groupEveryVertexOrNone, "a", "group every vertex, or none when all are in"},
    {"h", vertices, nullptr, toggleSnapToGrid, "h", "snap to the 10-unit grid, or stop snapping"},
    {"g", vertices, hasGroup, startGrab, "g", "grab the group"},
    {"s", vertices, hasGroup, startScale, "s", "scale the group"},
    {"w", vertices, hasGroup, startTurn, "w", "turn the group"},
    {"k", vertices, hasGroup, startDuplicateAndGrab, "k", "duplicate the group and grab the copy"},
    {"u", vertices, hasGroup, startExtrudeAndGrab, "u", "extrude the group and grab it"},
    {"j", vertices, hasGroup, mirrorTheGroup, "j", "mirror the group through x = 0"},
    {"y", vertices, hasGroup, weldTheGroup, "y", "weld the group into one vertex"},
    {"=", vertices, atMostOneVertexSelected, typeVertexPosition, "=", "type x y z: move the selected vertex, or place one"},
    {"b", vertices, nullptr, pickVertexBehind, "b", "pick the vertex hidden behind the last one picked"},
    {"d", vertices, hasGroup, deleteTheGroup, "d", "delete the group"},
    {"d", vertices, nothingSelectedButVertices, deleteLastVertex, "d", "delete the last vertex"},
    {"d", vertices, oneVertexSelected, deleteSelectedVertex, "d", "delete the selected vertex"},
};

constexpr KeyBinding groupOperationRows[] = {
    {escapeKey, vertices, nullptr, cancelGroupOperation, "Esc", "cancel the grab, scale or turn"},
    {enterKey, vertices, noRightClick, keepFollowing, nullptr, "keep the grab, scale or turn"},
};

constexpr KeyBinding polysRows[] = {
    {"p", polys, selectsPolygon, flipSelectedPolygon, "p", "flip the selected polygon"},
    {"t", polys, selectsPolygon, toggleSelectedPolygonSides, "t", "make it one- or two-sided"},
    {"d", polys, anyPolygonSelected, deleteSelectedPolygon, "d", "delete it"},
    {"[", polys, nullptr, previousColour, "[", "the current colour one down"},
    {"]", polys, nullptr, nextColour, "]", "the current colour one up"},
    {"b", polys, selectsPolygon, paintSelectedPolygon, "b", "paint the selected polygon in the current colour"},
    {"=", polys, selectsPolygon, takeSelectedPolygonColour, "=", "take the selected polygon's colour"},
    {"B", polys, selectsPolygon, paintFromPicture, "B", "colour it from the picture behind it"},
};

constexpr KeyBinding fileRows[] = {
    {"s", file, nullptr, saveToCurrentFile, "s", "save to the current file"},
    {"a", file, nullptr, saveAs, "a", "save under a typed name"},
    {"l", file, nullptr, loadNamed, "l", "load a typed name"},
    {"L", file, nullptr, reloadCurrentFile, "L", "load the current file again"},
    {"b", file, nullptr, addViewPicture, "b", "a picture for the current view"},
    {"B", file, nullptr, removeViewPicture, "B", "remove the current view's picture"},
    {"P", file, nullptr, loadPalette, "P", "palette from a .gpl, .hex or picture file (empty name: built-in)"},
};

constexpr KeyBinding everyModeRows[] = {
    {quitKey, everyMode, nullptr, quitEditor, "q", "quit"},
    {closeKey, everyMode, nullptr, quitEditor, "close button", "quit, as q does"},
    {undoKey, everyMode, nullptr, undoLastStep, "Ctrl+Z", "undo"},
    {redoKey, everyMode, nullptr, redoNextStep, "Ctrl+Y", "redo"},
    {shiftRedoKey, everyMode, nullptr, redoNextStep, "Ctrl+Shift+Z", "redo"},
    {"r", everyMode, nullptr, switchMode<EditorMode::rotate>, "r", "Rotate mode"},
    {"v", everyMode, nullptr, switchMode<EditorMode::vertices>, "v", "Vertices mode"},
    {"f", everyMode, nullptr, switchMode<EditorMode::file>, "f", "File mode"},
    {"c", everyMode, nullptr, switchMode<EditorMode::camera>, "c", "Camera mode"},
    {"e", everyMode, nullptr, switchMode<EditorMode::polys>, "e", "Polys mode"},
    {"x", everyMode, nullptr, cancelSelections, "x", "cancel the selections and empty the group"},
    {"1", everyMode, nullptr, toggleLayer<0>, "1", "show or hide the vertex markers"},
    {"2", everyMode, nullptr, toggleLayer<1>, "2", "show or hide the lines"},
    {"3", everyMode, nullptr, toggleLayer<2>, "3", "show or hide the polygons"},
    {"4", everyMode, nullptr, nextShadeStyle, "4", "next polygon style"},
    {"+", everyMode, nullptr, zoomIn, "+", "zoom in"},
    {"-", everyMode, nullptr, zoomOut, "-", "zoom out"},
    {"o", everyMode, nullptr, stepView<&Camera::distance, 1>, "o", "camera distance up by 1"},
    {"i", everyMode, nullptr, stepView<&Camera::distance, -1>, "i", "camera distance down by 1"},
    {"O", everyMode, nullptr, stepView<&Camera::distance, 10>, "O", "camera distance up by 10"},
    {"I", everyMode, nullptr, stepView<&Camera::distance, -10>, "I", "camera distance down by 10"},
    {"m", everyMode, nullptr, stepView<&Camera::drawdepth, 1>, "m", "draw depth up by 1"},
    {"n", everyMode, nullptr, stepView<&Camera::drawdepth, -1>, "n", "draw depth down by 1"},
    {"M", everyMode, nullptr, stepView<&Camera::drawdepth, 10>, "M", "draw depth up by 10"},
    {"N", everyMode, nullptr, stepView<&Camera::drawdepth, -10>, "N", "draw depth down by 10"},
    {upKey, everyMode, nullptr, stepView<&Camera::panY, -1>, "arrow keys", "move the view a pixel up"},
    {leftKey, everyMode, nullptr, stepView<&Camera::panX, -1>, "arrow keys", "move the view a pixel left"},
    {rightKey, everyMode, nullptr, stepView<&Camera::panX, 1>, "arrow keys", "move the view a pixel right"},
    {downKey, everyMode, nullptr, stepView<&Camera::panY, 1>, "arrow keys", "move the view a pixel down"},
};

const std::span<const KeyBinding> allTables[] = {rotateRows, cameraRows, verticesRows, groupOperationRows,
                                                 polysRows,  fileRows,   everyModeRows};

}  // namespace

constinit const std::span<const KeyBinding> rotateKeys = rotateRows;
constinit const std::span<const KeyBinding> cameraKeys = cameraRows;
constinit const std::span<const KeyBinding> verticesKeys = verticesRows;
constinit const std::span<const KeyBinding> groupOperationKeys = groupOperationRows;
constinit const std::span<const KeyBinding> polysKeys = polysRows;
constinit const std::span<const KeyBinding> fileKeys = fileRows;
constinit const std::span<const KeyBinding> everyModeKeys = everyModeRows;
constinit const std::span<const std::span<const KeyBinding>> keyTables = allTables;

const KeyBinding* findKeyBinding(std::span<const KeyBinding> table, const EditorState& state) {
    for (const KeyBinding& binding : table) {
        if (binding.key == state.input.key && (!binding.when || binding.when(state))) return &binding;
    }
    return nullptr;
}

const KeyBinding* runKeyBinding(std::span<const KeyBinding> table, EditorState& state) {
    const KeyBinding* binding = findKeyBinding(table, state);
    if (binding) binding->action(state);
    return binding;
}

}  // namespace vx
