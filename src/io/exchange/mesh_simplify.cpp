// The one file that speaks to the mesh optimiser library: reducing a mesh to fit the tables.
#include "io/exchange/mesh_simplify.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/editor_state.h"
#include "core/triangulate.h"

namespace vx {
namespace {

constexpr uint32_t unused = UINT32_MAX;

// Every point once per distinct position, numbered in the order of first appearance, so that
// a file that repeats a corner per face still simplifies as one connected surface.
struct Welded {
    std::vector<float> positions;        // x, y, z per welded point
    std::vector<uint32_t> weldedOf;      // file point -> welded point
    std::vector<uint32_t> firstPointOf;  // welded point -> its first file point
};

Welded weld(const ExchangeMesh& mesh) {
    std::vector<float> all;
    all.reserve(mesh.points.size() * 3);
    for (const auto& p : mesh.points)
        for (double c : p) all.push_back(static_cast<float>(c));
    Welded w;
    w.weldedOf.resize(mesh.points.size());
    const std::size_t count = meshopt_generateVertexRemap(w.weldedOf.data(), nullptr, mesh.points.size(), all.data(),
                                                          mesh.points.size(), 3 * sizeof(float));
    w.positions.resize(count * 3);
    meshopt_remapVertexBuffer(w.positions.data(), all.data(), mesh.points.size(), 3 * sizeof(float),
                              w.weldedOf.data());
    w.firstPointOf.assign(count, unused);
    for (std::size_t i = mesh.points.size(); i-- > 0;) w.firstPointOf[w.weldedOf[i]] = static_cast<uint32_t>(i);
    return w;
}

// Faces as triangles over welded points, split as the import splits them (a concave face is
// never fanned across itself); a corner past the points drops its face.
std::vector<uint32_t> triangles(const ExchangeMesh& mesh, const Welded& w) {
    std::vector<uint32_t> out;
    std::vector<std::array<double, 3>> places;
    for (const ExchangeFace& face : mesh.faces) {
        if (std::any_of(face.corners.begin(), face.corners.end(), [&](uint32_t c) { return c >= w.weldedOf.size(); }))
            continue;
        const auto corner = [&](uint32_t k) { return w.weldedOf[face.corners[k]]; };
        if (face.corners.size() == 3) {
            for (uint32_t k : {0u, 1u, 2u}) out.push_back(corner(k));
            continue;
        }
        places.clear();
        for (uint32_t c : face.corners) places.push_back(mesh.points[c]);
        for (const OutlinePiece& piece : splitOutline(places)) {
            for (uint32_t k : {piece[0], piece[1], piece[2]}) out.push_back(corner(k));
            if (piece[3] != piece[2])
                for (uint32_t k : {piece[0], piece[2], piece[3]}) out.push_back(corner(k));
        }
    }
    return out;
}

// Each welded point remembers the first face it is a corner of, for the colour of what remains
// around it.
std::vector<uint32_t> firstFaceOfPoints(const ExchangeMesh& mesh, const Welded& w) {
    std::vector<uint32_t> face(w.firstPointOf.size(), unused);
    for (std::size_t f = mesh.faces.size(); f-- > 0;)
        for (uint32_t c : mesh.faces[f].corners)
            if (c < w.weldedOf.size()) face[w.weldedOf[c]] = static_cast<uint32_t>(f);
    return face;
}

// A reduced triangle takes the colour two of its corners' faces agree on, else its first
// corner's: colour regions survive the reduction, their borders a triangle or so off.
const ExchangeFace* paintOf(const std::vector<uint32_t>& painter, const ExchangeMesh& mesh,
                            std::array<uint32_t, 3> corners) {
    const auto faceAt = [&](uint32_t c) { return painter[c] == unused ? nullptr : &mesh.faces[painter[c]]; };
    const ExchangeFace *a = faceAt(corners[0]), *b = faceAt(corners[1]), *c = faceAt(corners[2]);
    const auto same = [](const ExchangeFace* u, const ExchangeFace* v) {
        return u && v && u->colour == v->colour && (u->flags & colourMask) == (v->flags & colourMask);
    };
    return !same(a, b) && same(b, c) ? b : a;
}

std::size_t distinctCount(const std::vector<uint32_t>& indices, std::vector<bool>& seen) {
    std::fill(seen.begin(), seen.end(), false);
    std::size_t count = 0;
    for (uint32_t i : indices)
        if (!seen[i]) {
            seen[i] = true;
            ++count;
        }
    return count;
}

// Reduces the triangles to at most targetFaces, then lowers the target until the points they
// use fit pointBudget. Borders stay where they are; where they leave too many triangles, the
// sloppy reduction, which ignores the surface's shape, finishes the job.
std::vector<uint32_t> reduceFaces(const std::vector<uint32_t>& source, const Welded& w, std::size_t targetFaces,
                                  std::size_t pointBudget, double& error) {
    const std::size_t pointCount = w.positions.size() / 3;
    std::vector<uint32_t> out(source.size());
    std::vector<bool> seen(pointCount);
    targetFaces = std::min(targetFaces, source.size() / 3);
    for (int attempt = 0; attempt < 32; ++attempt) {
        float resultError = 0.0f;
        std::size_t n = meshopt_simplify(out.data(), source.data(), source.size(), w.positions.data(), pointCount,
                                         3 * sizeof(float), targetFaces * 3, 1.0f, meshopt_SimplifyLockBorder,
                                         &resultError);
        if (n > targetFaces * 3)
            n = meshopt_simplifySloppy(out.data(), source.data(), source.size(), w.positions.data(), pointCount,
                                       3 * sizeof(float), targetFaces * 3, 1.0f, &resultError);
        out.resize(n);
        error = resultError;
        const std::size_t used = distinctCount(out, seen);
        if (used <= pointBudget) return out;
        if (targetFaces == 0) break;
        targetFaces = std::min(targetFaces - 1, targetFaces * pointBudget / used * 15 / 16);
        out.resize(source.size());
    }
    out.clear();
    return out;
}

// Free points past the budget are thinned evenly over the space they fill.
std::vector<uint32_t> reducePoints(const std::vector<uint32_t>& free, const Welded& w, std::size_t budget) {
    if (free.size() <= budget) return free;
    std::vector<float> positions;
    for (uint32_t p : free) positions.insert(positions.end(), &w.positions[p * 3], &w.positions[p * 3] + 3);
    std::vector<uint32_t> kept(budget);
    kept.resize(meshopt_simplifyPoints(kept.data(), positions.data(), free.size(), 3 * sizeof(float), budget));
    for (uint32_t& k : kept) k = free[k];
    return kept;
}

}  // namespace

bool simplifyMesh(ExchangeMesh& mesh, const SimplifyLimits& limits, SimplifyReport& report) {
    report = {mesh.points.size(), mesh.faces.size(), mesh.lines.size(), 0, 0, 0, 0.0, false};
    for (const auto& p : mesh.points)
        for (double c : p)
            if (!std::isfinite(static_cast<float>(c))) return false;
    const Welded w = weld(mesh);
    const std::size_t pointCount = w.firstPointOf.size();
    std::vector<bool> keep(pointCount, false), onFaces(pointCount, false);
    std::vector<std::array<uint32_t, 2>> lines;
    for (const auto& l : mesh.lines) {
        if (lines.size() == limits.lines) break;
        if (l[0] >= w.weldedOf.size() || l[1] >= w.weldedOf.size()) continue;
        lines.push_back({w.weldedOf[l[0]], w.weldedOf[l[1]]});
        keep[lines.back()[0]] = keep[lines.back()[1]] = true;
    }
    const std::size_t linePoints = static_cast<std::size_t>(std::count(keep.begin(), keep.end(), true));
    if (linePoints > limits.points) return false;
    const std::vector<uint32_t> source = triangles(mesh, w);
    for (uint32_t i : source) onFaces[i] = true;
    const std::vector<uint32_t> reduced =
        reduceFaces(source, w, limits.polygons, limits.points - linePoints, report.relativeError);
    for (uint32_t i : reduced) keep[i] = true;
    std::vector<uint32_t> free;
    for (uint32_t p = 0; p < pointCount; ++p)
        if (!onFaces[p] && !keep[p]) free.push_back(p);
    const std::size_t used = static_cast<std::size_t>(std::count(keep.begin(), keep.end(), true));
    for (uint32_t p : reducePoints(free, w, limits.points - std::min(limits.points, used))) keep[p] = true;

    // Survivors keep the file's order: each stands where its first file point stood.
    std::vector<uint32_t> order;
    for (uint32_t p = 0; p < pointCount; ++p)
        if (keep[p]) order.push_back(p);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return w.firstPointOf[a] < w.firstPointOf[b]; });
    std::vector<uint32_t> newIndex(pointCount, unused);
    ExchangeMesh out;
    for (uint32_t p : order) {
        newIndex[p] = static_cast<uint32_t>(out.points.size());
        out.points.push_back(mesh.points[w.firstPointOf[p]]);
    }
    const bool allTwoSided = !mesh.faces.empty() && std::all_of(mesh.faces.begin(), mesh.faces.end(),
                                                                 [](const ExchangeFace& f) { return (f.flags & twoSidedFlag) != 0; });
    report.mixedSidesLost = !allTwoSided && std::any_of(mesh.faces.begin(), mesh.faces.end(),
                                                        [](const ExchangeFace& f) { return (f.flags & twoSidedFlag) != 0; });
    const std::vector<uint32_t> painter = firstFaceOfPoints(mesh, w);
    for (std::size_t k = 0; k + 2 < reduced.size(); k += 3) {
        const ExchangeFace* paint = paintOf(painter, mesh, {reduced[k], reduced[k + 1], reduced[k + 2]});
        const auto sides = static_cast<uint16_t>(allTwoSided ? twoSidedFlag : 0);
        out.faces.push_back({{newIndex[reduced[k]], newIndex[reduced[k + 1]], newIndex[reduced[k + 2]]},
                             static_cast<uint16_t>(sides | (paint ? paint->flags & colourMask : 0)),
                             paint ? paint->colour : noColour});
    }
    for (const auto& l : lines) out.lines.push_back({newIndex[l[0]], newIndex[l[1]]});
    out.filesOwnVertices = mesh.filesOwnVertices;
    out.editorUnits = mesh.editorUnits;
    out.hasPalette = mesh.hasPalette;
    out.palette = mesh.palette;
    out.leftOut = mesh.leftOut;
    report.pointsAfter = out.points.size();
    report.facesAfter = out.faces.size();
    report.linesAfter = out.lines.size();
    mesh = std::move(out);
    return true;
}

}  // namespace vx
