// The one file that speaks to the glTF library: the default scene's meshes become an ExchangeMesh,
// vertex lists in the file's order with node transforms applied.
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <new>
#include <string_view>

#include "core/editor_state.h"
#include "io/byte_order.h"
#include "io/exchange/face_colours.h"
#include "io/exchange/readers.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

using Matrix = std::array<double, 16>;  // column-major, as glTF stores it
constexpr Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// A scene may name one mesh from many nodes, and nodes from many parents: a few bytes could ask
// for billions of vertices, or of visits to nodes. Past these, the file is refused.
constexpr std::size_t maxNodeDepth = 64;
constexpr std::size_t maxNodeVisits = std::size_t{1} << 20;
constexpr std::size_t maxPoints = std::size_t{16} << 20;
constexpr uintmax_t maxCompanionBytes = uintmax_t{512} << 20;
// The JSON library parses by recursion: 40 KB of nested brackets overflowed the stack. No glTF
// needs more than a handful of levels (extensions and extras add a few), so the text is screened
// first.
constexpr std::size_t maxJsonDepth = 64;

// True when no array or object of the JSON text nests deeper than maxJsonDepth; brackets inside
// strings do not count.
bool shallowJson(const unsigned char* text, std::size_t size) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxJsonDepth) return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

// The JSON of a text glTF is the whole file; of a GLB, its first chunk.
bool screenJson(const MeshSource& source, bool binary) {
    if (!binary) return shallowJson(source.data, source.size);
    if (source.size < 20) return true;  // the library refuses it as too short
    const uint64_t length = getLe32(source.data + 12);
    return shallowJson(source.data + 20, static_cast<std::size_t>(std::min<uint64_t>(length, source.size - 20)));
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix out{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) out[column * 4 + row] += a[k * 4 + row] * b[column * 4 + k];
    return out;
}

Matrix localMatrix(const tinygltf::Node& node) {
    if (node.matrix.size() == 16) {
        Matrix m{};
        std::copy(node.matrix.begin(), node.matrix.end(), m.begin());
        return m;
    }
    Matrix m = identity;
    if (node.rotation.size() == 4) {
        const double x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
        m = {1 - 2 * (y * y + z * z),
             2 * (x * y + z * w),
             2 * (x * z - y * w),
             0,
             2 * (x * y - z * w),
             1 - 2 * (x * x + z * z),
             2 * (y * z + x * w),
             0,
             2 * (x * z + y * w),
             2 * (y * z - x * w),
             1 - 2 * (x * x + y * y),
             0,
             0,
             0,
             0,
             1};
    }
    if (node.scale.size() == 3)
        for (int column = 0; column < 3; ++column)
            for (int row = 0; row < 3; ++row) m[column * 4 + row] *= node.scale[static_cast<std::size_t>(column)];
    if (node.translation.size() == 3)
        for (int row = 0; row < 3; ++row) m[12 + row] = node.translation[static_cast<std::size_t>(row)];
    return m;
}

std::array<double, 3> transformed(const Matrix& m, const std::array<double, 3>& p) {
    if (m == identity) return p;
    std::array<double, 3> out{};
    for (int row = 0; row < 3; ++row)
        out[static_cast<std::size_t>(row)] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    return out;
}

// Where an accessor's elements lie in its buffer, every one checked to lie inside it.
struct Elements {
    const unsigned char* first = nullptr;
    std::size_t stride = 0, count = 0;
    int componentType = 0;
};

bool elementsOfAccessor(const tinygltf::Model& model, const tinygltf::Accessor& a, int type, Elements& out,
                        std::string& error) {
    error = "an accessor lies outside its buffer, or is of a kind not read here";
    if (a.type != type || a.sparse.isSparse || a.bufferView < 0 ||
        static_cast<std::size_t>(a.bufferView) >= model.bufferViews.size())
        return false;
    const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(a.bufferView)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= model.buffers.size()) return false;
    const auto& data = model.buffers[static_cast<std::size_t>(view.buffer)].data;
    const int componentBytes = tinygltf::GetComponentSizeInBytes(static_cast<uint32_t>(a.componentType));
    const int components = tinygltf::GetNumComponentsInType(static_cast<uint32_t>(type));
    if (componentBytes <= 0 || components <= 0) return false;
    const uint64_t size = static_cast<uint64_t>(componentBytes) * static_cast<uint64_t>(components);
    const uint64_t stride = view.byteStride ? view.byteStride : size;
    const uint64_t start = uint64_t{view.byteOffset} + a.byteOffset;
    if (stride < size || view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset) return false;
    const uint64_t end = view.byteOffset + view.byteLength;
    if (a.count > 0 && (start > end || (end - start < size) || (a.count - 1) > (end - start - size) / stride))
        return false;
    out = {data.data() + start, static_cast<std::size_t>(stride), a.count, a.componentType};
    error.clear();
    return true;
}

bool elementsOf(const tinygltf::Model& model, int index, int type, Elements& out, std::string& error) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.accessors.size()) {
        error = "a primitive names an accessor the file does not have";
        return false;
    }
    return elementsOfAccessor(model, model.accessors[static_cast<std::size_t>(index)], type, out, error);
}

// glTF's fields are little-endian, whatever the machine.
float floatAt(const unsigned char* at) { return std::bit_cast<float>(getLe32(at)); }

// Indices are unsigned bytes, shorts or ints; any other type was read 4 bytes wide whatever its
// width, past the end of a buffer of SHORT indices. Others are refused before a read.
bool isIndexType(int componentType) {
    return componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
           componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

uint32_t indexAt(const Elements& e, std::size_t i) {
    const unsigned char* at = e.first + i * e.stride;
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) return at[0];
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) return getLe16(at);
    return getLe32(at);  // UNSIGNED_INT, the only other type isIndexType lets through
}

// One placement of one mesh: its own positions appended once per accessor, its triangles
// kept aside until the polygon table has been tried against them.
struct Instance {
    const tinygltf::Model& model;
    const tinygltf::Mesh& mesh;
    Matrix transform;
    std::map<int, std::pair<uint32_t, uint32_t>> bases;  // position accessor -> first point, count
    std::vector<ExchangeFace> triangles;
};

bool floatPositions(const Elements& e, std::size_t room, std::string& error) {
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT && e.count <= room) return true;
    error = e.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT ? "positions that are not floats are not read"
                                                             : "the scene repeats its meshes more than any model needs";
    return false;
}

// A sparse accessor's elements: those of its buffer view, or zeros without one, with the
// listed ones replaced. Indices and values are read as accessors of their own, checked alike.
bool sparsePositions(const tinygltf::Model& model, const tinygltf::Accessor& a, std::size_t room,
                     std::vector<std::array<double, 3>>& out, std::string& error) {
    if (a.count > room || a.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT)
        return floatPositions({nullptr, 0, a.count, a.componentType}, room, error);
    tinygltf::Accessor dense = a;
    dense.sparse = {};
    out.assign(a.count, {0.0, 0.0, 0.0});
    Elements e;
    if (a.bufferView >= 0) {
        if (!elementsOfAccessor(model, dense, TINYGLTF_TYPE_VEC3, e, error)) return false;
        for (std::size_t i = 0; i < e.count; ++i)
            for (std::size_t k = 0; k < 3; ++k) out[i][k] = floatAt(e.first + i * e.stride + 4 * k);
    }
    tinygltf::Accessor indices, values = dense;
    indices.bufferView = a.sparse.indices.bufferView;
    indices.byteOffset = static_cast<std::size_t>(a.sparse.indices.byteOffset);
    indices.componentType = a.sparse.indices.componentType;
    indices.count = static_cast<std::size_t>(a.sparse.count);
    indices.type = TINYGLTF_TYPE_SCALAR;
    values.bufferView = a.sparse.values.bufferView;
    values.byteOffset = static_cast<std::size_t>(a.sparse.values.byteOffset);
    values.count = indices.count;
    Elements at, by;
    if (!elementsOfAccessor(model, indices, TINYGLTF_TYPE_SCALAR, at, error) ||
        !elementsOfAccessor(model, values, TINYGLTF_TYPE_VEC3, by, error))
        return false;
    for (std::size_t i = 0; i < at.count; ++i) {
        const uint32_t target = indexAt(at, i);
        if (target >= out.size()) {
            error = "a sparse accessor replaces an element it does not have";
            return false;
        }
        for (std::size_t k = 0; k < 3; ++k) out[target][k] = floatAt(by.first + i * by.stride + 4 * k);
    }
    return true;
}

// The positions of one accessor, at most room of them.
bool positionsOf(const tinygltf::Model& model, int accessor, std::size_t room, std::vector<std::array<double, 3>>& out,
                 std::string& error) {
    if (accessor >= 0 && static_cast<std::size_t>(accessor) < model.accessors.size() &&
        model.accessors[static_cast<std::size_t>(accessor)].sparse.isSparse)
        return sparsePositions(model, model.accessors[static_cast<std::size_t>(accessor)], room, out, error);
    Elements e;
    if (!elementsOf(model, accessor, TINYGLTF_TYPE_VEC3, e, error) || !floatPositions(e, room, error)) return false;
    out.resize(e.count);
    for (std::size_t i = 0; i < e.count; ++i)
        for (std::size_t k = 0; k < 3; ++k) out[i][k] = floatAt(e.first + i * e.stride + 4 * k);
    return true;
}

bool basesOf(Instance& in, int accessor, ExchangeMesh& out, std::pair<uint32_t, uint32_t>& base, std::string& error) {
    if (const auto found = in.bases.find(accessor); found != in.bases.end()) {
        base = found->second;
        return true;
    }
    std::vector<std::array<double, 3>> positions;
    if (!positionsOf(in.model, accessor, maxPoints - out.points.size(), positions, error)) return false;
    base = {static_cast<uint32_t>(out.points.size()), static_cast<uint32_t>(positions.size())};
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto& p = positions[i];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            error = "accessor " + std::to_string(accessor) + ", position " + std::to_string(i) +
                    ": a coordinate is not a finite number";
            return false;
        }
        out.points.push_back(transformed(in.transform, p));
    }
    in.bases[accessor] = base;
    return true;
}

std::vector<uint32_t> cornersOf(const Instance& in, const tinygltf::Primitive& p, uint32_t count, std::string& error) {
    std::vector<uint32_t> corners;
    if (p.indices < 0) {
        for (uint32_t i = 0; i < count; ++i) corners.push_back(i);
        return corners;
    }
    Elements e;
    if (!elementsOf(in.model, p.indices, TINYGLTF_TYPE_SCALAR, e, error)) return {};
    if (!isIndexType(e.componentType)) {
        error = "indices of a type other than unsigned byte, short or int";
        return {};
    }
    for (std::size_t i = 0; i < e.count; ++i) corners.push_back(indexAt(e, i));
    return corners;
}

void addLines(const std::vector<uint32_t>& c, int mode, uint32_t base, ExchangeMesh& out) {
    const std::size_t step = mode == TINYGLTF_MODE_LINE ? 2 : 1;
    for (std::size_t k = 0; k + 1 < c.size(); k += step) out.lines.push_back({base + c[k], base + c[k + 1]});
    if (mode == TINYGLTF_MODE_LINE_LOOP && c.size() > 2) out.lines.push_back({base + c.back(), base + c.front()});
}

using Light = std::array<double, 3>;  // linear red, green, blue, 0..1

// A colour as sRGB bytes. White, the default of every material, paints nothing: it is how a face
// without a colour is drawn.
int32_t paintOf(const Light& light) {
    const auto rgb =
        static_cast<int32_t>(srgbOfLinear(light[0]) << 16 | srgbOfLinear(light[1]) << 8 | srgbOfLinear(light[2]));
    return rgb == 0xFFFFFF ? noColour : rgb;
}

Light baseColourOf(const tinygltf::Model& model, int material) {
    if (material < 0 || static_cast<std::size_t>(material) >= model.materials.size()) return {1.0, 1.0, 1.0};
    const auto& factor = model.materials[static_cast<std::size_t>(material)].pbrMetallicRoughness.baseColorFactor;
    if (factor.size() < 3) return {1.0, 1.0, 1.0};
    return {factor[0], factor[1], factor[2]};
}

// One channel of a colour attribute: floats as they are, whole numbers as fractions of their
// largest value.
double channelAt(const Elements& e, std::size_t i, std::size_t k) {
    const unsigned char* at = e.first + i * e.stride;
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) return floatAt(at + 4 * k);
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) return at[k] / 255.0;
    if (e.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) return getLe16(at + 2 * k) / 65535.0;
    return 1.0;
}

// The corners' colours of a primitive (COLOR_0), when it has them for every vertex.
std::vector<Light> cornerColours(const Instance& in, const tinygltf::Primitive& p, uint32_t count) {
    const auto found = p.attributes.find("COLOR_0");
    if (found == p.attributes.end()) return {};
    Elements e;
    std::string ignored;
    if (!elementsOf(in.model, found->second, TINYGLTF_TYPE_VEC3, e, ignored) &&
        !elementsOf(in.model, found->second, TINYGLTF_TYPE_VEC4, e, ignored))
        return {};
    if (e.count != count) return {};
    std::vector<Light> out(count);
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t k = 0; k < 3; ++k) out[i][k] = channelAt(e, i, k);
    return out;
}

// What paints a primitive's triangles: its material's base colour, times the mean of the
// corners' own colours where it has them.
struct Paint {
    Light base;
    std::vector<Light> corners;

    int32_t of(uint32_t a, uint32_t b, uint32_t c) const {
        if (corners.empty()) return paintOf(base);
        Light light{};
        for (std::size_t k = 0; k < 3; ++k) light[k] = base[k] * (corners[a][k] + corners[b][k] + corners[c][k]) / 3.0;
        return paintOf(light);
    }
};

// Strips alternate their winding so that every triangle faces the same way as the first.
void addTriangles(const std::vector<uint32_t>& c, int mode, uint32_t base, uint16_t flags, const Paint& paint,
                  Instance& in) {
    const auto add = [&](uint32_t a, uint32_t b, uint32_t d) {
        in.triangles.push_back({{base + a, base + b, base + d}, flags, paint.of(a, b, d)});
    };
    if (mode == TINYGLTF_MODE_TRIANGLES)
        for (std::size_t k = 0; k + 2 < c.size(); k += 3) add(c[k], c[k + 1], c[k + 2]);
    if (mode == TINYGLTF_MODE_TRIANGLE_STRIP)
        for (std::size_t k = 0; k + 2 < c.size(); ++k)
            k % 2 ? add(c[k + 1], c[k], c[k + 2]) : add(c[k], c[k + 1], c[k + 2]);
    if (mode == TINYGLTF_MODE_TRIANGLE_FAN)
        for (std::size_t k = 1; k + 1 < c.size(); ++k) add(c[0], c[k], c[k + 1]);
}

bool doubleSided(const tinygltf::Model& model, int material) {
    return material >= 0 && static_cast<std::size_t>(material) < model.materials.size() &&
           model.materials[static_cast<std::size_t>(material)].doubleSided;
}

std::size_t accessorCount(const tinygltf::Model& model, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < model.accessors.size()
               ? model.accessors[static_cast<std::size_t>(index)].count
               : 0;
}

// Normals, texture coordinates and morph targets are counted: the tables hold none of them.
void countLeftOut(const tinygltf::Model& model, const tinygltf::Primitive& p, LeftOut& left) {
    for (const auto& [name, accessor] : p.attributes) {
        if (name == "NORMAL") left.normals += accessorCount(model, accessor);
        if (name.starts_with("TEXCOORD_")) left.textureCoordinates += accessorCount(model, accessor);
    }
    left.morphTargets += p.targets.size();
}

bool addPrimitive(Instance& in, const tinygltf::Primitive& p, ExchangeMesh& out, std::string& error) {
    const auto position = p.attributes.find("POSITION");
    if (position == p.attributes.end()) return true;  // nothing to place
    countLeftOut(in.model, p, out.leftOut);
    std::pair<uint32_t, uint32_t> base;
    if (!basesOf(in, position->second, out, base, error)) return false;
    const std::vector<uint32_t> corners = cornersOf(in, p, base.second, error);
    if (!error.empty()) return false;
    for (uint32_t c : corners)
        if (c >= base.second) {
            error = "a primitive names a vertex its positions do not have";
            return false;
        }
    if (p.mode >= TINYGLTF_MODE_LINE && p.mode <= TINYGLTF_MODE_LINE_STRIP) addLines(corners, p.mode, base.first, out);
    const uint16_t flags = doubleSided(in.model, p.material) ? twoSidedFlag : 0;
    const Paint paint{baseColourOf(in.model, p.material), cornerColours(in, p, base.second)};
    if (p.mode >= TINYGLTF_MODE_TRIANGLES) addTriangles(corners, p.mode, base.first, flags, paint, in);
    return true;  // points name vertices the list holds already
}

// The numbers of one extras list, or nothing when it is not a list of whole numbers.
std::vector<int64_t> wholeNumbers(const tinygltf::Value& extras, const char* key) {
    if (!extras.IsObject() || !extras.Has(key) || !extras.Get(key).IsArray()) return {};
    const tinygltf::Value& list = extras.Get(key);
    std::vector<int64_t> numbers;
    for (std::size_t i = 0; i < list.ArrayLen(); ++i) {
        const tinygltf::Value& v = list.Get(static_cast<int>(i));
        const double d = v.IsNumber() ? v.GetNumberAsDouble() : 0.5;
        if (d != std::floor(d) || std::fabs(d) > 9e15) return {};
        numbers.push_back(static_cast<int64_t>(d));
    }
    return numbers;
}

// The polygon table vxtool writes beside the triangles, taken only when its triangles are the
// ones the primitives hold, of each sidedness and colour alike. White and no colour look the
// same here but are materials of their own, so the order within a look is not compared.
using Looks = std::map<std::pair<bool, int32_t>, std::vector<std::array<uint32_t, 3>>>;

bool tableAgrees(const std::vector<ExchangeFace>& table, const Palette& palette,
                 const std::vector<ExchangeFace>& triangles) {
    Looks expected, actual;
    // A file without colours, as vxtool wrote before it had them, is compared on sides alone.
    const bool painted =
        std::any_of(triangles.begin(), triangles.end(), [](const ExchangeFace& t) { return t.colour != noColour; });
    for (const ExchangeFace& f : table) {
        const int32_t c = painted ? colourOf(f.flags) : 0;
        const uint32_t rgb = paletteColour(palette, c ? c : 1);
        const Light light{linearOfSrgb(rgb >> 16), linearOfSrgb((rgb >> 8) & 0xFF), linearOfSrgb(rgb & 0xFF)};
        auto& list = expected[{(f.flags & twoSidedFlag) != 0, c ? paintOf(light) : noColour}];
        list.push_back({f.corners[0], f.corners[1], f.corners[2]});
        if (f.corners.size() == 4) list.push_back({f.corners[0], f.corners[2], f.corners[3]});
    }
    for (const ExchangeFace& t : triangles)
        actual[{(t.flags & twoSidedFlag) != 0, t.colour}].push_back({t.corners[0], t.corners[1], t.corners[2]});
    for (Looks* looks : {&expected, &actual})
        for (auto& [look, list] : *looks) std::sort(list.begin(), list.end());
    return expected == actual;
}

// The palette vxtool writes when the model's own is not the built-in one.
void takePalette(const tinygltf::Value& extras, ExchangeMesh& out) {
    const std::vector<int64_t> n = wholeNumbers(extras, gltfPalette);
    if (n.size() != paletteSize || std::any_of(n.begin(), n.end(), [](int64_t c) { return c < 0 || c > 0xFFFFFF; }))
        return;
    for (std::size_t i = 0; i < n.size(); ++i) out.palette[i] = static_cast<uint32_t>(n[i]);
    out.hasPalette = true;
}

// The table's faces carry their colours in their flags; the file's colours only confirm them.
std::vector<ExchangeFace> polygonTable(const Instance& in, const Palette& palette) {
    const std::vector<int64_t> n = wholeNumbers(in.mesh.extras, gltfPolygonTable);
    if (n.empty() || n.size() % 5 != 0 || in.bases.size() != 1) return {};
    const auto [base, count] = in.bases.begin()->second;
    std::vector<ExchangeFace> table;
    for (std::size_t i = 0; i < n.size(); i += 5) {
        for (std::size_t k = 0; k < 4; ++k)
            if (n[i + k] < 0 || n[i + k] >= count) return {};
        if (n[i + 4] < 0 || n[i + 4] > 0xFFFF) return {};
        ExchangeFace f{{}, static_cast<uint16_t>(n[i + 4]), noColour};
        for (std::size_t k = 0; k < (n[i + 3] == n[i + 2] ? 3u : 4u); ++k)
            f.corners.push_back(base + static_cast<uint32_t>(n[i + k]));
        table.push_back(std::move(f));
    }
    return tableAgrees(table, palette, in.triangles) ? table : std::vector<ExchangeFace>{};
}

// Coordinates beyond a float's whole numbers, each taken only where the float agrees with it.
void takeExactPositions(const Instance& in, ExchangeMesh& out) {
    const std::vector<int64_t> n = wholeNumbers(in.mesh.extras, gltfExactPositions);
    if (n.size() % 4 != 0 || in.bases.size() != 1 || in.transform != identity) return;
    const auto [base, count] = in.bases.begin()->second;
    for (std::size_t i = 0; i < n.size(); i += 4) {
        if (n[i] < 0 || n[i] >= count) continue;
        auto& p = out.points[base + static_cast<std::size_t>(n[i])];
        bool agrees = true;
        for (std::size_t k = 0; k < 3; ++k)
            agrees = agrees && static_cast<double>(static_cast<float>(n[i + 1 + k])) == p[k];
        if (agrees)
            for (std::size_t k = 0; k < 3; ++k) p[k] = static_cast<double>(n[i + 1 + k]);
    }
}

bool addMesh(const tinygltf::Model& model, int index, const Matrix& transform, ExchangeMesh& out, std::string& error) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.meshes.size()) return true;
    Instance in{model, model.meshes[static_cast<std::size_t>(index)], transform, {}, {}};
    ++out.leftOut.meshes;
    for (const tinygltf::Primitive& p : in.mesh.primitives)
        if (!addPrimitive(in, p, out, error)) return false;
    std::vector<ExchangeFace> table = polygonTable(in, out.palette);
    std::vector<ExchangeFace>& faces = table.empty() ? in.triangles : table;
    out.faces.insert(out.faces.end(), std::make_move_iterator(faces.begin()), std::make_move_iterator(faces.end()));
    takeExactPositions(in, out);
    return true;
}

struct NodeWalk {
    std::size_t depth;
    std::size_t& visits;  // over the whole scene
};

bool addNode(const tinygltf::Model& model, int index, const Matrix& parent, NodeWalk walk, ExchangeMesh& out,
             std::string& error) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.nodes.size()) return true;
    if (walk.depth > maxNodeDepth || ++walk.visits > maxNodeVisits) {
        error = "the node tree is larger than any model needs, or loops";
        return false;
    }
    const tinygltf::Node& node = model.nodes[static_cast<std::size_t>(index)];
    const Matrix transform = multiply(parent, localMatrix(node));
    if (!addMesh(model, node.mesh, transform, out, error)) return false;
    for (int child : node.children)
        if (!addNode(model, child, transform, {walk.depth + 1, walk.visits}, out, error)) return false;
    return true;
}

// The default scene, or the first; a file with no scene shows every mesh once, in place.
bool addScene(const tinygltf::Model& model, ExchangeMesh& out, std::string& error) {
    if (model.scenes.empty()) {
        for (std::size_t m = 0; m < model.meshes.size(); ++m)
            if (!addMesh(model, static_cast<int>(m), identity, out, error)) return false;
        return true;
    }
    const std::size_t scene =
        model.defaultScene >= 0 && static_cast<std::size_t>(model.defaultScene) < model.scenes.size()
            ? static_cast<std::size_t>(model.defaultScene)
            : 0;
    std::size_t visits = 0;
    for (int node : model.scenes[scene].nodes)
        if (!addNode(model, node, identity, {0, visits}, out, error)) return false;
    return true;
}

// Pictures mean nothing to a model: they are neither decoded nor refused.
bool skipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*) {
    return true;
}

// Companion files come only from the model's own folder (no way out of it with "..") and only
// for a model read from disk; a companion is a plain file no larger than a model file may be.
struct Companions {
    std::string folder;
};

bool insideFolder(const std::string& path, const Companions& companions) {
    const std::string& folder = companions.folder;
    return !folder.empty() && path.compare(0, folder.size() + 1, folder + "/") == 0 &&
           path.find("/../") == std::string::npos && !path.ends_with("/..");
}

// A symbolic link beside the model (data.bin -> /etc/hostname) is no companion: it could lead
// anywhere. Only a regular file itself in the folder is read.
bool companionExists(const std::string& path, void* user) {
    std::error_code failure;
    return insideFolder(path, *static_cast<Companions*>(user)) &&
           std::filesystem::symlink_status(path, failure).type() == std::filesystem::file_type::regular;
}

std::string keepPath(const std::string& path, void*) { return path; }

bool readCompanion(std::vector<unsigned char>* out, std::string* error, const std::string& path, void* user) {
    std::error_code failure;
    const bool plain = companionExists(path, user);
    const uintmax_t size = plain ? std::filesystem::file_size(path, failure) : 0;
    std::ifstream in(path, std::ios::binary);
    if (!plain || failure || size > maxCompanionBytes || !in) {
        if (error) *error += "cannot read " + path;
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeNothing(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

}  // namespace

// A material that says more than which sides show (the two-sided flag) and its base colour (the
// faces' colour): a texture or a glow.
bool carriesMoreThanItsSides(const tinygltf::Material& m) {
    const auto& pbr = m.pbrMetallicRoughness;
    const bool dark = std::all_of(m.emissiveFactor.begin(), m.emissiveFactor.end(), [](double c) { return c == 0.0; });
    return !dark || pbr.baseColorTexture.index >= 0 || pbr.metallicRoughnessTexture.index >= 0 ||
           m.normalTexture.index >= 0 || m.occlusionTexture.index >= 0 || m.emissiveTexture.index >= 0;
}

// The JSON parser's messages carry its own exception names; only the place is worth telling.
std::string loadFailure(const std::string& message) {
    if (message.empty()) return "not a readable glTF file";
    const std::string line = message.substr(0, message.find('\n'));
    if (line.find("json.exception") == std::string::npos) return line;
    const std::size_t at = line.find(" at line ");
    const std::size_t end = at == std::string::npos ? at : line.find(':', at);
    return "the JSON is not valid" + (at == std::string::npos ? std::string() : line.substr(at, end - at));
}

// Meshes compressed with Draco: the glTF library leaves them unread (and refuses their accessors,
// which name no buffer), while the importer library decodes them.
bool dracoCompressed(const MeshSource& source) {
    constexpr std::string_view name = "KHR_draco_mesh_compression";
    const std::string_view bytes(reinterpret_cast<const char*>(source.data), source.size);
    return bytes.find(name) != std::string_view::npos;
}

bool readGltfMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error) {
    if (dracoCompressed(source)) return readAssimpMesh(source, mesh, error);
    tinygltf::TinyGLTF loader;
    Companions companions{source.folder};
    loader.SetImageLoader(skipImage, nullptr);
    loader.SetFsCallbacks({companionExists, keepPath, readCompanion, writeNothing, &companions});
    tinygltf::Model model;
    std::string warning;
    const bool binary = source.size >= 4 && std::memcmp(source.data, "glTF", 4) == 0;
    const auto length = static_cast<unsigned int>(source.size);
    if (!screenJson(source, binary)) {
        error = "its JSON nests deeper than " + std::to_string(maxJsonDepth) + " levels";
        return false;
    }
    // A file that claims more memory than the capped address space holds ends in bad_alloc.
    try {
        const bool loaded =
            binary ? loader.LoadBinaryFromMemory(&model, &error, &warning, source.data, length, source.folder)
                   : loader.LoadASCIIFromString(&model, &error, &warning, reinterpret_cast<const char*>(source.data),
                                                length, source.folder);
        if (!loaded) {
            error = loadFailure(error);
            return false;
        }
        error.clear();
        takePalette(model.extras, mesh);
        // The first version's files load, but name everything by keys the library does not
        // read as meshes; the importer library reads them.
        if (model.asset.version.starts_with("1")) {
            if (readAssimpMesh(source, mesh, error)) return true;
            error = "a glTF 1.0 file the importer cannot read: " + error;
            return false;
        }
        if (!addScene(model, mesh, error)) return false;
        mesh.leftOut.animations = model.animations.size();
        mesh.leftOut.materials = static_cast<std::size_t>(
            std::count_if(model.materials.begin(), model.materials.end(), carriesMoreThanItsSides));
    } catch (const std::bad_alloc&) {
        error = "the file asks for more memory than any model needs";
        return false;
    }
    mesh.filesOwnVertices = true;
    mesh.editorUnits = model.asset.generator == gltfGenerator;
    return true;
}

}  // namespace vx
