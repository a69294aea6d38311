// A plain, literal renderer for the differential test: slow, with no shortcut of any kind.
//
// Every real quantity is a float; every formula is evaluated in double and rounded to float when
// it is stored. Integer conversions: round to nearest with ties to even, or floor; a value that
// does not fit 32 bits becomes INT32_MIN.
#include "support/reference_renderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace vx::test {
namespace {

struct Point {
    float x, y, z;  // screen x, screen y, depth
};

int32_t toInt32(double v) { return v >= -2147483648.0 && v <= 2147483647.0 ? static_cast<int32_t>(v) : INT32_MIN; }
int32_t roundEven(double v) { return toInt32(std::nearbyint(v)); }
int32_t floorOf(double v) { return toInt32(std::floor(v)); }
float single(double v) { return static_cast<float>(v); }

struct Renderer {
    const EditorState& s;
    ReferenceFrame& f;
    int64_t budget;
    bool overBudget = false;

    uint32_t& color(int32_t x, int32_t y) { return f.color[static_cast<std::size_t>(x) * f.height + y]; }
    int32_t& depth(int32_t x, int32_t y) { return f.depth[static_cast<std::size_t>(x) * f.height + y]; }
    int16_t& pick(int32_t x, int32_t y) { return f.pick[static_cast<std::size_t>(x) * f.height + y]; }

    // View x, y, z and depth; the screen position only when the depth is above 0.
    void transformPoint(float x, float y, float z, float& xv, float& yv, float& zv, float& d, int32_t& sx,
                        int32_t& sy) {
        float c = single(std::cos(double(s.camera.axy))), sn = single(std::sin(double(s.camera.axy)));
        const float x1 = single(double(c) * x - double(sn) * y);
        const float y1 = single(double(c) * y + double(sn) * x);
        c = single(std::cos(double(s.camera.axz)));
        sn = single(std::sin(double(s.camera.axz)));
        xv = single(double(c) * x1 - double(sn) * z);
        const float z1 = single(double(c) * z + double(sn) * x1);
        c = single(std::cos(double(s.camera.ayz)));
        sn = single(std::sin(double(s.camera.ayz)));
        zv = single(double(c) * z1 - double(sn) * y1);
        yv = single(double(c) * y1 + double(sn) * z1);
        d = single(double(zv) + s.camera.distance);
        // Orthographic: every point at the scale perspective gives the camera distance.
        const double scaleDepth = s.camera.orthographic ? double(s.camera.distance) : double(d);
        if (d > 0) {
            sx = roundEven(double(xv) * s.camera.zoom / scaleDepth + f.width / 2);
            sy = roundEven(double(yv) * s.camera.zoom / scaleDepth + f.height / 2);
        }
    }

    void clearAndBackground() {
        const std::size_t pixels = static_cast<std::size_t>(f.width) * f.height;
        f.color.assign(pixels, 0);
        f.depth.assign(pixels, 0x7F7F7F7F);
        f.pick.assign(pixels, 0);
        if (!s.background.hasBackground) return;
        for (int32_t x = 0; x < f.width; ++x)
            for (int32_t y = 0; y < f.height; ++y)
                color(x, y) = x < s.background.backgroundWidth && y < s.background.backgroundHeight
                                  ? s.screen.backgroundImage[static_cast<std::size_t>(y) * f.width + x]
                                  : 0;
    }

    void normalPass() {
        for (int32_t i = 0; i < s.model.polygonCount; ++i) {
            const Polygon& p = s.model.polygons[i];
            const Vertex &a = s.model.vertices[p.slots[0]], &b = s.model.vertices[p.slots[1]],
                         &c = s.model.vertices[p.slots[3]];
            const float e1x = float(int32_t(uint32_t(b.x) - uint32_t(a.x))),
                        e1y = float(int32_t(uint32_t(b.y) - uint32_t(a.y))),
                        e1z = float(int32_t(uint32_t(b.z) - uint32_t(a.z)));
            const float e2x = float(int32_t(uint32_t(c.x) - uint32_t(a.x))),
                        e2y = float(int32_t(uint32_t(c.y) - uint32_t(a.y))),
                        e2z = float(int32_t(uint32_t(c.z) - uint32_t(a.z)));
            const float len1 = single(std::sqrt(double(e1x) * e1x + double(e1y) * e1y + double(e1z) * e1z));
            const float len2 = single(std::sqrt(double(e2x) * e2x + double(e2y) * e2y + double(e2z) * e2z));
            const float nx = single(double(e2y) / len2 * e1z / len1 - double(e1y) / len1 * e2z / len2);
            const float ny = single(double(e2z) / len2 * e1x / len1 - double(e1z) / len1 * e2x / len2);
            const float nz = single(double(e2x) / len2 * e1y / len1 - double(e1x) / len1 * e2y / len2);
            f.normals[i] = {nx, ny, nz};
            float xv, yv, zv, d;
            int32_t sx = 0, sy = 0;
            transformPoint(nx, ny, nz, xv, yv, zv, d, sx, sy);
            f.facing[i] = zv;
        }
    }

    bool isSelected(int32_t i) {
        for (int32_t k = 0; k < s.selection.vertexCount; ++k)
            if (s.selection.vertices[k] == i) return true;
        return false;
    }

    void vertexPass() {
        for (int32_t i = 0; i < s.model.vertexCount; ++i) {
            const Vertex& v = s.model.vertices[i];
            ProjectedVertex& row = f.projected[i];
            float xv, yv, zv, d;
            int32_t sx = 0, sy = 0;
            transformPoint(float(v.x), float(v.y), float(v.z), xv, yv, zv, d, sx, sy);
            row.depth = floorOf(d);
            if (row.depth < 1 || row.depth > s.camera.drawdepth) continue;
            row.screenX = int32_t(uint32_t(sx) + uint32_t(s.camera.panX));
            row.screenY = int32_t(uint32_t(sy) + uint32_t(s.camera.panY));
            row.viewX = roundEven(xv);
            row.viewY = roundEven(yv);
            const int32_t x = row.screenX, y = row.screenY;
            if (x < 1 || x > f.width - 2 || y < 1 || y > f.height - 2) continue;
            if (!(row.depth < depth(x, y))) continue;
            if (isSelected(i)) {
                const int32_t marks[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
                for (const auto& m : marks) {
                    color(m[0], m[1]) = 0xFF0000;
                    depth(m[0], m[1]) = 0;
                }
            }
            if (s.showFlags & 1) {
                color(x, y) = 0xFFFFFF;
                depth(x, y) = row.depth;
            }
            pick(x, y) = int16_t(i + 1);
        }
    }

    void drawLine(Point& p1, Point p2, uint32_t colour) {
        const Point delta{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
        double n = std::nearbyint(std::fabs(delta.y));
        if (std::fabs(delta.x) > std::fabs(delta.y)) n = std::nearbyint(std::fabs(delta.x));
        if (n == 0) return;
        const Point step{single(delta.x / n), single(delta.y / n), single(delta.z / n)};
        f.lineSteps += static_cast<int64_t>(n);
        if (f.lineSteps > budget) {
            overBudget = true;
            return;
        }
        for (int64_t k = 0; k < static_cast<int64_t>(n); ++k) {
            const int32_t ix = floorOf(p1.x), iy = floorOf(p1.y), iz = floorOf(p1.z);
            if (ix >= 0 && ix < f.width && iy >= 0 && iy < f.height && iz < depth(ix, iy)) {
                color(ix, iy) = colour;
                depth(ix, iy) = iz;
            }
            p1 = {p1.x + step.x, p1.y + step.y, p1.z + step.z};
        }
    }

    bool inRange(float d) { return !(d < 1 || d > s.camera.drawdepth); }
    Point pointOf(uint16_t vertex) {
        const ProjectedVertex& r = f.projected[vertex];
        return {float(r.screenX), float(r.screenY), float(r.depth)};
    }

    void linePass() {
        for (int32_t i = 0; i < s.model.lineCount; ++i) {
            const Line& line = s.model.lines[i];
            if (!inRange(float(f.projected[line.a].depth)) || !inRange(float(f.projected[line.b].depth))) continue;
            Point a = pointOf(line.a);
            drawLine(a, pointOf(line.b), 0xFFFFFF);
        }
    }

    // The rules of a filled polygon's pixels, numbered as in src/render/polygon_fill/RULES.md, are
    // defined here; the fast pass shares none of this code.

    // Rule 3: a sweep's or span's count.
    static double countOf(Point d) {
        double n = std::nearbyint(std::fabs(d.y));
        if (std::fabs(d.x) > std::fabs(d.y)) n = std::nearbyint(std::fabs(d.x));
        return n;
    }

    // Rules 5 and 6: the grey level of a shade, red when selected, in the polygon's palette entry
    // (colour 1..31) when it has one.
    uint32_t shade(double magnitude, bool selected, int32_t paint) const {
        if (std::isnan(magnitude)) return 0;
        const auto g = static_cast<uint32_t>(std::floor(magnitude)) + 7;
        if (selected) return g << 16;
        if (paint == 0) return g << 16 | g << 8 | g;
        const uint32_t entry = s.model.palette[static_cast<std::size_t>(paint - 1)];
        const uint32_t r = entry >> 16 & 0xFF, gr = entry >> 8 & 0xFF, b = entry & 0xFF;
        return (g * r / 255) << 16 | (g * gr / 255) << 8 | (g * b / 255);
    }

    // Rule 2: the polygon-sample write.
    void writeSample(int32_t x, int32_t y, int32_t iz, uint32_t colour, bool visible, int16_t k) {
        if (!(iz < depth(x, y))) return;
        if (visible) color(x, y) = colour;
        depth(x, y) = iz;
        if (pick(x, y) < 1) pick(x, y) = k;
    }

    struct Block {
        int32_t x0, x1, y0, y1;  // columns x0..x1, rows y0..y1
    };

    struct Mend {
        int32_t x, y, iz;
        uint32_t colour;
    };
    struct Settled {
        int32_t iz;
        uint32_t colour;
    };
    std::vector<Mend> mends{};  // of the polygon being filled, in the order found
    // Every pixel of its samples' blocks, with the depth and shade of the first sample of the
    // lowest depth among those that cover it.
    std::map<std::pair<int32_t, int32_t>, Settled> covered{};

    // A span whose count rounds to 0 has no samples: the sweep passes its start point by. Its
    // block is noted all the same, with the values a one-sample span would give it, for the pixels
    // inside the outline that nothing else reaches.
    std::map<std::pair<int32_t, int32_t>, Settled> passedBy{};

    static void settle(std::map<std::pair<int32_t, int32_t>, Settled>& pixels, int32_t x, int32_t y, int32_t iz,
                       uint32_t colour) {
        const auto [at, added] = pixels.try_emplace({x, y}, Settled{iz, colour});
        if (!added && iz < at->second.iz) at->second = {iz, colour};
    }
    // What the polygon's blocks, or else those of the points the sweep passed by, give a pixel.
    const Settled* reachAt(int32_t x, int32_t y) const {
        if (const auto at = covered.find({x, y}); at != covered.end()) return &at->second;
        if (const auto at = passedBy.find({x, y}); at != passedBy.end()) return &at->second;
        return nullptr;
    }

    // Rule 7. Consecutive samples of a span whose blocks touch only at a corner leave the two pixels beside
    // it empty; the one on the side of the next span is noted with the later sample's values. Once
    // the sweep is done, the noted pixels that no block covers are written, in the order found.
    void mendCorner(Block a, Block b, Point step, double side, int32_t iz, uint32_t colour) {
        if (step.x == 0 || step.y == 0) return;
        const int32_t dx = step.x > 0 ? 1 : -1, dy = step.y > 0 ? 1 : -1;
        // The edge columns and rows of the two blocks that face each other.
        const int32_t ax = dx > 0 ? a.x1 : a.x0, bx = dx > 0 ? b.x0 : b.x1;
        const int32_t ay = dy > 0 ? a.y1 : a.y0, by = dy > 0 ? b.y0 : b.y1;
        if (bx - ax != dx || by - ay != dy) return;
        // (bx, ay) lies on the side -dx·dy of the span's direction, (ax, by) on the other.
        const bool nextSideIsMinusDxDy = !(side * dx * dy > 0);
        if (nextSideIsMinusDxDy)
            mends.push_back({bx, ay, iz, colour});
        else
            mends.push_back({ax, by, iz, colour});
    }

    void writeMends(bool visible, int16_t k) {
        for (const Mend& m : mends)
            if (!covered.count({m.x, m.y})) writeSample(m.x, m.y, m.iz, m.colour, visible, k);
    }

    // Rule 9. Whether the centre of pixel (x, y) lies strictly inside the outline of the corners in slot
    // order: every edge of some length sees it on the side the outline turns to.
    static bool centreInside(const std::array<std::pair<int64_t, int64_t>, 4>& k, int32_t x, int32_t y) {
        __int128 area = 0;
        for (int i = 0; i < 4; ++i) {
            const auto& [px, py] = k[i];
            const auto& [qx, qy] = k[(i + 1) % 4];
            area += __int128{px} * qy - __int128{qx} * py;
        }
        if (area == 0) return false;
        for (int i = 0; i < 4; ++i) {
            const auto& [px, py] = k[i];
            const auto& [qx, qy] = k[(i + 1) % 4];
            if (px == qx && py == qy) continue;
            const __int128 e = __int128{qx - px} * (y - py) - __int128{qy - py} * (x - px);
            if (!(area > 0 ? e > 0 : e < 0)) return false;
        }
        return true;
    }

    // Rule 9. The pixels inside the outline that neither a block nor a corner mend lit take the depth and
    // shade the polygon's reach gives them, or else its first neighbour in the reach: left, right,
    // above, below, then the four diagonal ones.
    void mendOutline(const uint16_t* slot, bool visible, int16_t k) {
        std::array<std::pair<int64_t, int64_t>, 4> corners;
        int64_t x0 = INT64_MAX, x1 = INT64_MIN, y0 = INT64_MAX, y1 = INT64_MIN;
        for (int i = 0; i < 4; ++i) {
            const ProjectedVertex& r = f.projected[slot[i]];
            corners[i] = {r.screenX, r.screenY};
            x0 = std::min<int64_t>(x0, r.screenX), x1 = std::max<int64_t>(x1, r.screenX);
            y0 = std::min<int64_t>(y0, r.screenY), y1 = std::max<int64_t>(y1, r.screenY);
        }
        std::set<std::pair<int32_t, int32_t>> mended;
        for (const Mend& m : mends) mended.insert({m.x, m.y});
        const int32_t neighbours[9][2] = {{0, 0},   {-1, 0}, {1, 0},  {0, -1}, {0, 1},
                                          {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
        for (auto y = int32_t(std::max<int64_t>(y0, 1)); y <= std::min<int64_t>(y1, f.height - 1); ++y) {
            for (auto x = int32_t(std::max<int64_t>(x0, 1)); x <= std::min<int64_t>(x1, f.width - 1); ++x) {
                if (covered.count({x, y}) || mended.count({x, y}) || !centreInside(corners, x, y)) continue;
                for (const auto& [dx, dy] : neighbours) {
                    if (const Settled* n = reachAt(x + dx, y + dy)) {
                        writeSample(x, y, n->iz, n->colour, visible, k);
                        break;
                    }
                }
            }
        }
    }

    // Rules 3 to 8: the sweep, its samples and blocks, their shades, and the points passed by.
    void fill(int32_t i, Point a, Point b, Point c, Point d, bool visible, bool selected, const uint16_t* slot) {
        const Point dAB{b.x - a.x, b.y - a.y, b.z - a.z}, dCD{d.x - c.x, d.y - c.y, d.z - c.z};
        const double n = std::max(countOf(dAB), countOf(dCD));
        if (n == 0 || n > 2.0 * f.width) return;
        // Corners in drawing order A, B, C, D are slots 0, 3, 1, 2.
        float u[4], v[4], z[4];
        const int slotOf[4] = {0, 3, 1, 2};
        for (int k = 0; k < 4; ++k) {
            const ProjectedVertex& r = f.projected[slot[slotOf[k]]];
            u[k] = float(r.viewX);
            v[k] = float(r.viewY);
            z[k] = float(r.depth);
        }
        float uP = u[0], vP = v[0], uQ = u[2], vQ = v[2];
        const float dU1 = u[1] - u[0], dV1 = v[1] - v[0], dU2 = u[3] - u[2], dV2 = v[3] - v[2];
        const float kU = single((double(dU2) - dU1) / n), kV = single((double(dV2) - dV1) / n);
        const float sU1 = single(dU1 / n), sV1 = single(dV1 / n), sU2 = single(dU2 / n), sV2 = single(dV2 / n);
        const float dZ1 = z[1] - z[0];
        const float dZd = single((double(z[3]) - z[2]) - (double(z[1]) - z[0]));
        const Point stepAB{single(dAB.x / n), single(dAB.y / n), single(dAB.z / n)};
        const Point stepCD{single(dCD.x / n), single(dCD.y / n), single(dCD.z / n)};
        Point p = a, q = c;
        const int16_t k = int16_t(-(i + 1));
        const int32_t paint = s.model.polygons[i].flags & 0x1F;  // the palette entry, 0 for none
        bool whole = true;  // a polygon cut short by a span too long keeps only what was drawn
        mends.clear();
        covered.clear();
        passedBy.clear();
        for (int64_t j = 0; j < static_cast<int64_t>(n); ++j) {
            Point sp{q.x - p.x, q.y - p.y, q.z - p.z};
            const double m = countOf(sp);
            if (m > 2.0 * f.width) {
                whole = false;
                break;
            }
            if (m == 0) {
                uint32_t colour = shade(std::fabs(248.0 * f.facing[i]), selected, paint);
                if (s.shadeStyle == 2) {
                    const float su = uQ - uP, sv = vQ - vP, sz = sp.z;
                    const float slen = single(std::sqrt(double(su) * su + double(sv) * sv + double(sz) * sz) / 248);
                    const float len = single(std::sqrt(double(dU1) * dU1 + double(dV1) * dV1 + double(dZ1) * dZ1) * slen);
                    colour = len == 0 ? 0 : shade(std::fabs((double(dV1) * su - double(dU1) * sv) / len), selected, paint);
                }
                const int32_t ix = floorOf(p.x), iy = floorOf(p.y), iz = floorOf(p.z);
                if (ix >= 1 && ix <= f.width - 2 && iy >= 1 && iy <= f.height - 2)
                    for (int32_t y = iy; y <= iy + (p.y > iy ? 1 : 0); ++y)
                        for (int32_t x = ix; x <= ix + (p.x > ix ? 1 : 0); ++x) settle(passedBy, x, y, iz, colour);
            } else {
                const float su = uQ - uP, sv = vQ - vP, sz = sp.z;
                float eu = dU1, ev = dV1, ez = dZ1;
                const float kZ = single(dZd / m);
                const float slen = single(std::sqrt(double(su) * su + double(sv) * sv + double(sz) * sz) / 248);
                sp = {single(sp.x / m), single(sp.y / m), single(sp.z / m)};
                Point r = p;
                // Which side of the span the next one lies on.
                const double side = double(q.x - p.x) * (double(stepAB.y) + stepCD.y) -
                                    double(q.y - p.y) * (double(stepAB.x) + stepCD.x);
                bool lastDrawn = false;
                Block last{};
                uint32_t colour = 0;
                if (s.shadeStyle == 1) colour = shade(std::fabs(248.0 * f.facing[i]), selected, paint);
                for (int64_t t = 0; t < static_cast<int64_t>(m); ++t) {
                    if (s.shadeStyle == 2) {
                        const float len = single(std::sqrt(double(eu) * eu + double(ev) * ev + double(ez) * ez) * slen);
                        colour = len == 0 ? 0 : shade(std::fabs((double(ev) * su - double(eu) * sv) / len), selected, paint);
                        eu += kU;
                        ev += kV;
                        ez += kZ;
                    }
                    const int32_t ix = floorOf(r.x), iy = floorOf(r.y), iz = floorOf(r.z);
                    const bool drawn = ix >= 1 && ix <= f.width - 2 && iy >= 1 && iy <= f.height - 2;
                    const int32_t fx = r.x > ix ? 1 : 0, fy = r.y > iy ? 1 : 0;
                    if (drawn) {
                        for (int32_t y = iy; y <= iy + fy; ++y)
                            for (int32_t x = ix; x <= ix + fx; ++x) {
                                writeSample(x, y, iz, colour, visible, k);
                                settle(covered, x, y, iz, colour);
                            }
                        if (t > 0 && lastDrawn) mendCorner(last, {ix, ix + fx, iy, iy + fy}, sp, side, iz, colour);
                    }
                    lastDrawn = drawn;
                    last = {ix, ix + fx, iy, iy + fy};
                    r = {r.x + sp.x, r.y + sp.y, r.z + sp.z};
                }
            }
            p = {p.x + stepAB.x, p.y + stepAB.y, p.z + stepAB.z};
            q = {q.x + stepCD.x, q.y + stepCD.y, q.z + stepCD.z};
            uP += sU1;
            vP += sV1;
            uQ += sU2;
            vQ += sV2;
        }
        writeMends(visible, k);
        if (whole) mendOutline(slot, visible, k);
    }

    // Rule 1: which polygons, in what order, outlined or filled.
    void polygonPass() {
        for (int32_t i = 0; i < s.model.polygonCount; ++i) {
            const Polygon& polygon = s.model.polygons[i];
            bool visible = true;
            if (!(polygon.flags & 0x8000) && (f.facing[i] < 0 || std::isnan(f.facing[i]))) visible = false;
            bool skip = false;
            for (const uint16_t slot : polygon.slots) skip = skip || !inRange(float(f.projected[slot].depth));
            if (skip) continue;
            const int16_t k = int16_t(-(i + 1));
            const bool selected = k == s.selection.polygon;
            const Point a = pointOf(polygon.slots[0]), b = pointOf(polygon.slots[3]);
            const Point c = pointOf(polygon.slots[1]), d = pointOf(polygon.slots[2]);
            if (s.shadeStyle == 0) {
                const int32_t paint = polygon.flags & 0x1F;
                uint32_t colour = selected ? 0x7F0000 : 0x7F7F7F;
                if (!selected && paint != 0) colour = s.model.palette[static_cast<std::size_t>(paint - 1)];
                Point p = a;
                drawLine(p, b, colour);
                drawLine(p, d, colour);
                drawLine(p, c, colour);
                Point fresh = pointOf(polygon.slots[0]);
                drawLine(fresh, c, colour);
            } else {
                fill(i, a, b, c, d, visible || selected, selected, polygon.slots.data());
            }
        }
    }
};

}  // namespace

bool renderReference(const EditorState& state, const std::array<ProjectedVertex, maxVertices>& lastProjected,
                     ReferenceFrame& out, int64_t stepBudget) {
    out.width = state.screen.screenWidth;
    out.height = state.screen.screenHeight;
    out.projected = lastProjected;
    out.lineSteps = 0;
    Renderer r{state, out, stepBudget};
    r.clearAndBackground();
    r.normalPass();
    r.vertexPass();
    if (state.showFlags & 2) r.linePass();
    if ((state.showFlags & 4) && state.model.polygonCount > 0) r.polygonPass();
    return !r.overBudget;
}

}  // namespace vx::test
