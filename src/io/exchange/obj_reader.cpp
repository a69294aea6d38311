// The one file that speaks to the OBJ library: its vertex list and records become an ExchangeMesh.
#include <tiny_obj_loader.h>

#include <cmath>
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

// The library counts a face's corners in a byte; longer faces were taken aside before it read
// the text, so a sum that does not match the corners listed means a file it misread.
bool takeFaces(const tinyobj::mesh_t& source, ExchangeMesh& mesh, std::string& error) {
    std::size_t at = 0;
    for (unsigned char count : source.num_face_vertices) {
        if (at + count > source.indices.size()) break;
        ExchangeFace face{std::vector<uint32_t>(count), 0};
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
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.starts_with("# ")) applyFlagNote(line.substr(2), mesh.faces);
    }
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
    if (!reader.ParseFromString(text, "", config)) {
        error =
            reader.Error().empty() ? "not a readable OBJ file" : reader.Error().substr(0, reader.Error().find('\n'));
        return false;
    }
    if (!takeVertices(reader.GetAttrib(), mesh, error)) return false;
    for (const tinyobj::shape_t& shape : reader.GetShapes())
        if (!takeFaces(shape.mesh, mesh, error) || !takeLines(shape.lines, mesh, error)) return false;
    if (!takeLongFaces(plain, mesh, error)) return false;
    takeFlagNotes(text, mesh);
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    mesh.leftOut.normals = attrib.normals.size() / 3;
    mesh.leftOut.textureCoordinates = attrib.texcoords.size() / 2;
    mesh.leftOut.meshes = reader.GetShapes().size();
    mesh.leftOut.materials = reader.GetMaterials().size();
    mesh.filesOwnVertices = true;
    const std::string_view first = std::string_view(text).substr(0, text.find('\n'));
    mesh.editorUnits = first.substr(0, first.find_last_not_of('\r') + 1) == objModelMark;
    return true;
}

}  // namespace vx
