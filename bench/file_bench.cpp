// Benchmarks of the model file and the background picture: full tables and a screen-sized picture.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "io/byte_order.h"
#include "io/model/model_file.h"
#include "io/picture/background_image.h"
#include "support/picture_writer.h"

namespace {

// A private folder for the files the benchmarks write, removed again at exit.
std::string benchFolder() {
    static char folder[] = "/tmp/vxbench-files-XXXXXX";
    static const bool made = [] {
        if (!::mkdtemp(folder)) std::abort();
        std::atexit([] { ::rmdir(folder); });
        return true;
    }();
    (void)made;
    return folder;
}

std::unique_ptr<vx::EditorState> fullTables() {
    auto state = std::make_unique<vx::EditorState>();
    vx::initEditorState(*state);
    vx::setDefaultModelAndView(*state);
    for (int32_t i = 0; i < vx::maxVertices; ++i) {
        const auto at = static_cast<std::size_t>(i);
        state->model.vertices[at] = {i, -i, i * 7};
        state->model.polygons[at] = {{static_cast<uint16_t>(i), 1, 2, 3}, vx::twoSidedFlag};
        state->model.lines[at] = {static_cast<uint16_t>(i), 4};
        state->polygonNormals[at] = {0.6f, -0.8f, 0.0f};
    }
    state->model.vertexCount = vx::maxVertices;
    state->model.polygonCount = vx::maxPolygons;
    state->model.lineCount = vx::maxLines;
    return state;
}

// Each save is flushed to the disk before it replaces the file, as the editor does it.
void saveFullTables(benchmark::State& run) {
    const auto state = fullTables();
    const std::string path = benchFolder() + "/save.vx";
    for (auto _ : run) {
        if (!vx::saveModel(*state, path)) run.SkipWithError("save failed");
    }
    ::unlink(path.c_str());
}
BENCHMARK(saveFullTables)->Unit(benchmark::kMillisecond);

void loadFullTables(benchmark::State& run) {
    auto state = fullTables();
    const std::string path = benchFolder() + "/load.vx";
    if (!vx::saveModel(*state, path)) std::abort();
    for (auto _ : run) {
        if (vx::loadModel(*state, path) != vx::LoadVerdict::loaded) run.SkipWithError("load failed");
    }
    ::unlink(path.c_str());
}
BENCHMARK(loadFullTables)->Unit(benchmark::kMillisecond);

void writePicture(const std::string& path, int32_t width, int32_t height) {
    const std::size_t rowBytes = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + rowBytes * static_cast<std::size_t>(height), 0);
    file[0] = 'B';
    file[1] = 'M';
    vx::putLe32(&file[10], 54);
    vx::putLe32(&file[14], 40);
    vx::putLe16(&file[26], 1);
    vx::putLe16(&file[28], 24);
    vx::putLe32(&file[18], static_cast<uint32_t>(width));
    vx::putLe32(&file[22], static_cast<uint32_t>(height));
    for (std::size_t i = 54; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

void loadScreenSizedPicture(benchmark::State& run) {
    auto state = std::make_unique<vx::EditorState>();
    vx::initEditorState(*state);
    vx::allocateScreenBuffers(*state, 800, 600, nullptr);
    const std::string path = benchFolder() + "/picture.bmp";
    writePicture(path, 800, 600);
    for (auto _ : run) {
        vx::readBackgroundImage(*state, path);
        benchmark::DoNotOptimize(state->screen.backgroundImage.data());
    }
    ::unlink(path.c_str());
}
BENCHMARK(loadScreenSizedPicture)->Unit(benchmark::kMillisecond);

// A screen-sized photograph-like picture through the decoder: checked, decoded, then placed.
void loadScreenSizedCompressedPicture(benchmark::State& run, bool jpeg) {
    auto state = std::make_unique<vx::EditorState>();
    vx::initEditorState(*state);
    vx::allocateScreenBuffers(*state, 800, 600, nullptr);
    vx::test::Picture picture(800, 600);
    for (int32_t y = 0; y < 600; ++y)
        for (int32_t x = 0; x < 800; ++x)
            picture.at(x, y) = static_cast<uint32_t>(x * 255 / 800) << 16 | static_cast<uint32_t>(y * 255 / 600) << 8 |
                               static_cast<uint32_t>((x * y) % 251);
    const std::string path = benchFolder() + (jpeg ? "/picture.jpg" : "/picture.png");
    if (!(jpeg ? vx::test::writeJpeg(path, picture, 90) : vx::test::writePng(path, picture))) std::abort();
    for (auto _ : run) {
        if (!vx::readBackgroundImage(*state, path)) std::abort();
        benchmark::DoNotOptimize(state->screen.backgroundImage.data());
    }
    ::unlink(path.c_str());
}
BENCHMARK_CAPTURE(loadScreenSizedCompressedPicture, png, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadScreenSizedCompressedPicture, jpeg, true)->Unit(benchmark::kMillisecond);

}  // namespace
