// Start values of the editor state and the default model.
#include "core/editor_state.h"

namespace vx {

void initEditorState(EditorState& state) {
    state.model.vertices = {};
    state.model.polygons = {};
    state.model.lines = {};
    state.model.vertexCount = 0;
    state.model.polygonCount = 0;
    state.model.lineCount = 0;
    state.model.palette = builtinPalette;
    state.polygonNormals = {};
    state.polygonFacing = {};
    state.projected = {};
    state.camera = {};
    state.showFlags = 0;
    state.shadeStyle = 0;
    state.mode = EditorMode::rotate;
    state.selection = {};
    state.group = {};
    state.groupOperation = {};
    state.groupRectangle = {};
    state.paint = {};
    state.vertexMessage = nullptr;
    state.background = {};
    state.screen = {};
    state.redrawPending = 0;
    state.input = {};
    state.loop = {};
    state.history = {};
    state.recovery = {};
    state.heldMessage = {};
    state.shownTitle = {};
    state.viewPictures = {};

    state.camera.drawdepth = 600;
    state.modelMagic = {'V', 'T', 'X', 'F', '\0'};
    state.currentFileName = "unnamed.vx";
}

void setDefaultModelAndView(EditorState& state) {
    static constexpr Vertex cube[8] = {
        {-100, -100, 100}, {100, -100, 100}, {100, 100, 100}, {-100, 100, 100},
        {-100, -100, -100}, {100, -100, -100}, {100, 100, -100}, {-100, 100, -100},
    };
    for (int i = 0; i < 8; ++i) state.model.vertices[static_cast<std::size_t>(i)] = cube[i];
    state.model.vertexCount = 8;
    resetHistory(state.history, state.model, state.currentFileName);  // the cube counts as saved

    state.camera.axy = 0.0f;
    state.camera.axz = 0.0f;
    state.camera.ayz = 0.0f;
    state.camera.panX = 0;
    state.camera.panY = 0;
    state.camera.distance = 400;
    state.camera.zoom = 200.0f;
    state.mode = EditorMode::rotate;
    state.showFlags = 7;
    state.shadeStyle = 2;
    state.background.hasBackground = 0;
}

void allocateScreenBuffers(EditorState& state, int32_t width, int32_t height, uint32_t* frameBuffer) {
    const auto pixels = static_cast<std::size_t>(width > 0 ? width : 0) *
                        static_cast<std::size_t>(height > 0 ? height : 0);
    state.screen.screenWidth = width;
    state.screen.screenHeight = height;
    state.screen.colorBuffer.assign(pixels, 0u);
    state.screen.depthBuffer.assign(pixels, 0);
    state.screen.pickBuffer.assign(pixels, 0);
    state.screen.backgroundImage.assign(pixels, 0u);
    state.screen.frameBuffer = frameBuffer;
}

}  // namespace vx
