// Ear clipping of flat outlines, and the joining of its triangles into convex quads.
#include "core/triangulate.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace vx {
namespace {

struct Point2 {
    double x, y;
};

// Twice the signed area of a, b, c: positive when they turn left.
double turn(const Point2& a, const Point2& b, const Point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// The outline's shadow on the coordinate plane its normal (by Newell's sums) is closest to,
// mirrored when needed so that it turns left; empty when the outline has no area at all.
std::vector<Point2> flatten(std::span<const std::array<double, 3>> corners) {
    std::array<double, 3> normal{};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % corners.size()];
        for (int k = 0; k < 3; ++k) {
            const int u = (k + 1) % 3, v = (k + 2) % 3;
            normal[static_cast<std::size_t>(k)] += (a[static_cast<std::size_t>(u)] - b[static_cast<std::size_t>(u)]) *
                                                   (a[static_cast<std::size_t>(v)] + b[static_cast<std::size_t>(v)]);
        }
    }
    std::size_t axis = 0;
    for (std::size_t k = 1; k < 3; ++k)
        if (std::fabs(normal[k]) > std::fabs(normal[axis])) axis = k;
    if (!(std::fabs(normal[axis]) > 0.0)) return {};
    const std::size_t u = (axis + 1) % 3, v = (axis + 2) % 3;
    const double mirror = normal[axis] > 0.0 ? 1.0 : -1.0;
    std::vector<Point2> flat;
    flat.reserve(corners.size());
    for (const auto& c : corners) flat.push_back({c[u], mirror * c[v]});
    return flat;
}

// Below this a turn counts as straight: rounding of the coordinates, not a corner.
double straightTolerance(const std::vector<Point2>& flat) {
    double extent = 0.0;
    for (const Point2& p : flat) extent = std::max({extent, std::fabs(p.x), std::fabs(p.y)});
    return extent * extent * 1e-12;
}

bool samePlace(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }

// The corners not yet clipped, as a ring.
struct Ring {
    const std::vector<Point2>& at;
    std::vector<uint32_t> previous, next;
    std::size_t left;
    double tolerance;

    const Point2& point(uint32_t i) const { return at[i]; }
    double turnAt(uint32_t i) const { return turn(at[previous[i]], at[i], at[next[i]]); }
    void remove(uint32_t i) {
        next[previous[i]] = next[i];
        previous[next[i]] = previous[i];
        --left;
    }
};

// An ear: a left turn whose triangle holds no other corner, on its edges included, save those
// at the ear's own corners' places (the two ends of a cut into a hole). Only corners that do not
// turn left can lie inside an ear of an outline that does not cross itself.
bool isEar(const Ring& ring, uint32_t i) {
    const uint32_t p = ring.previous[i], n = ring.next[i];
    const Point2 &a = ring.point(p), &b = ring.point(i), &c = ring.point(n);
    if (!(ring.turnAt(i) > ring.tolerance)) return false;
    for (uint32_t k = ring.next[n]; k != p; k = ring.next[k]) {
        const Point2& q = ring.point(k);
        if (ring.turnAt(k) > ring.tolerance || samePlace(q, a) || samePlace(q, b) || samePlace(q, c)) continue;
        if (turn(a, b, q) >= 0 && turn(b, c, q) >= 0 && turn(c, a, q) >= 0) return false;
    }
    return true;
}

// Clips straight corners (no area lost) and ears until three corners are left; when no ear is
// found, as an outline that crosses itself may have none, the first left turn is clipped anyway
// so that the loop ends.
std::vector<std::array<uint32_t, 3>> clipEars(Ring& ring) {
    std::vector<std::array<uint32_t, 3>> triangles;
    uint32_t i = 0;
    // Straight corners go first, so that a square with corners along its sides is still one quad.
    for (std::size_t unchanged = 0; ring.left > 3 && unchanged <= ring.left;) {
        if (std::fabs(ring.turnAt(i)) <= ring.tolerance) {
            const uint32_t before = ring.previous[i];
            ring.remove(i);
            i = before;
            unchanged = 0;
        } else {
            i = ring.next[i];
            ++unchanged;
        }
    }
    std::size_t sinceClip = 0;
    while (ring.left > 3) {
        const bool straight = std::fabs(ring.turnAt(i)) <= ring.tolerance;
        const bool forced = sinceClip > ring.left && ring.turnAt(i) > ring.tolerance;
        if (straight || isEar(ring, i) || forced || sinceClip > 2 * ring.left) {
            if (!straight && ring.turnAt(i) > 0.0) triangles.push_back({ring.previous[i], i, ring.next[i]});
            const uint32_t after = ring.next[i];
            ring.remove(i);
            i = after;
            sinceClip = 0;
        } else {
            i = ring.next[i];
            ++sinceClip;
        }
    }
    if (ring.turnAt(i) > ring.tolerance) triangles.push_back({ring.previous[i], i, ring.next[i]});
    return triangles;
}

bool convexQuad(const std::vector<Point2>& at, const OutlinePiece& q, double tolerance) {
    for (std::size_t k = 0; k < 4; ++k)
        if (!(turn(at[q[k]], at[q[(k + 1) % 4]], at[q[(k + 2) % 4]]) > tolerance)) return false;
    return true;
}

// Greedily, in clipping order: a triangle joins the first unjoined neighbour across one of its
// edges with which it makes a convex quad.
std::vector<OutlinePiece> joinQuads(const std::vector<Point2>& at, const std::vector<std::array<uint32_t, 3>>& tris,
                                    double tolerance) {
    std::map<std::pair<uint32_t, uint32_t>, std::size_t> byEdge;
    for (std::size_t t = 0; t < tris.size(); ++t)
        for (std::size_t k = 0; k < 3; ++k) byEdge[{tris[t][k], tris[t][(k + 1) % 3]}] = t;
    std::vector<bool> joined(tris.size(), false);
    std::vector<OutlinePiece> pieces;
    for (std::size_t t = 0; t < tris.size(); ++t) {
        if (joined[t]) continue;
        joined[t] = true;
        const auto& tri = tris[t];
        OutlinePiece piece{tri[0], tri[1], tri[2], tri[2]};
        for (std::size_t k = 0; k < 3; ++k) {
            const uint32_t a = tri[k], b = tri[(k + 1) % 3], c = tri[(k + 2) % 3];
            const auto other = byEdge.find({b, a});
            if (other == byEdge.end() || joined[other->second]) continue;
            const auto& u = tris[other->second];
            const uint32_t d = u[0] != a && u[0] != b ? u[0] : u[1] != a && u[1] != b ? u[1] : u[2];
            const OutlinePiece quad{a, d, b, c};
            if (!convexQuad(at, quad, tolerance)) continue;
            joined[other->second] = true;
            piece = quad;
            break;
        }
        pieces.push_back(piece);
    }
    return pieces;
}

}  // namespace

std::vector<OutlinePiece> splitOutline(std::span<const std::array<double, 3>> corners) {
    if (corners.size() < 3) return {};
    const std::vector<Point2> flat = flatten(corners);
    if (flat.empty()) return {};
    const auto count = static_cast<uint32_t>(flat.size());
    Ring ring{flat, std::vector<uint32_t>(count), std::vector<uint32_t>(count), count, straightTolerance(flat)};
    for (uint32_t i = 0; i < count; ++i) {
        ring.previous[i] = (i + count - 1) % count;
        ring.next[i] = (i + 1) % count;
    }
    return joinQuads(flat, clipEars(ring), ring.tolerance);
}

bool outlineIsConvex(std::span<const std::array<double, 3>> corners) {
    const std::vector<Point2> flat = flatten(corners);
    if (flat.size() < 3) return false;
    const double tolerance = straightTolerance(flat);
    for (std::size_t k = 0; k < flat.size(); ++k)
        if (turn(flat[k], flat[(k + 1) % flat.size()], flat[(k + 2) % flat.size()]) < -tolerance) return false;
    return true;
}

}  // namespace vx
