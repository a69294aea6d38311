// Fuzzes vxtool's .vx path: whatever the editor's loader accepts, with slots and line ends naming
// any vertex, check and every writer handle without reading past a table, and the OBJ written
// reads back in.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "io/mesh_import.h"
#include "io/model_to_mesh.h"
#include "vxtool/model_check.h"
#include "vxtool/model_source.h"

namespace {

std::string inputPath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    inputPath = vx::fuzz::makeTempFolder("vxfuzz-vxtool") + "/input.vx";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vx::fuzz::writeInput(inputPath, data, size);
    auto state = vx::tool::makeToolState();
    std::string error;
    if (!vx::tool::readModel(inputPath, {}, *state, error)) return 0;
    vx::checkModel(state->model);
    const vx::ExportTables tables = vx::exportTablesOf(state->model);
    const std::string obj = vx::writeObj(tables);
    vx::writeStl(tables, size & 1);
    vx::writePly(tables, size & 2);
    vx::writeGlb(tables);
    vx::ExchangeMesh mesh;
    if (!tables.faces.empty() &&
        !vx::importMeshBytes(reinterpret_cast<const uint8_t*>(obj.data()), obj.size(), "obj", mesh, error))
        std::abort();
    return 0;
}
