// Composition of a rendered frame and its copy into the display surface.
#include "render/frame.h"

#include <algorithm>
#include <cstring>

#include "render/line.h"
#include "render/pixel_writers.h"
#include "render/polygon_fill.h"
#include "render/projection.h"
#include "render/render_threads.h"

namespace vx {
namespace {

// Block fills of the band's rows: depth reads 0x7F7F7F7F everywhere, farther than anything drawn.
// With a background picture the colour array is rewritten whole by the background copy instead.
void clearRows(ScreenBuffers& screen, bool hasBackground, const RowBand& rows) {
    const std::size_t first = pixelIndex(screen, 0, rows.first), end = pixelIndex(screen, 0, rows.last);
    if (!hasBackground) std::fill(screen.colorBuffer.data() + first, screen.colorBuffer.data() + end, 0u);
    std::fill(screen.pickBuffer.data() + first, screen.pickBuffer.data() + end, int16_t{0});
    std::memset(screen.depthBuffer.data() + first, 0x7F, (end - first) * sizeof(int32_t));
}

// The picture where it reaches (signed comparisons: a negative size shows nothing), black beyond.
void copyBackground(ScreenBuffers& screen, const Background& background, const RowBand& rows) {
    const int32_t width = std::clamp(background.backgroundWidth, 0, screen.screenWidth);
    const int32_t height = std::clamp(background.backgroundHeight, 0, screen.screenHeight);
    for (int32_t y = rows.first; y < rows.last; ++y) {
        const auto row = static_cast<std::ptrdiff_t>(pixelIndex(screen, 0, y));
        const auto shown = static_cast<std::ptrdiff_t>(y < height ? width : 0);
        const auto first = screen.colorBuffer.begin() + row;
        std::copy_n(screen.backgroundImage.begin() + row, shown, first);
        std::fill(first + shown, first + screen.screenWidth, 0u);
    }
}

void startBand(void* context, int band, int bands) {
    EditorState& state = *static_cast<EditorState*>(context);
    const RowBand rows = rowBand(state.screen.screenHeight, band, bands);
    clearRows(state.screen, state.background.hasBackground != 0, rows);
    if (state.background.hasBackground) copyBackground(state.screen, state.background, rows);
}

// Every band walks all lines and polygons in table order and writes only its own rows, so each
// pixel sees the writes one thread drawing the whole frame would make, in the same order.
void drawBand(void* context, int band, int bands) {
    EditorState& state = *static_cast<EditorState*>(context);
    FrameArrays frame = frameArraysOf(state.screen);
    const RowBand rows = rowBand(frame.height, band, bands);
    frame.top = rows.first;
    frame.bottom = rows.last;
    if (state.showFlags & 2) drawLines(state, frame);
    if (state.showFlags & 4) drawPolygons(state, frame);
}

}  // namespace

// The order is part of the picture: vertices come before lines and polygons so that their pick
// codes are in place first and are never replaced by polygon codes, and lines come before
// polygons so that at equal depth the line stays. The vertex pass runs on one thread: a marker's
// depth test decides the marks on the rows above and below it.
void composeFrame(EditorState& state) {
    runInBands(startBand, &state);
    const Projection projection = projectionOf(state.camera, state.screen);
    computePolygonNormals(state, projection);
    projectVertices(state, projection, frameArraysOf(state.screen));
    if (state.showFlags & 6) runInBands(drawBand, &state);
}

// The arrays are stored row by row like the FrameBuffer, so the copy is one block.
void copyFrameToScreen(const EditorState& state) {
    if (!state.screen.frameBuffer) return;
    std::memcpy(state.screen.frameBuffer, state.screen.colorBuffer.data(),
                state.screen.colorBuffer.size() * sizeof(uint32_t));
}

}  // namespace vx
