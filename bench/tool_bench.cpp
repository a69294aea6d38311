// Benchmarks of vxtool's conversions: a full-table model (5000 vertices, polygons and lines)
// written to each format and read back, file system included, and the round trip in memory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "io/exchange/mesh_import.h"
#include "io/exchange/mesh_to_model.h"
#include "io/exchange/writers.h"
#include "io/model/model_file.h"
#include "io/output_file.h"
#include "render/polygon_fill.h"
#include "render/projection.h"
#include "vxtool/model_source.h"

namespace {

std::string folder() {
    static char name[] = "/tmp/vxbench-tool-XXXXXX";
    static const bool made = ::mkdtemp(name) != nullptr;
    if (!made) std::abort();
    return name;
}

// A 50 x 100 sheet of vertices with a quad (or a triangle) on every cell but the last row, and
// a line per vertex. STL holds triangles only: quads would come back as 10000 of them.
std::unique_ptr<vx::EditorState> fullModel(bool triangles = false) {
    auto state = vx::tool::makeToolState();
    vx::Model& m = state->model;
    for (int32_t i = 0; i < vx::maxVertices; ++i) {
        const auto at = static_cast<std::size_t>(i);
        m.vertices[at] = {(i % 50) * 10, (i / 50) * 10, (i % 7) * 3};
        const auto a = static_cast<uint16_t>(i % 4900);
        const auto last = static_cast<uint16_t>(triangles ? a + 51 : a + 50);
        m.polygons[at] = {{a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(a + 51), last},
                          static_cast<uint16_t>(i % 2 ? vx::twoSidedFlag : 0)};
        m.lines[at] = {static_cast<uint16_t>(i), static_cast<uint16_t>((i + 1) % vx::maxVertices)};
    }
    m.vertexCount = m.polygonCount = m.lineCount = vx::maxVertices;
    return state;
}

void writeExchange(benchmark::State& bench, const std::string& format, bool ascii) {
    const auto state = fullModel();
    const std::string path = folder() + "/full." + format;
    for (auto _ : bench) {
        const vx::ExportTables tables = vx::exportTablesOf(state->model);
        const std::string bytes = format == "obj"   ? vx::writeObj(tables)
                                  : format == "stl" ? vx::writeStl(tables, ascii)
                                  : format == "ply" ? vx::writePly(tables, ascii)
                                                    : vx::writeGlb(tables);
        if (!vx::writeWholeFile(path, bytes)) bench.SkipWithError("write failed");
    }
}

void BM_WriteFormat(benchmark::State& bench, const char* format, bool ascii) { writeExchange(bench, format, ascii); }

void BM_ReadFormat(benchmark::State& bench, const char* format, bool ascii) {
    const auto state = fullModel(std::string(format) == "stl");
    const std::string path = folder() + "/back-" + (ascii ? "ascii" : "binary") + "." + format;
    const vx::ExportTables tables = vx::exportTablesOf(state->model);
    const std::string f = format;
    vx::writeWholeFile(path, f == "obj"   ? vx::writeObj(tables)
                             : f == "stl" ? vx::writeStl(tables, ascii)
                             : f == "ply" ? vx::writePly(tables, ascii)
                                          : vx::writeGlb(tables));
    auto target = vx::tool::makeToolState();
    for (auto _ : bench) {
        vx::ExchangeMesh mesh;
        std::string error;
        vx::ImportReport report;
        if (!vx::importMeshFile(path, mesh, error) || !vx::meshToModel(mesh, {}, target->model, report))
            bench.SkipWithError(error.empty() ? report.error.c_str() : error.c_str());
    }
}

// The whole way out and back in memory: tables, the writer, the importer and the tables again,
// which must be the model it started from.
void BM_RoundTrip(benchmark::State& bench, const char* format, bool ascii) {
    const auto state = fullModel();
    auto target = vx::tool::makeToolState();
    const std::string f = format;
    for (auto _ : bench) {
        const vx::ExportTables tables = vx::exportTablesOf(state->model);
        const std::string bytes = f == "obj"   ? vx::writeObj(tables)
                                  : f == "ply" ? vx::writePly(tables, ascii)
                                               : vx::writeGlb(tables);
        vx::ExchangeMesh mesh;
        std::string error;
        vx::ImportReport report;
        if (!vx::importMeshBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), f, mesh, error) ||
            !vx::meshToModel(mesh, {}, target->model, report))
            bench.SkipWithError(error.empty() ? report.error.c_str() : error.c_str());
    }
    if (target->model.polygons[4999].slots != state->model.polygons[4999].slots) bench.SkipWithError("changed");
}

void BM_WriteVx(benchmark::State& bench) {
    auto state = fullModel();
    allocateScreenBuffers(*state, 800, 600, nullptr);
    const std::string path = folder() + "/full.vx";
    for (auto _ : bench) {
        vx::computePolygonNormals(*state, vx::projectionOf(state->camera, state->screen));
        if (!vx::saveModel(*state, path)) bench.SkipWithError("save failed");
    }
}

void BM_ReadVx(benchmark::State& bench) {
    auto state = fullModel();
    const std::string path = folder() + "/read.vx";
    vx::saveModel(*state, path);
    for (auto _ : bench) vx::loadModel(*state, path);
}

}  // namespace

BENCHMARK_CAPTURE(BM_WriteFormat, obj, "obj", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFormat, stl, "stl", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFormat, stlAscii, "stl", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFormat, ply, "ply", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFormat, plyAscii, "ply", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFormat, glb, "glb", false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFormat, obj, "obj", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFormat, stl, "stl", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFormat, stlAscii, "stl", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFormat, ply, "ply", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFormat, plyAscii, "ply", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadFormat, glb, "glb", false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RoundTrip, obj, "obj", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RoundTrip, ply, "ply", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RoundTrip, plyAscii, "ply", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RoundTrip, glb, "glb", false)->Unit(benchmark::kMillisecond);
