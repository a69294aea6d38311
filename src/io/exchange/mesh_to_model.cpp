// Exchange mesh to model: y up to y down by a half turn about x, rounding, welding, face splits.
#include "io/exchange/mesh_to_model.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "core/triangulate.h"
#include "io/exchange/face_colours.h"

namespace vx {
namespace {

struct Placement {
    double scale;
    std::array<double, 3> centre;  // subtracted before scaling
};

Placement placementOf(const ExchangeMesh& mesh, const ImportOptions& options) {
    if (options.fit <= 0.0 || mesh.points.empty()) return {options.scale, {0.0, 0.0, 0.0}};
    std::array<double, 3> low = mesh.points[0], high = mesh.points[0];
    for (const auto& p : mesh.points)
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    const double scale = extent > 0.0 ? options.fit / extent : 1.0;
    return {scale, {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2}};
}

// (x, y, z) -> (x, -y, -z): a rotation, so corner order keeps its meaning.
bool toModelPosition(const std::array<double, 3>& p, const Placement& place, Vertex& out) {
    const double x = (p[0] - place.centre[0]) * place.scale;
    const double y = -(p[1] - place.centre[1]) * place.scale;
    const double z = -(p[2] - place.centre[2]) * place.scale;
    // Ties go to even, as every stored coordinate of the editor; the whole 32-bit range is taken.
    for (double v : {x, y, z})
        if (!(std::nearbyint(v) >= -2147483648.0 && std::nearbyint(v) <= 2147483647.0)) return false;
    out = {static_cast<int32_t>(std::nearbyint(x)), static_cast<int32_t>(std::nearbyint(y)),
           static_cast<int32_t>(std::nearbyint(z))};
    return true;
}

using Key = std::tuple<int32_t, int32_t, int32_t>;

struct Welded {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indexOfPoint;  // point -> welded vertex
    std::size_t distinctPositions = 0;   // before rounding
    std::size_t roundedPositions = 0;    // after it
};

// Points that are the file's own vertex list stay one vertex each, coincident or not; others are
// welded on their rounded positions.
bool weld(const ExchangeMesh& mesh, const Placement& place, Welded& welded, std::string& error) {
    std::map<Key, uint32_t> byPosition;
    std::set<std::array<double, 3>> exact;
    welded.indexOfPoint.reserve(mesh.points.size());
    for (const auto& p : mesh.points) {
        Vertex v{};
        if (!toModelPosition(p, place, v)) {
            error = "a coordinate does not fit 32 bits after scaling; try --scale or --fit";
            return false;
        }
        exact.insert(p);
        const auto [at, added] = byPosition.try_emplace({v.x, v.y, v.z}, static_cast<uint32_t>(welded.vertices.size()));
        if (mesh.filesOwnVertices || added) welded.vertices.push_back(v);
        welded.indexOfPoint.push_back(mesh.filesOwnVertices ? static_cast<uint32_t>(welded.vertices.size() - 1)
                                                            : at->second);
    }
    welded.distinctPositions = exact.size();
    welded.roundedPositions = byPosition.size();
    return true;
}

// The places of a face's corners, before rounding: the split is made on the file's own numbers.
std::vector<std::array<double, 3>> cornerPlaces(const ExchangeMesh& mesh, const ExchangeFace& face) {
    std::vector<std::array<double, 3>> places;
    places.reserve(face.corners.size());
    for (uint32_t p : face.corners) places.push_back(p < mesh.points.size() ? mesh.points[p] : std::array<double, 3>{});
    return places;
}

// A fan of quads around corner 0, closed by at most one triangle: the old way, kept for faces
// with no area to split.
void fanFace(const std::vector<uint16_t>& c, uint16_t flags, std::vector<Polygon>& out) {
    std::size_t k = 1;
    while (k + 2 < c.size()) {
        out.push_back({{c[0], c[k], c[k + 1], c[k + 2]}, flags});
        k += 2;
    }
    if (k + 1 < c.size()) out.push_back({{c[0], c[k], c[k + 1], c[k + 1]}, flags});
}

// A triangle repeats its third corner; a convex quad stays as it is, and so do the editor's own
// quads (which it draws whatever their shape). Others are split by ear clipping; true when so.
bool splitFace(const ExchangeMesh& mesh, const ExchangeFace& face, uint16_t flags, const std::vector<uint16_t>& c,
               std::vector<Polygon>& out) {
    if (c.size() == 3) {
        out.push_back({{c[0], c[1], c[2], c[2]}, flags});
        return false;
    }
    const std::vector<std::array<double, 3>> places = cornerPlaces(mesh, face);
    if (c.size() == 4 && (mesh.editorUnits || outlineIsConvex(places))) {
        out.push_back({{c[0], c[1], c[2], c[3]}, flags});
        return false;
    }
    const std::vector<OutlinePiece> pieces = splitOutline(places);
    if (pieces.empty()) {
        fanFace(c, flags, out);
        return false;
    }
    for (const OutlinePiece& piece : pieces) out.push_back({{c[piece[0]], c[piece[1]], c[piece[2]], c[piece[3]]}, flags});
    return true;
}

std::string limitMessage(std::size_t vertices, std::size_t polygons, std::size_t lines) {
    return "the model has " + std::to_string(vertices) + " vertices, " + std::to_string(polygons) + " polygons and " +
           std::to_string(lines) + " lines; the limit is " + std::to_string(maxVertices) + " of each";
}

}  // namespace

bool meshToModel(const ExchangeMesh& mesh, const ImportOptions& options, Model& model, ImportReport& report) {
    report = {};
    Welded welded;
    if (!weld(mesh, placementOf(mesh, options), welded, report.error)) return false;
    const ColourChoice colours = chooseColours(mesh);
    std::vector<Polygon> polygons;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const ExchangeFace& face = mesh.faces[f];
        std::vector<uint16_t> corners;
        for (uint32_t p : face.corners)
            corners.push_back(static_cast<uint16_t>(p < welded.indexOfPoint.size() ? welded.indexOfPoint[p] : 0));
        const auto flags = static_cast<uint16_t>((face.flags & ~colourMask) | colours.colourOfFace[f]);
        if (splitFace(mesh, face, flags, corners, polygons)) ++report.splitFaces;
    }
    const std::size_t vertices = welded.vertices.size();
    if (vertices > maxVertices || polygons.size() > maxPolygons || mesh.lines.size() > maxLines) {
        report.error = limitMessage(vertices, polygons.size(), mesh.lines.size());
        report.overLimits = true;
        return false;
    }
    std::copy(welded.vertices.begin(), welded.vertices.end(), model.vertices.begin());
    std::copy(polygons.begin(), polygons.end(), model.polygons.begin());
    for (std::size_t i = 0; i < mesh.lines.size(); ++i) {
        const auto& l = mesh.lines[i];
        const auto end = [&](uint32_t p) {
            return static_cast<uint16_t>(p < welded.indexOfPoint.size() ? welded.indexOfPoint[p] : 0);
        };
        model.lines[i] = {end(l[0]), end(l[1])};
    }
    model.vertexCount = static_cast<int32_t>(vertices);
    model.polygonCount = static_cast<int32_t>(polygons.size());
    model.lineCount = static_cast<int32_t>(mesh.lines.size());
    model.palette = colours.palette;
    report.mergedVertices = welded.distinctPositions - welded.roundedPositions;
    report.mergedColours = colours.mergedColours;
    return true;
}

}  // namespace vx
