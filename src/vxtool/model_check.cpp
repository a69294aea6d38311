// Model checks: missing vertices, degenerate and bent polygons, bad lines, loose vertices, windings.
#include "vxtool/model_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>

namespace vx {
namespace {

// Quads whose two halves (split on the 0-2 diagonal) meet at more than this are far from flat.
constexpr double bentDegrees = 10.0;

using Point = std::array<double, 3>;

struct Checker {
    const Model& model;
    int32_t vertexCount, polygonCount, lineCount;
    std::vector<Finding> findings;

    void add(const char* kind, std::string message, bool information = false) {
        findings.push_back({kind, std::move(message), information});
    }
    Point point(uint16_t i) const {
        const Vertex& v = model.vertices[i];
        return {static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z)};
    }
};

std::string str(int64_t value) { return std::to_string(value); }

Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double length(const Point& a) { return std::sqrt(dot(a, a)); }

void checkVertices(Checker& c) {
    std::map<std::tuple<int32_t, int32_t, int32_t>, int32_t> first;
    for (int32_t i = 0; i < c.vertexCount; ++i) {
        const Vertex& v = c.model.vertices[static_cast<std::size_t>(i)];
        const auto [at, added] = first.try_emplace({v.x, v.y, v.z}, i);
        if (!added) c.add("same-position", "vertex " + str(i) + ": same position as vertex " + str(at->second));
    }
}

// The corners a polygon really has: a triangle's fourth slot repeats its third.
int cornerCount(const Polygon& p) { return p.slots[3] == p.slots[2] ? 3 : 4; }

bool namesMissing(Checker& c, int32_t i, const Polygon& p) {
    bool missing = false;
    for (int k = 0; k < 4; ++k)
        if (p.slots[static_cast<std::size_t>(k)] >= c.vertexCount) {
            c.add("missing-vertex", "polygon " + str(i) + ": slot " + str(k) + " names vertex " +
                                        str(p.slots[static_cast<std::size_t>(k)]) + ", past the " + str(c.vertexCount) +
                                        " vertices");
            missing = true;
        }
    return missing;
}

bool repeatsCorner(Checker& c, int32_t i, const Polygon& p) {
    const int n = cornerCount(p);
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            if (p.slots[static_cast<std::size_t>(a)] == p.slots[static_cast<std::size_t>(b)]) {
                c.add("repeated-corner", "polygon " + str(i) + ": slots " + str(a) + " and " + str(b) +
                                             " both name vertex " + str(p.slots[static_cast<std::size_t>(a)]));
                return true;
            }
    return false;
}

// Proper crossing of segments ab and cd in the plane.
bool segmentsCross(const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& cc,
                   const std::array<double, 2>& d) {
    const auto side = [](const auto& p, const auto& q, const auto& r) {
        return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]);
    };
    const double d1 = side(a, b, cc), d2 = side(a, b, d), d3 = side(cc, d, a), d4 = side(cc, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Seen along the axis its corner triangles face most, opposite edges of the quad must not cross.
bool crossesItself(const std::array<Point, 4>& q) {
    Point widest{0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        const Point n = cross(sub(q[(k + 1) % 4], q[k]), sub(q[(k + 3) % 4], q[k]));
        if (length(n) > length(widest)) widest = n;
    }
    int drop = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(widest[k]) > std::fabs(widest[drop])) drop = k;
    std::array<std::array<double, 2>, 4> flat{};
    for (int k = 0; k < 4; ++k) flat[k] = {q[k][(drop + 1) % 3], q[k][(drop + 2) % 3]};
    return segmentsCross(flat[0], flat[1], flat[2], flat[3]) || segmentsCross(flat[1], flat[2], flat[3], flat[0]);
}

void checkShape(Checker& c, int32_t i, const Polygon& p) {
    std::array<Point, 4> q{};
    for (std::size_t k = 0; k < 4; ++k) q[k] = c.point(p.slots[k]);
    const Point first = cross(sub(q[1], q[0]), sub(q[2], q[0]));
    const Point second = cross(sub(q[2], q[0]), sub(q[3], q[0]));
    const bool triangle = cornerCount(p) == 3;
    if (length(first) == 0.0 && (triangle || length(second) == 0.0)) {
        c.add("zero-area", "polygon " + str(i) + ": zero area");
        return;
    }
    if (triangle) return;
    if (crossesItself(q)) {
        c.add("self-crossing", "polygon " + str(i) + ": the quad crosses itself");
        return;
    }
    if (length(first) == 0.0 || length(second) == 0.0) return;
    const double cosine = std::clamp(dot(first, second) / (length(first) * length(second)), -1.0, 1.0);
    const double degrees = std::acos(cosine) * 180.0 / 3.14159265358979323846;
    if (degrees > bentDegrees)
        c.add("not-flat", "polygon " + str(i) + ": the quad is bent by " + str(std::lround(degrees)) +
                              " degrees across its 0-2 diagonal");
}

// Each edge once, with the polygons along it and the way each runs it.
struct EdgeUse {
    int32_t polygon;
    bool forward;  // runs from the smaller vertex index to the larger
    bool oneSided;
};
using EdgeMap = std::map<std::pair<uint16_t, uint16_t>, std::vector<EdgeUse>>;

void collectEdges(const Polygon& p, int32_t i, EdgeMap& edges) {
    const int n = cornerCount(p);
    for (int k = 0; k < n; ++k) {
        const uint16_t a = p.slots[static_cast<std::size_t>(k)], b = p.slots[static_cast<std::size_t>((k + 1) % n)];
        if (a == b) continue;
        edges[{std::min(a, b), std::max(a, b)}].push_back({i, a < b, (p.flags & twoSidedFlag) == 0});
    }
}

void checkPolygons(Checker& c, EdgeMap& edges, std::vector<bool>& used) {
    for (int32_t i = 0; i < c.polygonCount; ++i) {
        const Polygon& p = c.model.polygons[static_cast<std::size_t>(i)];
        if (namesMissing(c, i, p)) continue;
        for (uint16_t s : p.slots) used[s] = true;
        if (!repeatsCorner(c, i, p)) checkShape(c, i, p);
        collectEdges(p, i, edges);
    }
}

void checkLines(Checker& c, std::vector<bool>& used) {
    std::map<std::pair<uint16_t, uint16_t>, int32_t> first;
    for (int32_t i = 0; i < c.lineCount; ++i) {
        const Line& l = c.model.lines[static_cast<std::size_t>(i)];
        bool missing = false;
        for (const auto& [end, v] : {std::pair{"a", l.a}, std::pair{"b", l.b}})
            if (v >= c.vertexCount) {
                c.add("missing-vertex", "line " + str(i) + ": end " + end + " names vertex " + str(v) + ", past the " +
                                            str(c.vertexCount) + " vertices");
                missing = true;
            }
        if (missing) continue;
        used[l.a] = used[l.b] = true;
        if (l.a == l.b) {
            c.add("self-line", "line " + str(i) + ": joins vertex " + str(l.a) + " to itself");
            continue;
        }
        const auto [at, added] = first.try_emplace({std::min(l.a, l.b), std::max(l.a, l.b)}, i);
        if (!added) c.add("repeated-line", "line " + str(i) + ": repeats line " + str(at->second));
    }
}

void checkEdges(Checker& c, const EdgeMap& edges) {
    std::size_t open = 0;
    for (const auto& [edge, uses] : edges) {
        if (uses.size() == 1) ++open;
        if (uses.size() != 2 || !uses[0].oneSided || !uses[1].oneSided || uses[0].forward != uses[1].forward) continue;
        c.add("wound-against", "polygons " + str(uses[0].polygon) + " and " + str(uses[1].polygon) +
                                   ": wound against each other along the edge " + str(edge.first) + "-" +
                                   str(edge.second));
    }
    if (open > 0)
        c.add("open-edges", str(static_cast<int64_t>(open)) + " edges belong to one polygon only: the model is open",
              true);
}

}  // namespace

std::vector<Finding> checkModel(const Model& model) {
    Checker c{model,
              std::clamp(model.vertexCount, 0, maxVertices),
              std::clamp(model.polygonCount, 0, maxPolygons),
              std::clamp(model.lineCount, 0, maxLines),
              {}};
    checkVertices(c);
    EdgeMap edges;
    std::vector<bool> used(static_cast<std::size_t>(c.vertexCount), false);
    checkPolygons(c, edges, used);
    checkLines(c, used);
    for (int32_t i = 0; i < c.vertexCount; ++i)
        if (!used[static_cast<std::size_t>(i)])
            c.add("unused-vertex", "vertex " + str(i) + ": used by no polygon or line");
    checkEdges(c, edges);
    return c.findings;
}

std::size_t problemCount(const std::vector<Finding>& findings) {
    return static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return !f.information; }));
}

}  // namespace vx
