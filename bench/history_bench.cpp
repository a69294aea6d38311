// Benchmarks of the undo history on full tables: undo and redo, what recording a step adds to
// the pass that makes it, and the memory 1000 placements hold.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <vector>

#include "core/editor_state.h"
#include "core/history.h"
#include "render/frame.h"
#include "ui/editing.h"

namespace vx {
namespace {

// Every table full, spread over the view so that a frame draws all of it.
struct FullTables {
    std::unique_ptr<EditorState> state = std::make_unique<EditorState>();
    std::vector<uint32_t> surface = std::vector<uint32_t>(800 * 600);

    FullTables() {
        initEditorState(*state);
        setDefaultModelAndView(*state);
        allocateScreenBuffers(*state, 800, 600, surface.data());
        Model& model = state->model;
        for (int32_t i = 0; i < maxVertices; ++i) {
            const auto at = static_cast<std::size_t>(i);
            model.vertices[at] = {(i % 100) * 4 - 200, (i / 100) * 8 - 200, (i % 7) * 10};
            const auto v = static_cast<uint16_t>(i);
            const auto next = static_cast<uint16_t>((i + 1) % maxVertices);
            const auto below = static_cast<uint16_t>((i + 100) % maxVertices);
            model.polygons[at] = {{v, next, static_cast<uint16_t>((below + 1) % maxVertices), below}, twoSidedFlag};
            model.lines[at] = {v, below};
        }
        model.vertexCount = maxVertices;
        model.polygonCount = maxPolygons;
        model.lineCount = maxLines;
        resetHistory(state->history, model, state->currentFileName);
    }
    Model& model() { return state->model; }
};

// The largest step there is: deleting vertex 0 renumbers every line and polygon.
void undoRedoWholeTableDelete(benchmark::State& run) {
    FullTables scene;
    deleteVertex(scene.model(), 0);
    recordStep(scene.state->history, scene.model(), scene.state->currentFileName);
    for (auto _ : run) {
        undoStep(scene.state->history, scene.model(), scene.state->currentFileName);
        redoStep(scene.state->history, scene.model(), scene.state->currentFileName);
    }
    run.counters["stepBytes"] = static_cast<double>(scene.state->history.bytes);
}
BENCHMARK(undoRedoWholeTableDelete)->Unit(benchmark::kMicrosecond);

// The commonest step: one vertex placed beside full polygon and line tables.
void undoRedoPlacement(benchmark::State& run) {
    FullTables scene;
    scene.model().vertexCount = maxVertices - 1;
    resetHistory(scene.state->history, scene.model(), scene.state->currentFileName);
    scene.model().vertexCount = maxVertices;
    recordStep(scene.state->history, scene.model(), scene.state->currentFileName);
    for (auto _ : run) {
        undoStep(scene.state->history, scene.model(), scene.state->currentFileName);
        redoStep(scene.state->history, scene.model(), scene.state->currentFileName);
    }
}
BENCHMARK(undoRedoPlacement)->Unit(benchmark::kMicrosecond);

// A pass that moves a vertex and draws the full frame it brings, without and with recording the
// step; the difference is what the history costs the pass.
void passThatMovesAVertex(benchmark::State& run) {
    const bool record = run.range(0) != 0;
    FullTables scene;
    int32_t i = 0;
    for (auto _ : run) {
        scene.model().vertices[static_cast<std::size_t>(i % maxVertices)].z += 1;
        if (record) recordStep(scene.state->history, scene.model(), scene.state->currentFileName);
        composeFrame(*scene.state);
        copyFrameToScreen(*scene.state);
        ++i;
    }
}
BENCHMARK(passThatMovesAVertex)->Arg(0)->Arg(1)->ArgName("record")->Unit(benchmark::kMillisecond);

// Recording alone, for the same step: steadier on a busy machine than the difference above.
void recordAVertexMove(benchmark::State& run) {
    FullTables scene;
    int32_t i = 0;
    for (auto _ : run) {
        scene.model().vertices[static_cast<std::size_t>(i++ % maxVertices)].z += 1;
        recordStep(scene.state->history, scene.model(), scene.state->currentFileName);
    }
}
BENCHMARK(recordAVertexMove)->Unit(benchmark::kMicrosecond);

// 1000 placements beside full polygon and line tables: the history's own count and what the
// heap grew by.
void historyOf1000Placements(benchmark::State& run) {
    FullTables scene;
    double heapBytes = 0, historyBytes = 0;
    for (auto _ : run) {
        run.PauseTiming();
        scene.model().vertexCount = maxVertices - 1000;
        resetHistory(scene.state->history, scene.model(), scene.state->currentFileName);
        const auto heapBefore = mallinfo2().uordblks;
        run.ResumeTiming();
        for (int32_t i = 0; i < 1000; ++i) {
            scene.model().vertices[static_cast<std::size_t>(scene.model().vertexCount++)] = {i, i, i};
            recordStep(scene.state->history, scene.model(), scene.state->currentFileName);
        }
        heapBytes = static_cast<double>(mallinfo2().uordblks - heapBefore);
        historyBytes = static_cast<double>(scene.state->history.bytes);
    }
    run.counters["heapBytes"] = heapBytes;
    run.counters["historyBytes"] = historyBytes;
}
BENCHMARK(historyOf1000Placements)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vx
