// The GLB writer: one buffer of float positions and 32-bit index lists, one mesh, one node, a
// material for each colour and sidedness.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "io/byte_order.h"
#include "io/exchange/face_colours.h"
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
    int material;  // -1 none, else the material's number
};

// What a face's material says: its colour (0 none; else the first entry of the same colour, so
// that one colour is one material) and whether it shows both sides.
struct Look {
    int32_t colour;
    bool twoSided;
    bool operator==(const Look&) const = default;
};

Look lookOf(const ExportTables& tables, const ExportFace& f) {
    const int32_t c = colourOf(f.flags);
    return {c ? firstEntryOf(tables.palette, paletteColour(tables.palette, c)) : 0, isTwoSided(f)};
}

// Without colours the two materials are always there, one-sided first; with them, one material
// per look the faces use, in the order they first use it.
std::vector<Look> looksOf(const ExportTables& tables) {
    if (!anyColour(tables)) return {{0, false}, {0, true}};
    std::vector<Look> looks;
    for (const ExportFace& f : tables.faces)
        if (std::find(looks.begin(), looks.end(), lookOf(tables, f)) == looks.end()) looks.push_back(lookOf(tables, f));
    return looks;
}

std::vector<IndexList> indexListsOf(const ExportTables& tables, const std::vector<Look>& looks) {
    std::vector<IndexList> faces(looks.size());
    for (std::size_t m = 0; m < looks.size(); ++m) faces[m] = {{}, 4, static_cast<int>(m)};
    IndexList lines{{}, 1, -1}, points{tables.unusedVertices, 0, -1};
    for (const ExportFace& f : tables.faces) {
        auto& list =
            faces[static_cast<std::size_t>(std::find(looks.begin(), looks.end(), lookOf(tables, f)) - looks.begin())]
                .indices;
        list.insert(list.end(), {f.corners[0], f.corners[1], f.corners[2]});
        if (f.cornerCount == 4) list.insert(list.end(), {f.corners[0], f.corners[2], f.corners[3]});
    }
    for (const auto& l : tables.lines) lines.indices.insert(lines.indices.end(), {l[0], l[1]});
    std::vector<IndexList> out;
    faces.push_back(std::move(lines));
    faces.push_back(std::move(points));
    for (IndexList& list : faces)
        if (!list.indices.empty()) out.push_back(std::move(list));
    return out;
}

// glTF colours are linear light; a colour's material is a plain, rough paint. Seven decimals bring
// every byte back: no two bytes' light is closer than 1e-4.
std::string materialJson(const ExportTables& tables, const Look& look) {
    const std::string sides = std::string(",\"doubleSided\":") + (look.twoSided ? "true" : "false");
    if (look.colour == 0)
        return std::string("{\"name\":\"") + (look.twoSided ? "two-sided" : "one-sided") + "\"" + sides + "}";
    const uint32_t rgb = paletteColour(tables.palette, look.colour);
    std::string factor;
    for (int shift : {16, 8, 0}) factor += fractionText(linearOfSrgb((rgb >> shift) & 0xFF)) + ",";
    return "{\"name\":\"colour" + integerText(look.colour) + (look.twoSided ? " two-sided" : "") +
           "\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[" + factor +
           "1],\"metallicFactor\":0,\"roughnessFactor\":1}" + sides + "}";
}

std::string materialsJson(const ExportTables& tables, const std::vector<Look>& looks) {
    std::string out;
    for (const Look& look : looks) out.append(out.empty() ? "" : ",").append(materialJson(tables, look));
    return ",\"materials\":[" + out + "]";
}

std::string text(int64_t value) { return integerText(value); }

// The shortest text that reads back as the same single. The browser build's library has no
// to_chars for floating point, so the digits are found by trying each precision in turn.
std::string shortestFloatText(float value) {
    char digits[32];
    for (int precision = 1; precision < 9; ++precision) {
        std::snprintf(digits, sizeof digits, "%.*g", precision, static_cast<double>(value));
        if (std::strtof(digits, nullptr) == value) return digits;
    }
    std::snprintf(digits, sizeof digits, "%.9g", static_cast<double>(value));
    return digits;
}

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
            out += shortestFloatText(bound);
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

// The model's palette, when it is its own, belongs to the whole file: a model without vertices
// has no mesh to carry it.
std::string paletteJson(const ExportTables& tables) {
    if (!ownPalette(tables)) return {};
    std::string palette;
    for (uint32_t rgb : tables.palette) palette.append(palette.empty() ? "" : ",").append(integerText(rgb));
    return ",\"extras\":{\"" + std::string(gltfPalette) + "\":[" + palette + "]}";
}

std::string sceneJson(const ExportTables& tables, Parts& parts) {
    // Only a file in the editor's own units names vxtool alone, which its reader takes as is.
    const std::string generator = std::string(gltfGenerator) + (inEditorUnits(tables) ? "" : " (scaled)");
    const std::string asset =
        "{\"asset\":{\"version\":\"2.0\",\"generator\":\"" + generator + "\"}" + paletteJson(tables);
    if (tables.points.empty()) return asset + ",\"scene\":0,\"scenes\":[{}]}";
    for (const auto& p : tables.points)
        for (int64_t c : p) appendFloat(parts.bin, writtenFloat(tables, c));
    parts.bufferViews =
        "{\"buffer\":0,\"byteOffset\":0,\"byteLength\":" + text(static_cast<int64_t>(parts.bin.size())) +
        ",\"target\":34962}";
    parts.accessors =
        "{\"bufferView\":0,\"componentType\":5126,\"count\":" + text(static_cast<int64_t>(tables.points.size())) +
        ",\"type\":\"VEC3\",\"min\":" + boundsJson(tables, false) + ",\"max\":" + boundsJson(tables, true) + "}";
    const std::vector<Look> looks = looksOf(tables);
    const std::vector<IndexList> lists = indexListsOf(tables, looks);
    for (std::size_t i = 0; i < lists.size(); ++i) addIndexList(lists[i], i, parts);
    return asset + ",\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}]" +
           ",\"meshes\":[{\"primitives\":[" + parts.primitives + "]" + extrasJson(tables) + "}]" +
           materialsJson(tables, looks) + ",\"accessors\":[" + parts.accessors + "],\"bufferViews\":[" +
           parts.bufferViews + "]" + ",\"buffers\":[{\"byteLength\":" + text(static_cast<int64_t>(parts.bin.size())) +
           "}]}";
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
