// The one file that speaks to the OBJ library: its vertex list and records become an ExchangeMesh.
#include <tiny_obj_loader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>

#include "core/editor_state.h"
#include "io/exchange/flag_notes.h"
#include "io/exchange/obj_text.h"
#include "io/exchange/readers.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

bool takeVertices(const tinyobj::attrib_t& attrib, ExchangeMesh& mesh, std::string& error) {
    const auto& v = attrib.vertices;
    mesh.points.reserve(v.size() / 3);
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) {
        if (!std::isfinite(v[i]) || !std::isfinite(v[i + 1]) || !std::isfinite(v[i + 2])) {
            error = "a vertex position is not a finite number";
            return false;
        }
        mesh.points.push_back(
            {static_cast<double>(v[i]), static_cast<double>(v[i + 1]), static_cast<double>(v[i + 2])});
    }
    return true;
}

bool vertexOf(const tinyobj::index_t& index, const ExchangeMesh& mesh, uint32_t& vertex) {
    if (index.vertex_index < 0 || static_cast<std::size_t>(index.vertex_index) >= mesh.points.size()) return false;
    vertex = static_cast<uint32_t>(index.vertex_index);
    return true;
}

// The colour of each material that gives one (Kd): a material without Kd paints nothing.
struct Materials {
    std::vector<int32_t> colourOf;  // by the library's material number
};

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t start = line.find_first_not_of(" \t");
        line.remove_prefix(std::min(start, line.size()));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

// The word after a keyword and a space or tab, or nothing when the line is not that record.
std::string_view argumentOf(std::string_view line, std::string_view keyword) {
    if (!line.starts_with(keyword) || line.size() <= keyword.size() ||
        (line[keyword.size()] != ' ' && line[keyword.size()] != '\t'))
        return {};
    line.remove_prefix(keyword.size());
    return line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
}

std::set<std::string, std::less<>> namesWithKd(std::string_view mtl) {
    std::set<std::string, std::less<>> names;
    std::string_view current;
    for (std::string_view line : linesOf(mtl)) {
        if (const std::string_view name = argumentOf(line, "newmtl"); !name.empty()) current = name;
        if (!argumentOf(line, "Kd").empty()) names.emplace(current);
    }
    return names;
}

int32_t rgbOfKd(const tinyobj::real_t (&kd)[3]) {
    int32_t rgb = 0;
    for (tinyobj::real_t c : kd) {
        const double byte = std::isfinite(c) ? std::clamp(static_cast<double>(c), 0.0, 1.0) * 255.0 : 0.0;
        rgb = rgb << 8 | static_cast<int32_t>(std::lround(byte));
    }
    return rgb;
}

Materials materialsOf(const std::vector<tinyobj::material_t>& materials, std::string_view mtl) {
    const auto painted = namesWithKd(mtl);
    Materials out;
    for (const tinyobj::material_t& m : materials)
        out.colourOf.push_back(painted.contains(m.name) ? rgbOfKd(m.diffuse) : noColour);
    return out;
}

// Material files come from the model's own folder alone, no way out of it, and only for a model
// read from disk; each no larger than any material file needs.
std::string readMaterialFiles(std::string_view obj, const std::string& folder) {
    constexpr uintmax_t maxMaterialBytes = uintmax_t{16} << 20;
    std::string text;
    if (folder.empty()) return text;
    for (std::string_view line : linesOf(obj))
        for (std::string_view names = argumentOf(line, "mtllib"); !names.empty();) {
            const std::string_view name = names.substr(0, names.find_first_of(" \t"));
            names.remove_prefix(std::min(names.find_first_not_of(" \t", name.size()), names.size()));
            if (name.find("..") != std::string_view::npos || name.front() == '/') continue;
            const std::string path = folder + "/" + std::string(name);
            std::error_code failure;
            const bool plain = std::filesystem::is_regular_file(path, failure);
            if (!plain || std::filesystem::file_size(path, failure) > maxMaterialBytes || failure) continue;
            std::ifstream in(path, std::ios::binary);
            text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            text += '\n';
        }
    return text;
}

// The library counts a face's corners in a byte; longer faces were taken aside before it read
// the text, so a sum that does not match the corners listed means a file it misread.
bool takeFaces(const tinyobj::mesh_t& source, const Materials& materials, ExchangeMesh& mesh, std::string& error) {
    std::size_t at = 0;
    for (std::size_t f = 0; f < source.num_face_vertices.size(); ++f) {
        const unsigned char count = source.num_face_vertices[f];
        if (at + count > source.indices.size()) break;
        const int material = f < source.material_ids.size() ? source.material_ids[f] : -1;
        const bool known = material >= 0 && static_cast<std::size_t>(material) < materials.colourOf.size();
        ExchangeFace face{std::vector<uint32_t>(count), 0,
                          known ? materials.colourOf[static_cast<std::size_t>(material)] : noColour};
        for (std::size_t k = 0; k < count; ++k)
            if (!vertexOf(source.indices[at + k], mesh, face.corners[k])) {
                error = "a face names a vertex the file does not have";
                return false;
            }
        at += count;
        mesh.faces.push_back(std::move(face));
    }
    if (at != source.indices.size()) {
        error = "the faces' corners do not add up";
        return false;
    }
    return true;
}

// Faces of more corners than the library counts, put back in their places among the others.
bool takeLongFaces(ObjText& plain, ExchangeMesh& mesh, std::string& error) {
    for (auto& [place, face] : plain.longFaces) {
        for (uint32_t corner : face.corners)
            if (corner >= mesh.points.size()) {
                error = "a face names a vertex the file does not have";
                return false;
            }
        const std::size_t at = std::min(place, mesh.faces.size());
        mesh.faces.insert(mesh.faces.begin() + static_cast<std::ptrdiff_t>(at), std::move(face));
    }
    return true;
}

// Polylines arrive split into segments.
bool takeLines(const tinyobj::lines_t& source, ExchangeMesh& mesh, std::string& error) {
    std::size_t at = 0;
    for (int count : source.num_line_vertices) {
        if (count < 0 || at + static_cast<std::size_t>(count) > source.indices.size()) break;
        for (std::size_t k = 0; k + 1 < static_cast<std::size_t>(count); ++k) {
            std::array<uint32_t, 2> line{};
            if (!vertexOf(source.indices[at + k], mesh, line[0]) ||
                !vertexOf(source.indices[at + k + 1], mesh, line[1])) {
                error = "a line names a vertex the file does not have";
                return false;
            }
            mesh.lines.push_back(line);
        }
        at += static_cast<std::size_t>(count);
    }
    return true;
}

// The comments vxtool writes with the flags of faces.
void takeFlagNotes(std::string_view text, ExchangeMesh& mesh) {
    for (std::string_view line : linesOf(text))
        if (line.starts_with("# ")) applyFlagNote(line.substr(2), mesh);
}

// In a file vxtool wrote, each face's material names its colour's entry, which tells apart two
// entries of one colour and holds even where the material file did not come along. Faces before
// the first material keep the flags their notes give, as in files written before colours.
void takeColourNames(std::string_view text, ExchangeMesh& mesh) {
    constexpr int32_t unnamed = -1;
    std::vector<int32_t> entries;
    int32_t current = unnamed;
    for (std::string_view line : linesOf(text)) {
        if (line.starts_with("f ")) entries.push_back(current);
        const std::string_view name = argumentOf(line, "usemtl");
        if (name.empty()) continue;
        const std::string_view prefix = objColourPrefix;
        int32_t entry = 0;
        const char* end = name.data() + name.size();
        if (name.starts_with(prefix) && std::from_chars(name.data() + prefix.size(), end, entry).ptr != end) entry = 0;
        current = entry >= 0 && entry <= paletteSize ? entry : 0;
    }
    if (entries.size() != mesh.faces.size()) return;
    for (std::size_t f = 0; f < entries.size(); ++f)
        if (entries[f] != unnamed)
            mesh.faces[f].flags = static_cast<uint16_t>((mesh.faces[f].flags & ~colourMask) | entries[f]);
}

}  // namespace

// Points (`p`) name vertices the list holds already: they stay free vertices and add nothing.
bool readObjMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error) {
    ObjText plain;
    if (!plainObjText(std::string_view(reinterpret_cast<const char*>(source.data), source.size), plain, error))
        return false;
    const std::string& text = plain.text;
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    const std::string mtl = readMaterialFiles(text, source.folder);
    if (!reader.ParseFromString(text, mtl, config)) {
        error =
            reader.Error().empty() ? "not a readable OBJ file" : reader.Error().substr(0, reader.Error().find('\n'));
        return false;
    }
    if (!takeVertices(reader.GetAttrib(), mesh, error)) return false;
    const Materials materials = materialsOf(reader.GetMaterials(), mtl);
    for (const tinyobj::shape_t& shape : reader.GetShapes())
        if (!takeFaces(shape.mesh, materials, mesh, error) || !takeLines(shape.lines, mesh, error)) return false;
    if (!takeLongFaces(plain, mesh, error)) return false;
    takeFlagNotes(text, mesh);
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    mesh.leftOut.normals = attrib.normals.size() / 3;
    mesh.leftOut.textureCoordinates = attrib.texcoords.size() / 2;
    mesh.leftOut.meshes = reader.GetShapes().size();
    // A material's Kd comes in as the face's colour; one without it is left out.
    mesh.leftOut.materials = static_cast<std::size_t>(
        std::count(materials.colourOf.begin(), materials.colourOf.end(), noColour));
    mesh.filesOwnVertices = true;
    const std::string_view first = std::string_view(text).substr(0, text.find('\n'));
    mesh.editorUnits = first.substr(0, first.find_last_not_of('\r') + 1) == objModelMark;
    if (mesh.editorUnits) takeColourNames(text, mesh);
    return true;
}

}  // namespace vx
