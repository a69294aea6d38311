// What the import fuzzers share: an allocator that refuses huge requests as the capped vxtool
// does, and the checks every imported mesh must pass: it becomes a model within the tables or is
// refused with a message, and check and every writer take the model.
#pragma once

#include <cstdlib>
#include <new>
#include <string>

#include "io/exchange/formats.h"
#include "io/exchange/mesh_import.h"
#include "io/exchange/mesh_simplify.h"
#include "io/exchange/mesh_to_model.h"
#include "io/exchange/model_import.h"
#include "io/exchange/writers.h"
#include "vxtool/model_check.h"

// vxtool caps its address space, so that a file claiming gigabytes fails with std::bad_alloc
// and is refused. The sanitizer's allocator reports such a request as a crash instead; this
// allocator throws as the capped program does.
inline constexpr std::size_t largestAllocation = std::size_t{1} << 30;

inline void* allocate(std::size_t size) {
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

namespace vx::fuzz {

// Simplification under small limits: whatever the file, the result fits them and names only
// points it has.
inline void simplifyToSmallLimits(const ExchangeMesh& mesh, uint8_t seed) {
    ExchangeMesh small = mesh;
    SimplifyReport report{};
    const SimplifyLimits limits{seed % 50u, 20u + seed % 30u, seed % 10u};
    if (!simplifyMesh(small, limits, report)) return;
    if (small.faces.size() > limits.polygons || small.points.size() > limits.points || small.lines.size() > limits.lines)
        std::abort();
    for (const ExchangeFace& f : small.faces)
        for (uint32_t c : f.corners)
            if (c >= small.points.size()) std::abort();
}

// Imports the bytes as a file of that extension and takes the model through everything after,
// into one model kept for the whole run (it is too large for the stack).
inline void importAndUse(const uint8_t* data, std::size_t size, const std::string& extension, uint8_t writerChoice) {
    static Model& model = *new Model{};
    ExchangeMesh mesh;
    std::string error;
    if (!importMeshBytes(data, size, extension, mesh, error)) {
        if (error.empty()) std::abort();
        return;
    }
    measureMesh(mesh.points);
    simplifyToSmallLimits(mesh, writerChoice);
    ImportReport report;
    if (!meshToModel(mesh, {}, model, report)) {
        if (report.error.empty()) std::abort();
        return;
    }
    if (model.vertexCount > maxVertices || model.polygonCount > maxPolygons || model.lineCount > maxLines) std::abort();
    checkModel(model);
    const ExportTables tables = exportTablesOf(model);
    if (tables.skippedPolygons + tables.skippedLines != 0) std::abort();  // imports name only real vertices
    writeObj(tables);
    writeStl(tables, writerChoice & 0x40);
    writePly(tables, writerChoice & 0x80);
    writeGlb(tables);
}

}  // namespace vx::fuzz
