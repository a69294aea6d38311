// Model to exchange tables: the half turn about x, triangles recognised, broken elements left out.
#include "io/exchange/model_to_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vx {

ExportTables exportTablesOf(const Model& model) {
    ExportTables t;
    const int32_t vertexCount = std::clamp(model.vertexCount, 0, maxVertices);
    const auto vertices = static_cast<uint32_t>(vertexCount);
    for (uint32_t i = 0; i < vertices; ++i) {
        const Vertex& v = model.vertices[i];
        t.points.push_back({v.x, -int64_t{v.y}, -int64_t{v.z}});
    }
    std::vector<bool> used(vertices, false);
    for (int32_t i = 0; i < std::clamp(model.polygonCount, 0, maxPolygons); ++i) {
        const Polygon& p = model.polygons[static_cast<std::size_t>(i)];
        if (std::any_of(p.slots.begin(), p.slots.end(), [&](uint16_t s) { return s >= vertices; })) {
            ++t.skippedPolygons;
            continue;
        }
        const uint32_t count = p.slots[3] == p.slots[2] ? 3 : 4;
        t.faces.push_back({{p.slots[0], p.slots[1], p.slots[2], p.slots[3]}, count, p.flags});
        for (uint16_t s : p.slots) used[s] = true;
    }
    for (int32_t i = 0; i < std::clamp(model.lineCount, 0, maxLines); ++i) {
        const Line& l = model.lines[static_cast<std::size_t>(i)];
        if (l.a >= vertices || l.b >= vertices) {
            ++t.skippedLines;
            continue;
        }
        t.lines.push_back({l.a, l.b});
        used[l.a] = used[l.b] = true;
    }
    for (uint32_t i = 0; i < vertices; ++i)
        if (!used[i]) t.unusedVertices.push_back(i);
    t.palette = model.palette;
    return t;
}

bool anyColour(const ExportTables& tables) {
    return std::any_of(tables.faces.begin(), tables.faces.end(),
                       [](const ExportFace& f) { return colourOf(f.flags) > 0; });
}

int64_t largestCoordinate(const ExportTables& tables) {
    int64_t largest = 0;
    for (const auto& p : tables.points)
        for (int64_t c : p) largest = std::max(largest, c < 0 ? -c : c);
    return largest;
}

std::string integerText(int64_t value) { return std::to_string(value); }

std::string integerWords(std::initializer_list<int64_t> values) {
    std::string out;
    for (int64_t value : values) {
        if (!out.empty()) out += ' ';
        out += std::to_string(value);
    }
    return out;
}

std::string coordinateText(const ExportTables& tables, int64_t value) {
    return inEditorUnits(tables) ? integerText(value) : fractionText(static_cast<double>(value) * tables.scale);
}

std::string fractionText(double value) {
    if (!std::isfinite(value)) value = 0.0;
    const bool negative = value < 0.0;
    const auto scaled = static_cast<int64_t>(std::llround(std::fabs(value) * 1e7));
    const std::string fraction = std::to_string(scaled % 10000000);
    std::string out = negative && scaled != 0 ? "-" : "";
    out += std::to_string(scaled / 10000000);
    out += '.';
    out.append(7 - fraction.size(), '0');
    return out + fraction;
}

}  // namespace vx
