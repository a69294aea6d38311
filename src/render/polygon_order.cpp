// Polygon normals and facing, and the order the polygon pass may draw in.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/numeric.h"
#include "render/polygon_fill.h"

namespace vx {
namespace {

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();

struct Edge {
    float x, y, z;
};

Edge edgeBetween(const Vertex& from, const Vertex& to) {
    return {static_cast<float>(wrapSub(to.x, from.x)), static_cast<float>(wrapSub(to.y, from.y)),
            static_cast<float>(wrapSub(to.z, from.z))};
}

float lengthOf(const Edge& e) {
    const double x = e.x, y = e.y, z = e.z;
    return static_cast<float>(std::sqrt(x * x + y * y + z * z));
}

// (a.p / lenA) · b.q / lenB − (b.p / lenB) · a.q / lenA, left to right, rounded once.
float crossTerm(float ap, float lenA, float bq, float lenB, float bp, float aq) {
    return static_cast<float>(static_cast<double>(ap) / lenA * bq / lenB - static_cast<double>(bp) / lenB * aq / lenA);
}

// (e2 × e1) / (|e1|·|e2|): its length is the sine of the angle at slot 0. Slot 2 plays no part.
Normal normalOf(const Model& model, const Polygon& polygon) {
    const int32_t vertices = std::clamp(model.vertexCount, 0, maxVertices);
    const uint16_t a = polygon.slots[0], b = polygon.slots[1], c = polygon.slots[3];
    if (a >= vertices || b >= vertices || c >= vertices) return {notANumber, notANumber, notANumber};
    const Edge e1 = edgeBetween(model.vertices[a], model.vertices[b]);
    const Edge e2 = edgeBetween(model.vertices[a], model.vertices[c]);
    const float len1 = lengthOf(e1), len2 = lengthOf(e2);
    if (len1 == 0.0f || len2 == 0.0f) return {notANumber, notANumber, notANumber};  // 0/0 in every component
    return {crossTerm(e2.y, len2, e1.z, len1, e1.y, e2.z), crossTerm(e2.z, len2, e1.x, len1, e1.z, e2.x),
            crossTerm(e2.x, len2, e1.y, len1, e1.x, e2.y)};
}

float asSingle(int32_t v) { return static_cast<float>(v); }

// The walk's margin (walkMargin) about corners from low to high, for sweep and span counts of at
// most 2·screenWidth each, in integers: rounded up, and one more for the singles the corners'
// coordinates become.
int64_t marginOf(int64_t low, int64_t high, int32_t width) {
    const int64_t largest = std::max(-low, high) + 2;
    return 2 + ((4 * int64_t{width} + 4) * largest >> 20);
}

// The pixels the blocks of a polygon whose corners lie within `low`..`high` may reach (a block
// reaches a pixel right of and below its sample), and a depth no farther than its samples'.
OrderedPolygon reachOf(int16_t polygon, const Vertex& low, const Vertex& high, int32_t width, int32_t height) {
    const int64_t across = marginOf(low.x, high.x, width), down = marginOf(low.y, high.y, width);
    const auto clamped = [](int64_t v, int32_t size) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, -1, size + 1));
    };
    const int64_t nearest = low.z - marginOf(low.z, high.z, width);
    return {polygon,
            clamped(low.y - down, height),
            clamped(high.y + down + 1, height),
            clamped(low.x - across, width),
            clamped(high.x + across + 1, width),
            static_cast<int32_t>(std::max<int64_t>(nearest, 0))};
}

// A normal depends on its three corners alone, so while the view turns, or the model changes
// elsewhere, a polygon mostly finds its normal as an earlier frame left it. Each polygon keeps the
// corners its normal came from, and it is worked out again only where they differ: a look at nine
// coordinates instead of twelve divisions and two square roots.
class RememberedNormals {
public:
    Normal of(const Model& model, int32_t i) {
        const Polygon& polygon = model.polygons[static_cast<std::size_t>(i)];
        const int32_t vertices = std::clamp(model.vertexCount, 0, maxVertices);
        const uint16_t a = polygon.slots[0], b = polygon.slots[1], c = polygon.slots[3];
        if (a >= vertices || b >= vertices || c >= vertices) return normalOf(model, polygon);
        Entry& entry = entries[static_cast<std::size_t>(i)];
        const Corners corners{model.vertices[a], model.vertices[b], model.vertices[c]};
        if (!entry.known || !sameCorners(entry.corners, corners)) entry = {corners, normalOf(model, polygon), true};
        return entry.normal;
    }

private:
    using Corners = std::array<Vertex, 3>;
    struct Entry {
        Corners corners;
        Normal normal;
        bool known;
    };
    static bool sameCorners(const Corners& p, const Corners& q) {
        for (std::size_t k = 0; k < p.size(); ++k)
            if (p[k].x != q[k].x || p[k].y != q[k].y || p[k].z != q[k].z) return false;
        return true;
    }
    // Each entry is read and written only by the thread whose share of the polygons holds it.
    std::vector<Entry> entries = std::vector<Entry>(maxPolygons);
};

}  // namespace

void computePolygonNormals(EditorState& state, const Projection& projection, int32_t first, int32_t end) {
    static RememberedNormals remembered;
    const int32_t count = std::clamp(state.model.polygonCount, 0, maxPolygons);
    for (int32_t i = std::max(first, 0); i < std::min(end, count); ++i) {
        const auto at = static_cast<std::size_t>(i);
        const Normal n = remembered.of(state.model, i);
        state.polygonNormals[at] = n;
        state.polygonFacing[at] = turnedZ(projection, n.x, n.y, n.z);
    }
}

bool drawableInAnyOrder(const EditorState& state) {
    if (state.shadeStyle == 0) return false;  // outlines keep no owner: the first of equals stays
    const int32_t count = std::clamp(state.model.polygonCount, 0, maxPolygons);
    for (int32_t i = 0; i < count; ++i) {
        const Polygon& polygon = state.model.polygons[static_cast<std::size_t>(i)];
        const bool selected = -(i + 1) == state.selection.polygon;
        if ((polygon.flags & twoSidedFlag) == 0 && !(state.polygonFacing[static_cast<std::size_t>(i)] >= 0.0f) &&
            !selected)
            return false;
    }
    return true;
}

// A counting sort on the nearest corner's depth in 256 steps between the nearest and the
// farthest: near enough to front to back for the hidden test, and linear in the polygons.
void orderNearestFirst(const EditorState& state, std::vector<OrderedPolygon>& order) {
    const int32_t count = std::clamp(state.model.polygonCount, 0, maxPolygons);
    const int32_t vertices = std::clamp(state.model.vertexCount, 0, maxVertices);
    thread_local std::vector<float> nearest;
    thread_local std::vector<OrderedPolygon> reach;
    nearest.resize(static_cast<std::size_t>(count));
    reach.resize(static_cast<std::size_t>(count));
    float low = std::numeric_limits<float>::infinity(), high = -low;
    for (int32_t i = 0; i < count; ++i) {
        float depth = std::numeric_limits<float>::infinity();
        // Screen x, y and depth of the corners, least and most.
        Vertex least{INT32_MAX, INT32_MAX, INT32_MAX}, most{INT32_MIN, INT32_MIN, INT32_MIN};
        bool drawn = true;
        for (const uint16_t slot : state.model.polygons[static_cast<std::size_t>(i)].slots) {
            if (slot >= vertices) {
                drawn = false;
                continue;
            }
            const ProjectedVertex& corner = state.projected[slot];
            depth = std::min(depth, asSingle(corner.depth));
            least = {std::min(least.x, corner.screenX), std::min(least.y, corner.screenY),
                     std::min(least.z, corner.depth)};
            most = {std::max(most.x, corner.screenX), std::max(most.y, corner.screenY), std::max(most.z, corner.depth)};
        }
        nearest[static_cast<std::size_t>(i)] = depth;
        reach[static_cast<std::size_t>(i)] =
            drawn ? reachOf(static_cast<int16_t>(i), least, most, state.screen.screenWidth, state.screen.screenHeight)
                  : OrderedPolygon{static_cast<int16_t>(i), 0, -1, 0, -1, 0};
        if (std::isfinite(depth)) low = std::min(low, depth), high = std::max(high, depth);
    }
    constexpr int32_t steps = 256;
    const double scale = high > low ? (steps - 1) / (static_cast<double>(high) - low) : 0.0;
    const auto stepOf = [&](float depth) {
        return std::isfinite(depth) ? static_cast<int32_t>((depth - static_cast<double>(low)) * scale) : steps - 1;
    };
    std::array<int32_t, steps + 1> starts{};
    for (const float depth : nearest) ++starts[static_cast<std::size_t>(stepOf(depth)) + 1];
    for (std::size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
    order.resize(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        order[static_cast<std::size_t>(
            starts[static_cast<std::size_t>(stepOf(nearest[static_cast<std::size_t>(i)]))]++)] =
            reach[static_cast<std::size_t>(i)];
}

}  // namespace vx
