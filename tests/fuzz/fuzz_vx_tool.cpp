// Fuzzes vxtool's .vx path: whatever the editor's loader accepts, with slots and line ends naming
// any vertex, check and every writer handle without reading past a table, and a model whose
// elements all name real vertices comes back from OBJ, PLY and GLB unchanged.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "io/exchange/mesh_import.h"
#include "io/exchange/mesh_to_model.h"
#include "io/exchange/writers.h"
#include "vxtool/model_check.h"
#include "vxtool/model_source.h"

namespace {

std::string inputPath;
vx::Model* back = nullptr;

bool sameTables(const vx::Model& a, const vx::Model& b) {
    if (a.vertexCount != b.vertexCount || a.polygonCount != b.polygonCount || a.lineCount != b.lineCount) return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.vertexCount); ++i)
        if (a.vertices[i].x != b.vertices[i].x || a.vertices[i].y != b.vertices[i].y ||
            a.vertices[i].z != b.vertices[i].z)
            return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.polygonCount); ++i)
        if (a.polygons[i].slots != b.polygons[i].slots || a.polygons[i].flags != b.polygons[i].flags) return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.lineCount); ++i)
        if (a.lines[i].a != b.lines[i].a || a.lines[i].b != b.lines[i].b) return false;
    return a.palette == b.palette;
}

// Every model whose elements name real vertices comes back from OBJ, PLY and GLB as it was.
void roundTrips(const vx::Model& model, const vx::ExportTables& tables) {
    const std::pair<const char*, std::string> files[] = {
        {"obj", vx::writeObj(tables)}, {"ply", vx::writePly(tables, false)}, {"glb", vx::writeGlb(tables)}};
    for (const auto& [extension, bytes] : files) {
        vx::ExchangeMesh mesh;
        std::string error;
        vx::ImportReport report;
        if (!vx::importMeshBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), extension, mesh,
                                 error) ||
            !vx::meshToModel(mesh, {}, *back, report) || !sameTables(model, *back))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    inputPath = vx::fuzz::makeTempFolder("vxfuzz-vxtool") + "/input.vx";
    back = new vx::Model{};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vx::fuzz::writeInput(inputPath, data, size);
    auto state = vx::tool::makeToolState();
    std::string error;
    if (!vx::tool::readModel(inputPath, {}, *state, error)) return 0;
    vx::checkModel(state->model);
    const vx::ExportTables tables = vx::exportTablesOf(state->model);
    vx::writeStl(tables, size & 1);
    vx::writePly(tables, size & 2);
    if (tables.skippedPolygons + tables.skippedLines == 0) roundTrips(state->model, tables);
    return 0;
}
