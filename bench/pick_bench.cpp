// Picking on the last frame's pick array: the Polys quad click and the vertex pick.
#include <benchmark/benchmark.h>

#include <memory>

#include "ui/modes.h"
#include "ui/vertex_pick.h"

namespace vx {
namespace {

std::unique_ptr<EditorState> pickScene(std::initializer_list<std::array<int32_t, 2>> markers) {
    auto state = std::make_unique<EditorState>();
    initEditorState(*state);
    setDefaultModelAndView(*state);
    allocateScreenBuffers(*state, 800, 600, nullptr);
    int16_t code = 1;
    for (const auto& [x, y] : markers) {
        state->screen.pickBuffer[pixelIndex(state->screen, x, y)] = code;
        state->projected[static_cast<std::size_t>(code - 1)] = {x, y, 500, 0, 0};
        ++code;
    }
    state->mode = EditorMode::polys;
    state->input.mouseX = 400;
    state->input.mouseY = 299;
    state->input.leftClick = 1;
    return state;
}

// The worst case: fewer than four markers, so every square up to half-size 300 is tried.
void polysClickWithThreeMarkers(benchmark::State& run) {
    const auto state = pickScene({{0, 0}, {799, 599}, {400, 10}});
    for (auto _ : run) {
        polysBlock(*state);
        benchmark::DoNotOptimize(state->model.polygonCount);
    }
}
BENCHMARK(polysClickWithThreeMarkers)->Unit(benchmark::kMicrosecond);

// Four markers only in the largest square: the search runs to the end and then collects.
void polysClickWithFourMarkersAtTheLargestSquare(benchmark::State& run) {
    const auto state = pickScene({{100, 0}, {700, 0}, {100, 599}, {700, 599}});
    for (auto _ : run) {
        state->model.polygonCount = 0;
        polysBlock(*state);
        benchmark::DoNotOptimize(state->model.polygonCount);
    }
}
BENCHMARK(polysClickWithFourMarkersAtTheLargestSquare)->Unit(benchmark::kMicrosecond);

void vertexPickWithNothingNear(benchmark::State& run) {
    const auto state = pickScene({{0, 0}});
    for (auto _ : run) benchmark::DoNotOptimize(findVertexNearPointer(*state).code);
}
BENCHMARK(vertexPickWithNothingNear)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vx
