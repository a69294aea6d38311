// Composition of a rendered frame and its copy into the display surface.
#include "render/frame.h"

#include <algorithm>
#include <cstring>

#include "render/line.h"
#include "render/pixel_writers.h"
#include "render/polygon_fill.h"
#include "render/projection.h"

namespace vx {
namespace {

// Block fills: depth reads 0x7F7F7F7F everywhere, farther than anything drawn. With a
// background picture the colour array is rewritten whole by the background copy instead.
void clearFrame(ScreenBuffers& screen, bool hasBackground) {
    if (!hasBackground) std::fill(screen.colorBuffer.begin(), screen.colorBuffer.end(), 0u);
    std::fill(screen.pickBuffer.begin(), screen.pickBuffer.end(), int16_t{0});
    std::memset(screen.depthBuffer.data(), 0x7F, screen.depthBuffer.size() * sizeof(int32_t));
}

// The picture where it reaches (signed comparisons: a negative size shows nothing), black beyond.
void copyBackground(ScreenBuffers& screen, const Background& background) {
    const int32_t width = std::clamp(background.backgroundWidth, 0, screen.screenWidth);
    const int32_t height = std::clamp(background.backgroundHeight, 0, screen.screenHeight);
    for (int32_t y = 0; y < screen.screenHeight; ++y) {
        const auto row = static_cast<std::ptrdiff_t>(pixelIndex(screen, 0, y));
        const auto shown = static_cast<std::ptrdiff_t>(y < height ? width : 0);
        const auto first = screen.colorBuffer.begin() + row;
        std::copy_n(screen.backgroundImage.begin() + row, shown, first);
        std::fill(first + shown, first + screen.screenWidth, 0u);
    }
}

}  // namespace

// The order is part of the picture: vertices come before lines and polygons so that their pick
// codes are in place first and are never replaced by polygon codes, and lines come before
// polygons so that at equal depth the line stays.
void composeFrame(EditorState& state) {
    ScreenBuffers& screen = state.screen;
    clearFrame(screen, state.background.hasBackground != 0);
    if (state.background.hasBackground) copyBackground(screen, state.background);
    const Projection projection = projectionOf(state.camera, screen);
    const FrameArrays frame = frameArraysOf(screen);
    computePolygonNormals(state, projection);
    projectVertices(state, projection, frame);
    if (state.showFlags & 2) drawLines(state, frame);
    if (state.showFlags & 4) drawPolygons(state, frame);
}

// The arrays are stored row by row like the FrameBuffer, so the copy is one block.
void copyFrameToScreen(const EditorState& state) {
    if (!state.screen.frameBuffer) return;
    std::memcpy(state.screen.frameBuffer, state.screen.colorBuffer.data(),
                state.screen.colorBuffer.size() * sizeof(uint32_t));
}

}  // namespace vx
