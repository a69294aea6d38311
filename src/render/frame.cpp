// Composition of a rendered frame and its copy into the display surface.
#include "render/frame.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstring>
#include <vector>

#include "render/line.h"
#include "render/pixel_writers.h"
#include "render/polygon_fill.h"
#include "render/projection.h"
#include "render/render_threads.h"
#include "render/view_picture_draw.h"

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
    std::optional<PicturePlacement> viewPicture;  // the view's own picture, shown instead of the start-up one
};

// The clear and the background of the band's rows, and the projection of its share of the vertices.
void startBand(void* context, int band, int bands) {
    StartJob& job = *static_cast<StartJob*>(context);
    EditorState& state = *job.state;
    const RowBand rows = rowBand(state.screen.screenHeight, band, bands);
    const bool pictured = state.background.hasBackground != 0 || job.viewPicture;
    clearRows(state.screen, pictured, rows);
    if (job.viewPicture)
        drawViewPicture(state.screen, *job.viewPicture, rows);
    else if (state.background.hasBackground)
        copyBackground(state.screen, state.background, rows);
    const RowBand vertices = rowBand(std::clamp(state.model.vertexCount, 0, maxVertices), band, bands);
    projectVertices(state, job.projection, vertices.first, vertices.last);
}

struct MiddleJob {
    EditorState* state;
    Projection projection;
    std::vector<OrderedPolygon>* order;
    bool orderMade;  // whether `order` holds this frame's polygons
};

// The vertex markers and the polygons' normals on the first band's thread (shared with the others
// but the last) and, beside them, the polygons' order on the last band's: the markers write only
// the frame, the normals only their own tables, and the order only reads the model and the
// projection. Whether the order may be used needs the normals, so it is made first and looked at
// once every band is done.
void middleBand(void* context, int band, int bands) {
    MiddleJob& job = *static_cast<MiddleJob*>(context);
    EditorState& state = *job.state;
    if (band == 0) drawVertexMarkers(state, frameArraysOf(state.screen));
    const int normalBands = std::max(bands - 1, 1);
    if (band < normalBands) {
        const RowBand polygons = rowBand(std::clamp(state.model.polygonCount, 0, maxPolygons), band, normalBands);
        computePolygonNormals(state, job.projection, polygons.first, polygons.last);
    }
    if (band != bands - 1) return;
    // Nearest first, most polygons are found wholly behind what is drawn and are not swept.
    job.orderMade = (state.showFlags & 4) && state.shadeStyle != 0;
    if (job.orderMade) orderNearestFirst(state, *job.order);
}

// A vertex's pick code at its centre pixel. While polygons are drawn out of table order, the pick
// array must tell which polygon drew each pixel, so their writes replace vertex codes too; no
// polygon replaces one in table order, so they are put back once the polygons are drawn. Until a
// polygon draws there, a vertex code counts as no polygon: it never wins a tie.
struct VertexPick {
    std::size_t at;
    int16_t code;
};

// Those of the rows `rows`: each band notes and puts back its own.
void noteVertexPicks(const EditorState& state, const RowBand& rows, std::vector<VertexPick>& picks) {
    picks.clear();
    const ScreenBuffers& screen = state.screen;
    const int32_t count = std::clamp(state.model.vertexCount, 0, maxVertices);
    for (int32_t i = 0; i < count; ++i) {
        const ProjectedVertex& row = state.projected[static_cast<std::size_t>(i)];
        if (row.depth < 1 || row.depth > state.camera.drawdepth) continue;
        const bool onScreen = row.screenX >= 0 && row.screenX < screen.screenWidth && row.screenY >= rows.first &&
                              row.screenY < rows.last;
        if (!onScreen) continue;
        const std::size_t at = pixelIndex(screen, row.screenX, row.screenY);
        if (screen.pickBuffer[at] >= 1) picks.push_back({at, screen.pickBuffer[at]});
    }
}

struct DrawJob {
    EditorState* state;
    const std::vector<OrderedPolygon>* order;  // the polygons nearest first, or null for table order
    BandSplit* split;
    std::vector<int32_t>* farthest;  // the frame's depth bounds (FrameArrays::farthest)
    std::array<std::vector<VertexPick>, BandSplit::maxBands>* vertexPicks;  // one list for each band
};

// Every band walks all lines and polygons in the same order and writes only its own rows, so each
// pixel sees the writes one thread drawing the whole frame would make, in the same order.
void drawRows(const DrawJob& job, FrameArrays frame) {
    const EditorState& state = *job.state;
    if (state.showFlags & 2) drawLines(state, frame);
    if (!(state.showFlags & 4)) return;
    if (!job.order) {
        drawPolygons(state, frame);
        return;
    }
    frame.anyOrder = true;
    drawPolygonsInOrder(state, frame, *job.order);
}

void drawBand(void* context, int band, int /*bands*/) {
    const auto start = std::chrono::steady_clock::now();
    const DrawJob& job = *static_cast<const DrawJob*>(context);
    FrameArrays frame = frameArraysOf(job.state->screen);
    const RowBand rows = job.split->rowsOf(band);
    frame.top = rows.first;
    frame.bottom = rows.last;
    // The band's depth bounds start at the farthest of all, which holds whatever is drawn.
    frame.farthest = job.farthest->data();
    for (int32_t run = 0; run < runsPerRow(frame.width); ++run) {
        int32_t* const bounds = frame.farthest + static_cast<std::ptrdiff_t>(run) * frame.height;
        std::fill(bounds + rows.first, bounds + rows.last, INT32_MAX);
    }
    std::vector<VertexPick>& picks = (*job.vertexPicks)[static_cast<std::size_t>(band)];
    if (job.order) noteVertexPicks(*job.state, rows, picks);
    drawRows(job, frame);
    if (job.order)
        for (const VertexPick& pick : picks) job.state->screen.pickBuffer[pick.at] = pick.code;
    job.split->record(band, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// The rectangle of a Shift + left drag: every other pair of pixels along its edges, over everything and without depth
// or pick codes, so picks still see the model.
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
// polygons so that at equal depth the line stays. The projection is shared out by index; the
// markers are drawn on one thread (a marker's depth test decides the marks on the rows around
// it), which then works out the normals, while another orders the polygons.
void composeFrame(EditorState& state) {
    StartJob start{&state, projectionOf(state.camera, state.screen), viewPictureShown(state)};
    runInBands(startBand, &start);
    static std::vector<OrderedPolygon> order;  // one frame at a time, like the thread pool
    static std::array<std::vector<VertexPick>, BandSplit::maxBands> vertexPicks;
    static BandSplit split;
    MiddleJob middle{&state, start.projection, &order, false};
    runInBands(middleBand, &middle);
    const bool ordered = middle.orderMade && drawableInAnyOrder(state);
    static std::vector<int32_t> farthest;
    farthest.resize(static_cast<std::size_t>(runsPerRow(state.screen.screenWidth)) *
                    static_cast<std::size_t>(std::max(state.screen.screenHeight, 0)));
    DrawJob job{&state, ordered ? &order : nullptr, &split, &farthest, &vertexPicks};
    if (state.showFlags & 6) {
        split.prepare(state.screen.screenHeight, renderThreads());
        runInBands(drawBand, &job);
        split.rebalance();
    }
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
