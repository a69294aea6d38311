// Fuzzes the import path: any bytes in any of the import formats (the first byte picks which) are
// refused with a message or become a model within the tables, which check and every writer take.
#include <cstdlib>
#include <new>
#include <string>

#include "io/assimp_import.h"
#include "io/mesh_simplify.h"
#include "io/mesh_to_model.h"
#include "io/model_import.h"
#include "io/model_to_mesh.h"
#include "vxtool/model_check.h"

// vxtool caps its address space, so that a file claiming gigabytes fails with std::bad_alloc
// and is refused. The sanitizer's allocator reports such a request as a crash instead; this
// allocator throws as the capped program does.
constexpr std::size_t largestAllocation = std::size_t{1} << 30;

void* allocate(std::size_t size) {
    if (size > largestAllocation) throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return size > largestAllocation ? nullptr : std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return size > largestAllocation ? nullptr : std::malloc(size ? size : 1);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

const char* const formats[] = {"obj", "stl", "ply", "glb", "gltf", "off"};
vx::Model* model = nullptr;

// Simplification under small limits: whatever the file, the result fits them and names only
// points it has.
void simplifyToSmallLimits(const vx::ExchangeMesh& mesh, uint8_t seed) {
    vx::ExchangeMesh small = mesh;
    vx::SimplifyReport report{};
    const vx::SimplifyLimits limits{seed % 50u, 20u + seed % 30u, seed % 10u};
    if (!vx::simplifyMesh(small, limits, report)) return;
    if (small.faces.size() > limits.polygons || small.points.size() > limits.points || small.lines.size() > limits.lines)
        std::abort();
    for (const vx::ExchangeFace& f : small.faces)
        for (uint32_t c : f.corners)
            if (c >= small.points.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    model = new vx::Model{};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string format = formats[data[0] % (sizeof formats / sizeof formats[0])];
    vx::ExchangeMesh mesh;
    std::string error;
    if (!vx::importMeshBytes(data + 1, size - 1, format, mesh, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    vx::measureMesh(mesh.points);
    simplifyToSmallLimits(mesh, data[0]);
    vx::ImportReport report;
    if (!vx::meshToModel(mesh, {}, *model, report)) {
        if (report.error.empty()) std::abort();
        return 0;
    }
    if (model->vertexCount > vx::maxVertices || model->polygonCount > vx::maxPolygons ||
        model->lineCount > vx::maxLines)
        std::abort();
    vx::checkModel(*model);
    const vx::ExportTables tables = vx::exportTablesOf(*model);
    if (tables.skippedPolygons + tables.skippedLines != 0) std::abort();  // imports name only real vertices
    vx::writeObj(tables);
    vx::writeStl(tables, data[0] & 0x40);
    vx::writePly(tables, data[0] & 0x80);
    vx::writeGlb(tables);
    return 0;
}
