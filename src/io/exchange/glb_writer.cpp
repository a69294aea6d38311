// The GLB writer: one buffer of float positions and 32-bit index lists, one mesh, one node.
#include <algorithm>
#include <charconv>

#include "io/byte_order.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

constexpr uint32_t glbMagic = 0x46546C67;   // "glTF"
constexpr uint32_t jsonChunk = 0x4E4F534A;  // "JSON"
constexpr uint32_t binChunk = 0x004E4942;   // "BIN\0"

// One primitive's corner list: the mode and, for triangles, which material.
struct IndexList {
    std::vector<uint32_t> indices;
    int mode;      // 0 points, 1 lines, 4 triangles
    int material;  // -1 none, 0 one-sided, 1 two-sided
};

std::vector<IndexList> indexListsOf(const ExportTables& tables) {
    IndexList oneSided{{}, 4, 0}, twoSided{{}, 4, 1}, lines{{}, 1, -1}, points{tables.unusedVertices, 0, -1};
    for (const ExportFace& f : tables.faces) {
        auto& list = isTwoSided(f) ? twoSided.indices : oneSided.indices;
        list.insert(list.end(), {f.corners[0], f.corners[1], f.corners[2]});
        if (f.cornerCount == 4) list.insert(list.end(), {f.corners[0], f.corners[2], f.corners[3]});
    }
    for (const auto& l : tables.lines) lines.indices.insert(lines.indices.end(), {l[0], l[1]});
    std::vector<IndexList> out;
    for (IndexList* list : {&oneSided, &twoSided, &lines, &points})
        if (!list->indices.empty()) out.push_back(std::move(*list));
    return out;
}

std::string text(int64_t value) { return integerText(value); }

// A position as the buffer holds it.
float writtenFloat(const ExportTables& tables, int64_t c) {
    return inEditorUnits(tables) ? static_cast<float>(c) : static_cast<float>(static_cast<double>(c) * tables.scale);
}

// Positions in editor units are whole numbers; their single-precision values are whole too and
// print exactly. Scaled ones print as the shortest text that reads back as the same float.
std::string boundsJson(const ExportTables& tables, bool upper) {
    std::string out = "[";
    for (int k = 0; k < 3; ++k) {
        float bound = writtenFloat(tables, tables.points[0][k]);
        for (const auto& p : tables.points) {
            const float c = writtenFloat(tables, p[k]);
            bound = upper ? std::max(bound, c) : std::min(bound, c);
        }
        if (k) out += ',';
        if (inEditorUnits(tables)) {
            out += text(static_cast<int64_t>(bound));
        } else {
            char digits[32];
            out.append(digits, std::to_chars(digits, digits + sizeof digits, bound).ptr);
        }
    }
    return out + "]";
}

// The polygon table itself, and the exact value of any coordinate a float cannot hold, for
// readers that know them: the triangles alone lose which pairs were quads, and the order.
std::string extrasJson(const ExportTables& tables) {
    std::string polygons, exact;
    for (const ExportFace& f : tables.faces) {
        if (!polygons.empty()) polygons += ',';
        const uint32_t last = f.corners[f.cornerCount - 1];
        polygons += integerWords({f.corners[0], f.corners[1], f.corners[2], last, f.flags});
    }
    // Written as fractions: some readers keep whole JSON numbers in 32 bits.
    for (std::size_t i = 0; i < tables.points.size() && inEditorUnits(tables); ++i) {
        const auto& p = tables.points[i];
        if (std::max({p[0], -p[0], p[1], -p[1], p[2], -p[2]}) <= exactInFloat) continue;
        if (!exact.empty()) exact += ',';
        exact += integerText(static_cast<int64_t>(i));
        for (int64_t c : p) {
            exact += ',';
            exact += integerText(c);
            exact += ".0";
        }
    }
    for (char& c : polygons)
        if (c == ' ') c = ',';
    std::string out = ",\"extras\":{\"" + std::string(gltfPolygonTable) + "\":[" + polygons + "]";
    if (!exact.empty()) out += ",\"" + std::string(gltfExactPositions) + "\":[" + exact + "]";
    return out + "}";
}

struct Parts {
    std::string bin;
    std::string bufferViews, accessors, primitives;
};

void addIndexList(const IndexList& list, std::size_t number, Parts& parts) {
    const std::size_t offset = parts.bin.size();
    for (uint32_t i : list.indices) appendLe32(parts.bin, i);
    const std::string view = text(static_cast<int64_t>(number + 1));
    parts.bufferViews += ",{\"buffer\":0,\"byteOffset\":" + text(static_cast<int64_t>(offset)) +
                         ",\"byteLength\":" + text(static_cast<int64_t>(list.indices.size() * 4)) +
                         ",\"target\":34963}";
    parts.accessors += ",{\"bufferView\":" + view +
                       ",\"componentType\":5125,\"count\":" + text(static_cast<int64_t>(list.indices.size())) +
                       ",\"type\":\"SCALAR\"}";
    parts.primitives += std::string(number ? "," : "") + "{\"attributes\":{\"POSITION\":0},\"indices\":" + view +
                        ",\"mode\":" + text(list.mode) +
                        (list.material >= 0 ? ",\"material\":" + text(list.material) : "") + "}";
}

std::string sceneJson(const ExportTables& tables, Parts& parts) {
    // Only a file in the editor's own units names vxtool alone, which its reader takes as is.
    const std::string generator = std::string(gltfGenerator) + (inEditorUnits(tables) ? "" : " (scaled)");
    const std::string asset = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"" + generator + "\"}";
    if (tables.points.empty()) return asset + ",\"scene\":0,\"scenes\":[{}]}";
    for (const auto& p : tables.points)
        for (int64_t c : p) appendFloat(parts.bin, writtenFloat(tables, c));
    parts.bufferViews =
        "{\"buffer\":0,\"byteOffset\":0,\"byteLength\":" + text(static_cast<int64_t>(parts.bin.size())) +
        ",\"target\":34962}";
    parts.accessors =
        "{\"bufferView\":0,\"componentType\":5126,\"count\":" + text(static_cast<int64_t>(tables.points.size())) +
        ",\"type\":\"VEC3\",\"min\":" + boundsJson(tables, false) + ",\"max\":" + boundsJson(tables, true) + "}";
    const std::vector<IndexList> lists = indexListsOf(tables);
    for (std::size_t i = 0; i < lists.size(); ++i) addIndexList(lists[i], i, parts);
    return asset + ",\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}]" +
           ",\"meshes\":[{\"primitives\":[" + parts.primitives + "]" + extrasJson(tables) + "}]" +
           ",\"materials\":[{\"name\":\"one-sided\",\"doubleSided\":false},{\"name\":\"two-sided\",\"doubleSided\":"
           "true}]" +
           ",\"accessors\":[" + parts.accessors + "],\"bufferViews\":[" + parts.bufferViews + "]" +
           ",\"buffers\":[{\"byteLength\":" + text(static_cast<int64_t>(parts.bin.size())) + "}]}";
}

void appendChunk(std::string& out, uint32_t type, std::string data, char pad) {
    data.resize((data.size() + 3) / 4 * 4, pad);
    appendLe32(out, static_cast<uint32_t>(data.size()));
    appendLe32(out, type);
    out += data;
}

}  // namespace

std::string writeGlb(const ExportTables& tables) {
    Parts parts;
    const std::string json = sceneJson(tables, parts);
    std::string chunks;
    appendChunk(chunks, jsonChunk, json, ' ');
    if (!parts.bin.empty()) appendChunk(chunks, binChunk, parts.bin, '\0');
    std::string out;
    appendLe32(out, glbMagic);
    appendLe32(out, 2);
    appendLe32(out, static_cast<uint32_t>(12 + chunks.size()));
    return out + chunks;
}

}  // namespace vx
