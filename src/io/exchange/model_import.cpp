// Any model file into the editor's tables: read, simplified when asked and needed, sized, rounded.
#include "io/exchange/model_import.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <tuple>

#include "io/exchange/mesh_import.h"
#include "io/exchange/mesh_simplify.h"
#include "io/exchange/mesh_to_model.h"
#include "io/exchange/recognition.h"
#include "platform/console/files.h"

namespace vx {
namespace {

std::string number(double value, int digits) {
    std::ostringstream out;
    out.precision(digits);
    out << value;
    return out.str();
}

// The automatic fit scales a model up, never down: a large model whose rounding merges points
// would only merge more at 200 units, so it keeps its size and the merge warning.
ImportOptions sizing(const ExchangeMesh& mesh, const ImportRequest& request, std::string& note) {
    ImportOptions options;
    if (request.scale) options.scale = *request.scale;
    if (request.fit) options.fit = *request.fit;
    if (request.scale || request.fit || mesh.editorUnits) return options;  // vxtool's own files are in editor units
    const MeshScale measured = measureMesh(mesh.points);
    const bool small = measured.extent < smallExtent;
    if (!(measured.extent > 0.0) || (!small && !(measured.roundingMerges && measured.extent < autoFitExtent)))
        return options;
    options.fit = autoFitExtent;
    note = "note: scaled by " + number(autoFitExtent / measured.extent, 4) + " and centred to a largest extent of " +
           number(autoFitExtent, 4) + " units, as " +
           (small ? "it spans only " + number(measured.extent, 4) + " units" : "rounding would merge vertices") +
           "; " + request.optionsOf + "--scale 1 keeps the coordinates, and vxtool convert --scale " +
           number(measured.extent / autoFitExtent, 4) + " from the .vx gives them back";
    return options;
}

std::string fileCounts(std::size_t points, std::size_t faces, std::size_t lines) {
    return std::to_string(points) + " vertices, " + std::to_string(faces) + " faces and " + std::to_string(lines) +
           " lines";
}

std::string simplifyNote(const SimplifyReport& r) {
    return "note: simplified from " + fileCounts(r.pointsBefore, r.facesBefore, r.linesBefore) + " to " +
           fileCounts(r.pointsAfter, r.facesAfter, r.linesAfter) + "; relative error " +
           number(r.relativeError * 100.0, 3) + "% of the model's size";
}

bool finitePoint(const std::array<double, 3>& p) {
    return std::all_of(p.begin(), p.end(), [](double c) { return std::isfinite(static_cast<float>(c)); });
}

bool simplifyToFit(ExchangeMesh& mesh, const ImportRequest& request, ImportNotes& notes) {
    if (!std::all_of(mesh.points.begin(), mesh.points.end(), finitePoint)) {
        notes.error = "a coordinate is not a number that can be simplified";
        return false;
    }
    const std::size_t polygons = request.simplifyTo > 0 ? std::min<std::size_t>(request.simplifyTo, maxPolygons)
                                                        : std::size_t{maxPolygons};
    SimplifyReport report{};
    if (!simplifyMesh(mesh, {polygons, maxVertices, maxLines}, report)) {
        notes.error = "the end points of its first " + std::to_string(maxLines) + " lines alone are more than " +
                      std::to_string(maxVertices) + " vertices";
        return false;
    }
    notes.lines.push_back(simplifyNote(report));
    if (report.linesBefore > report.linesAfter)
        notes.lines.push_back("note: " + std::to_string(report.linesBefore - report.linesAfter) +
                              " lines past the limit of " + std::to_string(maxLines) + " left out");
    if (report.mixedSidesLost) notes.lines.push_back("note: the simplified faces are all one-sided");
    return true;
}

void reportColours(const ImportReport& report, ImportNotes& notes) {
    if (report.mergedColours > 0)
        notes.lines.push_back("note: more face colours than the palette's " + std::to_string(paletteSize) +
                              " entries: " + std::to_string(report.mergedColours) +
                              " colours merged into the nearest of the most used");
}

void reportRounding(const ImportReport& report, const ImportRequest& request, ImportNotes& notes) {
    if (report.mergedVertices > 0)
        notes.lines.push_back("warning: rounding to whole units merged " + std::to_string(report.mergedVertices) +
                              " vertices into others; " + request.optionsOf + "--scale or --fit keeps them apart");
}

// Rounds and fills the tables; the note on the size is given only for the mesh that is kept.
bool place(const ExchangeMesh& mesh, const ImportRequest& request, Model& model, ImportReport& report,
           ImportNotes& notes) {
    std::string sizeNote;
    if (!meshToModel(mesh, sizing(mesh, request, sizeNote), model, report)) return false;
    if (!sizeNote.empty()) notes.lines.push_back(sizeNote);
    if (report.splitFaces > 0)
        notes.lines.push_back("note: " + std::to_string(report.splitFaces) +
                              (report.splitFaces == 1 ? " face" : " faces") +
                              " of more than four corners, or concave, split into triangles and convex quads");
    reportRounding(report, request, notes);
    reportColours(report, notes);
    return true;
}

// "1,204": counts in notes are read at a glance.
std::string grouped(std::size_t count) {
    const std::string digits = std::to_string(count);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// One note naming every kind of thing the file held and the tables cannot, with counts.
void noteLeftOut(const LeftOut& left, ImportNotes& notes) {
    std::vector<std::string> kinds;
    const auto add = [&](std::size_t count, const std::string& text) {
        if (count > 0) kinds.push_back(text);
    };
    add(left.normals, "normals (" + grouped(left.normals) + ")");
    add(left.textureCoordinates, "texture coordinates (" + grouped(left.textureCoordinates) + ")");
    add(left.meshes > 1, grouped(left.meshes) + " meshes merged into one");
    add(left.animations, grouped(left.animations) + (left.animations == 1 ? " animation" : " animations"));
    add(left.morphTargets, grouped(left.morphTargets) + (left.morphTargets == 1 ? " morph target" : " morph targets"));
    add(left.materials, grouped(left.materials) + (left.materials == 1 ? " material" : " materials"));
    if (kinds.empty()) return;
    std::string line = "note: left out: ";
    for (std::size_t i = 0; i < kinds.size(); ++i) line += (i ? ", " : "") + kinds[i];
    notes.lines.push_back(line);
}

// "note: text" becomes "note: path: text", as every message of the programs names its file.
void nameFile(const std::string& path, ImportNotes& notes) {
    for (std::string& line : notes.lines) {
        const std::size_t colon = line.find(": ");
        if (colon != std::string::npos) line.insert(colon + 2, path + ": ");
    }
}

// Twice the area of a polygon in whole units: zero when its corners, rounded, lie on one line.
bool flatPolygon(const Model& model, const Polygon& p) {
    const auto at = [&](uint16_t slot) {
        const Vertex& v = model.vertices[slot];
        return std::array<double, 3>{double(v.x), double(v.y), double(v.z)};
    };
    const auto a = at(p.slots[0]), b = at(p.slots[1]), c = at(p.slots[2]), d = at(p.slots[3]);
    std::array<double, 3> sum{};
    for (const auto& [u, w] : {std::pair{b, c}, std::pair{c, d}}) {
        const double ux = u[0] - a[0], uy = u[1] - a[1], uz = u[2] - a[2];
        const double wx = w[0] - a[0], wy = w[1] - a[1], wz = w[2] - a[2];
        sum[0] += uy * wz - uz * wy;
        sum[1] += uz * wx - ux * wz;
        sum[2] += ux * wy - uy * wx;
    }
    return sum[0] == 0.0 && sum[1] == 0.0 && sum[2] == 0.0;
}

// Simplification may fold triangles flat, and rounding may flatten thin ones: a reduced model
// keeps no polygon that draws nothing.
void removeFlatPolygons(Model& model, ImportNotes& notes) {
    int32_t kept = 0;
    for (int32_t i = 0; i < model.polygonCount; ++i) {
        const Polygon& p = model.polygons[static_cast<std::size_t>(i)];
        if (!flatPolygon(model, p)) model.polygons[static_cast<std::size_t>(kept++)] = p;
    }
    const int32_t removed = model.polygonCount - kept;
    model.polygonCount = kept;
    if (removed > 0)
        notes.lines.push_back("note: " + std::to_string(removed) + (removed == 1 ? " polygon" : " polygons") +
                              " of no area after simplifying removed");
}

bool startsWith(const std::string& head, const char* text) { return head.rfind(text, 0) == 0; }


}  // namespace

bool isOtherModelFile(const std::string& path) {
    if (!regularFileProblem(path).empty()) return false;  // opening a pipe would wait for a writer
    std::ifstream in(path, std::ios::binary);
    std::string head(16, '\0');
    if (!in.read(head.data(), static_cast<std::streamsize>(head.size())) && in.gcount() == 0) return false;
    head.resize(static_cast<std::size_t>(in.gcount()));
    for (const char* own : {"VTXF", "BM", "\x89PNG", "\xFF\xD8\xFF"})
        if (startsWith(head, own)) return false;
    const ModelFormat format = recognizeModelFile(path);
    return format != ModelFormat::unknown && format != ModelFormat::vx;
}

// A point that is not a finite number is left out: rounding refuses the file for it later, and
// sorting cannot order it.
MeshScale measureMesh(const std::vector<std::array<double, 3>>& points) {
    std::array<double, 3> low{HUGE_VAL, HUGE_VAL, HUGE_VAL}, high{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    using Rounded = std::tuple<double, double, double>;
    std::vector<std::pair<Rounded, std::array<double, 3>>> keyed;
    keyed.reserve(points.size());
    for (const auto& p : points) {
        if (!finitePoint(p)) continue;
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
        keyed.push_back({{std::nearbyint(p[0]), std::nearbyint(p[1]), std::nearbyint(p[2])}, p});
    }
    std::sort(keyed.begin(), keyed.end());
    bool merges = false;
    for (std::size_t i = 1; i < keyed.size() && !merges; ++i)
        merges = keyed[i].first == keyed[i - 1].first && keyed[i].second != keyed[i - 1].second;
    if (keyed.empty()) return {0.0, false};
    return {std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]}), merges};
}

bool importModelFile(const std::string& path, const ImportRequest& request, Model& model, ImportNotes& notes) {
    notes = {};
    ExchangeMesh mesh;
    if (!importMeshFile(path, mesh, notes.error)) return false;
    // A file vxtool wrote says what it holds, an empty model included.
    if (mesh.points.empty() && !mesh.editorUnits) {
        notes.error = "the file holds no vertex: nothing in it is a model vxtool reads";
        return false;
    }
    const std::string counts = fileCounts(mesh.points.size(), mesh.faces.size(), mesh.lines.size());
    auto tables = std::make_unique<Model>();
    ImportReport report;
    // Every face is at least one polygon: past the limits without rounding a single point.
    report.overLimits = mesh.faces.size() > maxPolygons || mesh.lines.size() > maxLines;
    const bool fits = !report.overLimits && place(mesh, request, *tables, report, notes);
    const bool overTarget = fits && request.simplify && request.simplifyTo > 0 &&
                            static_cast<std::size_t>(tables->polygonCount) > request.simplifyTo;
    if (!fits && !report.overLimits) {
        notes.error = report.error;
        return false;
    }
    if (!fits && !request.simplify) {
        notes.error = "the file holds " + counts + "; the editor holds at most " + std::to_string(maxVertices) +
                      " of each; " + request.optionsOf + "--simplify reduces it until it fits";
        return false;
    }
    if (!fits || overTarget) {
        notes.lines.clear();
        if (!simplifyToFit(mesh, request, notes) || !place(mesh, request, *tables, report, notes)) {
            if (notes.error.empty()) notes.error = report.error;
            return false;
        }
        removeFlatPolygons(*tables, notes);
    }
    noteLeftOut(mesh.leftOut, notes);
    nameFile(path, notes);
    model = *tables;
    return true;
}

}  // namespace vx
