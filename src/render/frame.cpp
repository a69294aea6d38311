// Composition of a rendered frame and its copy into the display surface.
#include "render/frame.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

struct StartJob {
    EditorState* state;
    Projection projection;
};

// The clear and the background of the band's rows, and the normals of its share of the polygons
// and the projection of its share of the vertices.
void startBand(void* context, int band, int bands) {
    StartJob& job = *static_cast<StartJob*>(context);
    EditorState& state = *job.state;
    const RowBand rows = rowBand(state.screen.screenHeight, band, bands);
    clearRows(state.screen, state.background.hasBackground != 0, rows);
    if (state.background.hasBackground) copyBackground(state.screen, state.background, rows);
    const RowBand polygons = rowBand(std::clamp(state.model.polygonCount, 0, maxPolygons), band, bands);
    computePolygonNormals(state, job.projection, polygons.first, polygons.last);
    const RowBand vertices = rowBand(std::clamp(state.model.vertexCount, 0, maxVertices), band, bands);
    projectVertices(state, job.projection, vertices.first, vertices.last);
}

struct DrawJob {
    EditorState* state;
    const std::vector<int16_t>* order;  // the polygons nearest first, or null for table order
    int16_t* owner;                     // the owner array of polygons drawn in that order
};

// Every band walks all lines and polygons in the same order and writes only its own rows, so each
// pixel sees the writes one thread drawing the whole frame would make, in the same order.
void drawBand(void* context, int band, int bands) {
    const DrawJob& job = *static_cast<const DrawJob*>(context);
    const EditorState& state = *job.state;
    FrameArrays frame = frameArraysOf(job.state->screen);
    const RowBand rows = rowBand(frame.height, band, bands);
    frame.top = rows.first;
    frame.bottom = rows.last;
    if (state.showFlags & 2) drawLines(state, frame);
    if (!(state.showFlags & 4)) return;
    if (!job.order) {
        drawPolygons(state, frame);
        return;
    }
    frame.owner = job.owner;
    std::fill(frame.owner + indexOf(frame, 0, rows.first), frame.owner + indexOf(frame, 0, rows.last), int16_t{-1});
    drawPolygonsInOrder(state, frame, *job.order);
}

// The rectangle of a Shift + left drag: every other pair of pixels along its edges, over everything and without depth or pick codes, so picks still see the model.
void drawDottedRectangle(ScreenBuffers& screen, const GroupRectangle& r) {
    const int32_t left = std::max(std::min(r.startX, r.endX), 0);
    const int32_t right = std::min(std::max(r.startX, r.endX), screen.screenWidth - 1);
    const int32_t top = std::max(std::min(r.startY, r.endY), 0);
    const int32_t bottom = std::min(std::max(r.startY, r.endY), screen.screenHeight - 1);
    const auto dot = [&](int32_t x, int32_t y, int32_t along) {
        if ((along & 2) == 0) screen.colorBuffer[pixelIndex(screen, x, y)] = groupRectangleColour;
    };
    for (int32_t x = left; x <= right; ++x) {
        if (top == std::min(r.startY, r.endY)) dot(x, top, x);
        if (bottom == std::max(r.startY, r.endY)) dot(x, bottom, x);
    }
    for (int32_t y = top; y <= bottom; ++y) {
        if (left == std::min(r.startX, r.endX)) dot(left, y, y);
        if (right == std::max(r.startX, r.endX)) dot(right, y, y);
    }
}

}  // namespace

// The order is part of the picture: vertices come before lines and polygons so that their pick
// codes are in place first and are never replaced by polygon codes, and lines come before
// polygons so that at equal depth the line stays. The normals and the projection are shared out
// by index; the markers are drawn on one thread: a marker's depth test decides the marks on the
// rows around it.
void composeFrame(EditorState& state) {
    StartJob start{&state, projectionOf(state.camera, state.screen)};
    runInBands(startBand, &start);
    drawVertexMarkers(state, frameArraysOf(state.screen));
    // Nearest first, most polygons are found wholly behind what is drawn and are not swept.
    static std::vector<int16_t> order, owner;  // one frame at a time, like the thread pool
    DrawJob job{&state, nullptr, nullptr};
    if ((state.showFlags & 4) && drawableInAnyOrder(state)) {
        orderNearestFirst(state, order);
        owner.resize(state.screen.colorBuffer.size());
        job = {&state, &order, owner.data()};
    }
    if (state.showFlags & 6) runInBands(drawBand, &job);
    if (state.groupRectangle.active) drawDottedRectangle(state.screen, state.groupRectangle);
}

namespace {

void copyBand(void* context, int band, int bands) {
    const ScreenBuffers& screen = *static_cast<const ScreenBuffers*>(context);
    const RowBand rows = rowBand(screen.screenHeight, band, bands);
    const std::size_t first = pixelIndex(screen, 0, rows.first), end = pixelIndex(screen, 0, rows.last);
    std::memcpy(screen.frameBuffer + first, screen.colorBuffer.data() + first, (end - first) * sizeof(uint32_t));
}

}  // namespace

// The arrays are stored row by row like the FrameBuffer, so the copy is one block per band.
void copyFrameToScreen(const EditorState& state) {
    if (!state.screen.frameBuffer) return;
    runInBands(copyBand, const_cast<ScreenBuffers*>(&state.screen));  // only read
}

}  // namespace vx
