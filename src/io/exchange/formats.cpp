// The table of model formats, and the lists made from it.
#include "io/exchange/formats.h"

#include "io/exchange/recognition.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

// Named one by one: the library knows more, but a hostile file should meet only importers the
// import fuzzer feeds. LightWave scenes (.lws) are left out: 138 bytes found by the fuzzer crash
// the library's scene reader.
constexpr std::string_view importerExtensions =
    "3ds, ac, ase, b3d, dae, dxf, fbx, irrmesh, lwo, md2, md3, ms3d, nff, x, xgl";

// The writers whose files have no text form take the choice and ignore it.
std::string objWriter(const ExportTables& tables, bool) { return writeObj(tables); }
std::string glbWriter(const ExportTables& tables, bool) { return writeGlb(tables); }

// In the order the help texts list them. The content ranks keep STL first among look-alikes: a
// binary STL is known by its size alone, which text of another format can match by chance.
constexpr FormatRow formats[] = {
    {ModelFormat::vx, "vxedit model", "vx", {"VTXF"}, nullptr, 0, nullptr, nullptr, "application/x-vxedit-model", true},
    {ModelFormat::obj, "OBJ", "obj", {}, looksLikeObj, 3, readObjMesh, objWriter, "model/obj", false},
    {ModelFormat::ply, "PLY", "ply", {"ply\n", "ply\r"}, nullptr, 0, readPlyMesh, writePly, "model/x-ply", true},
    {ModelFormat::gltf, "glTF", "gltf", {}, looksLikeGltfJson, 1, readGltfMesh, nullptr, "model/gltf+json", false},
    {ModelFormat::glb, "GLB", "glb", {"glTF"}, nullptr, 0, readGltfMesh, glbWriter, "model/gltf-binary", false},
    {ModelFormat::stl, "STL", "stl", {}, looksLikeStl, 0, readAssimpMesh, writeStl, "model/stl", false},
    {ModelFormat::off, "OFF", "off", {}, looksLikeOff, 2, readOffMesh, nullptr, "model/x-off", true},
    {ModelFormat::importer, "importer library", importerExtensions, {}, nullptr, 0, readAssimpMesh, nullptr, "", false},
};

}  // namespace

const char* const importerFormatList = importerExtensions.data();

std::span<const FormatRow> modelFormats() { return formats; }

const FormatRow* formatRow(ModelFormat format) {
    for (const FormatRow& row : formats)
        if (row.format == format) return &row;
    return nullptr;
}

std::string recognisedExtensions() {
    std::string list;
    for (const FormatRow& row : formats) {
        if (row.format == ModelFormat::importer) continue;
        list += (list.empty() ? "." : ", .") + std::string(row.extensions);
    }
    return list;
}

}  // namespace vx
