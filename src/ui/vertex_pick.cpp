// Finding vertex markers in the last frame's pick array around the pointer.
#include "ui/vertex_pick.h"

#include <algorithm>
#include <cstdlib>

#include "core/numeric.h"

namespace vx {
namespace {

// Inclusive pixel range centre - reach .. centre + reach cut to 0 .. size - 1; empty when first > last.
struct Span {
    int64_t first, last;
};

Span clipped(int64_t centre, int64_t reach, int32_t size) {
    return {std::max<int64_t>(centre - reach, 0), std::min<int64_t>(centre + reach, int64_t{size} - 1)};
}

const int16_t* rowOf(const ScreenBuffers& screen, int64_t y) {
    return screen.pickBuffer.data() + pixelIndex(screen, 0, static_cast<int32_t>(y));
}

// The first column of first..last whose pick code names a vertex, or -1. Blocks of sixteen
// are tested without an early exit so the test vectorises; the whole screen is scanned when
// the pointer has few markers around it.
int64_t nextMarker(const int16_t* row, int64_t first, int64_t last) {
    constexpr int64_t block = 16;
    int64_t x = first;
    for (; x + block - 1 <= last; x += block) {
        bool any = false;
        for (int64_t i = 0; i < block; ++i) any |= row[x + i] > 0;
        if (any) break;
    }
    for (; x <= last; ++x) {
        if (row[x] > 0) return x;
    }
    return -1;
}

// The depth comes from the vertex's own projection rather than from DepthBuffer at its centre:
// that pixel holds the vertex's depth only while markers are shown and nothing nearer covers
// it, and with markers hidden it holds the clear value, which would throw the pointer some two
// billion units deep. Where the marker is shown and uncovered both are the same.
VertexPick pickAt(const EditorState& state, int64_t x, int64_t y) {
    const std::size_t at = pixelIndex(state.screen, static_cast<int32_t>(x), static_cast<int32_t>(y));
    const int32_t code = state.screen.pickBuffer[at];
    int32_t depth = state.screen.depthBuffer[at];
    if (code > 0 && code <= state.model.vertexCount) depth = state.projected[static_cast<std::size_t>(code - 1)].depth;
    return {code, wrapSub(depth, state.camera.distance)};
}

// The first marker of the square of half-size reach in scan order, if any.
bool firstMarkerInSquare(const EditorState& state, int64_t reach, VertexPick& found) {
    const ScreenBuffers& screen = state.screen;
    const Span rows = clipped(state.input.mouseY, reach, screen.screenHeight);
    const Span columns = clipped(state.input.mouseX, reach, screen.screenWidth);
    for (int64_t y = rows.first; y <= rows.last; ++y) {
        const int64_t x = nextMarker(rowOf(screen, y), columns.first, columns.last);
        if (x >= 0) {
            found = pickAt(state, x, y);
            return true;
        }
    }
    return false;
}

// The four smallest square distances of marker pixels from the centre, in rising order;
// maxReach + 1 stands for none.
struct NearestFour {
    std::array<int64_t, 4> distance;

    void offer(int64_t d) {
        int i = 3;
        if (d >= distance[3]) return;
        for (; i > 0 && distance[static_cast<std::size_t>(i - 1)] > d; --i)
            distance[static_cast<std::size_t>(i)] = distance[static_cast<std::size_t>(i - 1)];
        distance[static_cast<std::size_t>(i)] = d;
    }
};

void offerRow(const ScreenBuffers& screen, int64_t cx, int64_t y, int64_t rowDistance, NearestFour& nearest) {
    if (y < 0 || y >= screen.screenHeight) return;
    const Span columns = clipped(cx, nearest.distance[3] - 1, screen.screenWidth);
    const int16_t* row = rowOf(screen, y);
    for (int64_t x = nextMarker(row, columns.first, columns.last); x >= 0; x = nextMarker(row, x + 1, columns.last)) {
        nearest.offer(std::max(std::abs(x - cx), rowDistance));
    }
}

// Visits rows in order of their distance from the centre row, so it can stop as soon as no
// farther row can bring a marker nearer than the fourth found; within a row it only looks at
// columns that could. This reads each pixel at most once instead of rescanning every square.
int64_t reachHoldingFour(const ScreenBuffers& screen, int64_t cx, int64_t cy, int64_t maxReach) {
    NearestFour nearest{{maxReach + 1, maxReach + 1, maxReach + 1, maxReach + 1}};
    for (int64_t k = 0; k <= maxReach && nearest.distance[3] > k; ++k) {
        offerRow(screen, cx, cy - k, k, nearest);
        if (k > 0) offerRow(screen, cx, cy + k, k, nearest);
    }
    return std::max<int64_t>(nearest.distance[3], 1);
}

}  // namespace

VertexPick findVertexNearPointer(const EditorState& state) {
    const ScreenBuffers& screen = state.screen;
    const int32_t x = state.input.mouseX, y = state.input.mouseY;
    if (x >= 0 && x < screen.screenWidth && y >= 0 && y < screen.screenHeight) {
        const VertexPick under = pickAt(state, x, y);
        if (under.code > 0) return under;
    }
    VertexPick found{};
    for (int64_t reach = 1; reach <= vertexPickReach; ++reach) {
        if (firstMarkerInSquare(state, reach, found)) return found;
    }
    return {0, 0};
}

bool findFourMarkers(const ScreenBuffers& screen, int32_t x, int32_t y, int32_t maxReach,
                     std::array<int32_t, 4>& vertices) {
    if (maxReach < 1) return false;
    const int64_t reach = reachHoldingFour(screen, x, y, maxReach);
    if (reach > maxReach) return false;
    const Span rows = clipped(y, reach, screen.screenHeight);
    const Span columns = clipped(x, reach, screen.screenWidth);
    std::size_t found = 0;
    for (int64_t row = rows.first; row <= rows.last && found < 4; ++row) {
        const int16_t* codes = rowOf(screen, row);
        for (int64_t at = nextMarker(codes, columns.first, columns.last); at >= 0 && found < 4;
             at = nextMarker(codes, at + 1, columns.last)) {
            vertices[found++] = codes[at] - 1;
        }
    }
    return found == 4;
}

namespace {

bool drawnInFrame(const EditorState& state, int32_t i) {
    const ProjectedVertex& row = state.projected[static_cast<std::size_t>(i)];
    return row.depth >= 1 && row.depth <= state.camera.drawdepth;
}

// Depth first, then index, so vertices at one depth still take turns.
bool fartherThan(const EditorState& state, int32_t a, int32_t b) {
    const int32_t da = state.projected[static_cast<std::size_t>(a)].depth;
    const int32_t db = state.projected[static_cast<std::size_t>(b)].depth;
    return da != db ? da > db : a > b;
}

bool isPicked(const Selection& selection, int32_t i) {
    for (int32_t k = 0; k < std::clamp(selection.vertexCount, 0, 4); ++k)
        if (selection.vertices[static_cast<std::size_t>(k)] == i) return true;
    return false;
}

}  // namespace

int32_t vertexBehindLastPicked(const EditorState& state) {
    const Selection& selection = state.selection;
    const int32_t count = std::clamp(state.model.vertexCount, 0, maxVertices);
    if (selection.vertexCount < 1 || selection.vertexCount > 4) return -1;
    const int32_t last = selection.vertices[static_cast<std::size_t>(selection.vertexCount - 1)];
    if (last >= count || !drawnInFrame(state, last)) return -1;
    const ProjectedVertex& at = state.projected[static_cast<std::size_t>(last)];
    int32_t next = -1, nearest = -1;
    for (int32_t i = 0; i < count; ++i) {
        const ProjectedVertex& row = state.projected[static_cast<std::size_t>(i)];
        if (isPicked(selection, i) || !drawnInFrame(state, i) || row.screenX != at.screenX || row.screenY != at.screenY)
            continue;
        if (nearest < 0 || fartherThan(state, nearest, i)) nearest = i;
        if (fartherThan(state, i, last) && (next < 0 || fartherThan(state, next, i))) next = i;
    }
    return next >= 0 ? next : nearest;
}

}  // namespace vx
