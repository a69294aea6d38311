// Benchmarks of whole rendered frames, from the clear to the copy into the FrameBuffer.
//
// Each scene reports xFloor, its time per frame divided by that of the floor scene measured
// earlier in the same run (the floor runs first), and allocs, the allocations per frame (0).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/editor_state.h"
#include "core/views.h"
#include "render/frame.h"
#include "render/render_threads.h"
#include "sphere_scene.h"

namespace {

std::atomic<int64_t> allocations{0};

}  // namespace

// The replacements pair malloc with free themselves; the compiler cannot see that they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vx {
namespace {

double floorSecondsPerFrame = 0.0;

struct Bench {
    std::unique_ptr<EditorState> state = std::make_unique<EditorState>();
    std::vector<uint32_t> surface = std::vector<uint32_t>(800 * 600);

    Bench() {
        initEditorState(*state);
        setDefaultModelAndView(*state);
        allocateScreenBuffers(*state, 800, 600, surface.data());
    }
    void frame() {
        composeFrame(*state);
        copyFrameToScreen(*state);
    }
    double coverage() const {
        const auto lit = std::count_if(state->screen.colorBuffer.begin(), state->screen.colorBuffer.end(),
                                       [](uint32_t c) { return c != 0; });
        return static_cast<double>(lit) / static_cast<double>(state->screen.colorBuffer.size());
    }
};

// Times the loop itself so that the ratio to the floor uses the same clock for both.
template <class Frame>
double runFrames(benchmark::State& state, Frame&& frame) {
    const int64_t allocationsBefore = allocations.load();
    const auto start = std::chrono::steady_clock::now();
    int64_t frames = 0;
    for (auto _ : state) {
        frame();
        ++frames;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double perFrame = frames ? seconds / static_cast<double>(frames) : 0.0;
    state.counters["allocs"] =
        static_cast<double>(allocations.load() - allocationsBefore) / std::max<int64_t>(frames, 1);
    if (floorSecondsPerFrame > 0.0) state.counters["xFloor"] = perFrame / floorSecondsPerFrame;
    return perFrame;
}

// The memory traffic every frame needs: block fills of the three arrays and the block copy.
void BM_floor(benchmark::State& state) {
    Bench b;
    ScreenBuffers& s = b.state->screen;
    floorSecondsPerFrame = runFrames(state, [&] {
        std::fill(s.colorBuffer.begin(), s.colorBuffer.end(), 0u);
        std::fill(s.pickBuffer.begin(), s.pickBuffer.end(), int16_t{0});
        std::memset(s.depthBuffer.data(), 0x7F, s.depthBuffer.size() * sizeof(int32_t));
        std::memcpy(s.frameBuffer, s.colorBuffer.data(), s.colorBuffer.size() * sizeof(uint32_t));
        benchmark::ClobberMemory();
    });
}

void BM_cube(benchmark::State& state) {
    Bench b;
    runFrames(state, [&] { b.frame(); });
}

// A fat torus of 50 x 100 vertices: 5000 vertices, 5000 one-sided quads facing outward and 5000
// lines round its tube, turned so that it covers most of the screen.
void buildTorus(EditorState& s) {
    constexpr int rings = 100, sides = 50;
    constexpr double major = 160.0, minor = 100.0, turn = 6.283185307179586;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < sides; ++j) {
            const double u = turn * i / rings, v = turn * j / sides;
            const double radius = major + minor * std::cos(v);
            s.model.vertices[static_cast<std::size_t>(i * sides + j)] = {
                static_cast<int32_t>(std::lround(radius * std::cos(u))),
                static_cast<int32_t>(std::lround(minor * std::sin(v))),
                static_cast<int32_t>(std::lround(radius * std::sin(u)))};
        }
    }
    const auto index = [](int i, int j) { return static_cast<uint16_t>((i % rings) * sides + j % sides); };
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < sides; ++j) {
            const auto k = static_cast<std::size_t>(i * sides + j);
            s.model.polygons[k] = {{index(i, j), index(i, j + 1), index(i + 1, j + 1), index(i + 1, j)}, 0};
            s.model.lines[k] = {index(i, j), index(i, j + 1)};
        }
    }
    s.model.vertexCount = s.model.polygonCount = s.model.lineCount = rings * sides;
    s.camera.axz = 0.3f;
    s.camera.ayz = 0.7f;
    s.camera.distance = 600;
    s.camera.zoom = 880.0f;
    s.camera.drawdepth = 1000;
}

void BM_full(benchmark::State& state) {
    Bench b;
    buildTorus(*b.state);
    b.state->shadeStyle = static_cast<uint8_t>(state.range(0));
    b.frame();
    state.counters["coverage"] = b.coverage();
    runFrames(state, [&] { b.frame(); });
}

// The torus of BM_full seen from the top, shaded per sample, in perspective (0) and
// orthographic (1): the same frame but for the scale of each point; and orthographic with the
// top view's own picture behind it (2), filling the screen.
void BM_fullOrthographic(benchmark::State& state) {
    Bench b;
    buildTorus(*b.state);
    turnToView(b.state->camera, 4);
    b.state->shadeStyle = 2;
    b.state->camera.orthographic = state.range(0) > 0 ? 1 : 0;
    if (state.range(0) == 2) {
        ViewPicture& picture = b.state->viewPictures.views[4];
        picture = {true, "bench", 1600, 1200, std::vector<uint32_t>(1600 * 1200, 0x808080), {0, 0, 0}, 1.0, 75};
    }
    b.frame();
    state.counters["coverage"] = b.coverage();
    runFrames(state, [&] { b.frame(); });
}

// The same torus with every polygon in a colour: against BM_full, what colour costs a frame. The
// entries cycled through have channels other than 0 and 255, the costlier case.
void BM_fullColoured(benchmark::State& state) {
    Bench b;
    buildTorus(*b.state);
    for (int32_t i = 0; i < b.state->model.polygonCount; ++i)
        b.state->model.polygons[static_cast<std::size_t>(i)].flags = static_cast<uint16_t>(6 + i % 26);
    b.state->shadeStyle = static_cast<uint8_t>(state.range(0));
    b.frame();
    state.counters["coverage"] = b.coverage();
    runFrames(state, [&] { b.frame(); });
}

// 50 two-sided quads of 400 x 300 pixels at spread positions, drawn back to front so that every
// sample passes its depth test.
void buildQuarterQuads(EditorState& s) {
    for (int k = 0; k < 50; ++k) {
        const double depth = 500.0 - 4.0 * k;
        const double cx = (k % 5 - 2) * 100.0, cy = (k / 5 % 5 - 2) * 75.0;  // pixels from the centre
        const double left = (cx - 200.0) * depth / 200.0, right = (cx + 200.0) * depth / 200.0;
        const double top = (cy - 150.0) * depth / 200.0, bottom = (cy + 150.0) * depth / 200.0;
        const auto z = static_cast<int32_t>(depth - 400.0);
        const auto first = static_cast<uint16_t>(4 * k);
        s.model.vertices[first] = {static_cast<int32_t>(left), static_cast<int32_t>(top), z};
        s.model.vertices[first + 1u] = {static_cast<int32_t>(right), static_cast<int32_t>(top), z};
        s.model.vertices[first + 2u] = {static_cast<int32_t>(right), static_cast<int32_t>(bottom), z};
        s.model.vertices[first + 3u] = {static_cast<int32_t>(left), static_cast<int32_t>(bottom), z};
        s.model.polygons[static_cast<std::size_t>(k)] = {
            {first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2),
             static_cast<uint16_t>(first + 3)},
            twoSidedFlag};
    }
    s.model.vertexCount = 200;
    s.model.polygonCount = 50;
    s.shadeStyle = 2;
}

void BM_big(benchmark::State& state) {
    Bench b;
    buildQuarterQuads(*b.state);
    b.frame();
    state.counters["coverage"] = b.coverage();
    runFrames(state, [&] { b.frame(); });
}

// The sphere the llvmpipe peer draws, by style and thread count.
void BM_sphere(benchmark::State& state) {
    Bench b;
    bench::buildSphere(*b.state);
    b.state->shadeStyle = static_cast<uint8_t>(state.range(0));
    setRenderThreads(static_cast<int>(state.range(1)));
    b.frame();
    state.counters["coverage"] = b.coverage();
    runFrames(state, [&] { b.frame(); });
    setRenderThreads(0);
}

// The full-table sheet of bench/vxtool-times (5000 vertices, triangles and lines) under a rotate
// drag: every frame turns the view a little further, as each mouse move in Rotate mode does.
void buildSheet(EditorState& s) {
    for (int i = 0; i < 5000; ++i)
        s.model.vertices[static_cast<std::size_t>(i)] = {(i % 50) * 4 - 100, i / 50 * 4 - 200, (i % 7) * 3};
    for (int i = 0; i < 5000; ++i) {
        const auto a = static_cast<uint16_t>(i % 4900);
        s.model.polygons[static_cast<std::size_t>(i)] = {
            {a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(a + 50), static_cast<uint16_t>(a + 50)}, 0};
        s.model.lines[static_cast<std::size_t>(i)] = {static_cast<uint16_t>(i), static_cast<uint16_t>((i + 1) % 5000)};
    }
    s.model.vertexCount = s.model.polygonCount = s.model.lineCount = 5000;
}

void BM_fullTableRotateDrag(benchmark::State& state) {
    Bench b;
    buildSheet(*b.state);
    b.state->shadeStyle = static_cast<uint8_t>(state.range(0));
    int step = 0;
    runFrames(state, [&] {
        b.state->camera.axy = 0.01f * static_cast<float>(step % 628);
        b.state->camera.ayz = 0.5f;
        ++step;
        b.frame();
    });
}

BENCHMARK(BM_floor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_fullTableRotateDrag)->ArgName("style")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_cube)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_full)->ArgName("style")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fullOrthographic)->ArgName("ortho")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fullColoured)->ArgName("style")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_big)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sphere)
    ->ArgNames({"style", "threads"})
    ->ArgsProduct({{0, 1, 2}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace vx
