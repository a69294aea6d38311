// Benchmarks of the vertex group's operations at the tables' limits: each must stay well inside
// one pass (under 5 ms) however many vertices the group holds.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/editor_state.h"
#include "core/history.h"
#include "ui/group_transform.h"
#include "ui/vertex_group.h"

namespace vx {
namespace {

constexpr int32_t fullSide = 70;

// A sheet of side x side vertices joined into one-sided quads, all of it in the group.
struct Sheet {
    std::unique_ptr<EditorState> state = std::make_unique<EditorState>();
    std::unique_ptr<Model> original = std::make_unique<Model>();
    std::vector<uint32_t> surface = std::vector<uint32_t>(800 * 600);

    explicit Sheet(int32_t side) {
        initEditorState(*state);
        setDefaultModelAndView(*state);
        allocateScreenBuffers(*state, 800, 600, surface.data());
        Model& model = state->model;
        model.vertexCount = model.polygonCount = model.lineCount = 0;
        for (int32_t i = 0; i < side * side; ++i)
            model.vertices[static_cast<std::size_t>(model.vertexCount++)] = {(i % side) * 4 - 2 * side,
                                                                             (i / side) * 4 - 2 * side, i % 7};
        for (int32_t row = 0; row + 1 < side; ++row) {
            for (int32_t column = 0; column + 1 < side && model.polygonCount < maxPolygons; ++column) {
                const auto v = static_cast<uint16_t>(row * side + column);
                const auto below = static_cast<uint16_t>(v + side);
                model.polygons[static_cast<std::size_t>(model.polygonCount++)] = {
                    {v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(below + 1), below}, 0};
                if (model.lineCount < maxLines) model.lines[static_cast<std::size_t>(model.lineCount++)] = {v, below};
            }
        }
        // The full sheet tops the vertex table up with loose vertices.
        for (int32_t i = model.vertexCount; side == fullSide && i < maxVertices; ++i)
            model.vertices[static_cast<std::size_t>(model.vertexCount++)] = {i % 97, 300, 0};
        *original = model;
        resetHistory(state->history, model, state->currentFileName);
        groupAllOrNone(state->group, model.vertexCount);
    }
    // Every iteration starts from the same model and group; the copy costs some microseconds.
    void restore() {
        state->model = *original;
        groupAllOrNone(state->group, 0);
        groupAllOrNone(state->group, original->vertexCount);
    }
};

// 70 x 70 = 4900 vertices and 4761 quads, topped up to a full vertex table.
// 50 x 50 = 2500 vertices and 2401 quads: a copy or an extrusion fills the tables to the brim.
constexpr int32_t halfSide = 50;

void groupOperation(benchmark::State& run, int32_t side, GroupVerdict (*operate)(EditorState&)) {
    Sheet sheet(side);
    GroupVerdict verdict = GroupVerdict::done;
    for (auto _ : run) {
        sheet.restore();
        verdict = operate(*sheet.state);
        benchmark::DoNotOptimize(sheet.state->model.vertexCount);
    }
    if (verdict != GroupVerdict::done) run.SkipWithError("the operation refused the group");
    run.counters["vertices"] = sheet.state->model.vertexCount;
    run.counters["polygons"] = sheet.state->model.polygonCount;
}

GroupVerdict duplicate(EditorState& s) { return duplicateGroup(s.model, s.group); }
GroupVerdict mirror(EditorState& s) { return mirrorGroup(s.model, s.group); }
GroupVerdict extrude(EditorState& s) { return extrudeGroup(s.model, s.group, s.groupOperation.extrude); }
GroupVerdict weld(EditorState& s) { return weldGroup(s.model, s.group, s.selection, false); }
GroupVerdict remove(EditorState& s) { return deleteGroup(s.model, s.group, s.selection); }
GroupVerdict refusedCopy(EditorState& s) {
    return duplicateGroup(s.model, s.group) == GroupVerdict::tablesFull ? GroupVerdict::done : GroupVerdict::emptyGroup;
}

BENCHMARK_CAPTURE(groupOperation, duplicate, halfSide, duplicate)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(groupOperation, mirror, halfSide, mirror)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(groupOperation, extrude, halfSide, extrude)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(groupOperation, weld, fullSide, weld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(groupOperation, deleteGroup, fullSide, remove)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(groupOperation, tablesFullRefusal, fullSide, refusedCopy)->Unit(benchmark::kMillisecond);

// One pass of a grab, scale or turn of 5000 vertices following the pointer, and the start
// that copies the vertex table.
void followingPass(benchmark::State& run, GroupAction action) {
    Sheet sheet(fullSide);
    EditorState& state = *sheet.state;
    state.input.mouseX = 500;
    state.input.mouseY = 300;
    startGroupOperation(state, action, "bench", state.group);
    int32_t step = 0;
    for (auto _ : run) {
        state.input.mouseX = 400 + (step++ % 200);
        followPointer(state);
        benchmark::DoNotOptimize(state.model.vertices[0]);
    }
}
BENCHMARK_CAPTURE(followingPass, grab, GroupAction::grab)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(followingPass, scale, GroupAction::scale)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(followingPass, turn, GroupAction::turn)->Unit(benchmark::kMillisecond);

void startAndCancel(benchmark::State& run) {
    Sheet sheet(fullSide);
    EditorState& state = *sheet.state;
    for (auto _ : run) {
        startGroupOperation(state, GroupAction::grab, "bench", state.group);
        cancelGroupOperation(state);
    }
}
BENCHMARK(startAndCancel)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vx
