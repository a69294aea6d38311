// The whole editor's frames in its window: the start-up cube, and a small model in each polygon
// style exactly as the stored pictures show.
//
// The stored pictures are tests/golden/render-*.bmp. To make them again from the current renderer,
// and only once the exact unit tests of the renderer pass, run tools/update-golden, which runs
// this test with VX_UPDATE_GOLDEN=1. On a mismatch the test writes the actual picture and a diff
// picture (differing pixels magenta, equal ones dimmed) under golden-output/ in the build's test
// folder and names them in its failure message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "support/bmp.h"
#include "support/scenario.h"

namespace vx::test {
namespace {

namespace fs = std::filesystem;

// A part of the window that the status rows and the tab row never cover.
constexpr int32_t cropX = 200, cropY = 150, cropWidth = 400, cropHeight = 300;

Picture windowCrop() {
    Picture picture(cropWidth, cropHeight);
    const std::vector<uint32_t>& window = headless::windowPixels();
    for (int32_t y = 0; y < cropHeight; ++y)
        for (int32_t x = 0; x < cropWidth; ++x)
            picture.at(x, y) =
                window[static_cast<std::size_t>(cropY + y) * 800 + static_cast<std::size_t>(cropX + x)] & 0xFFFFFFu;
    return picture;
}

Picture diffOf(const Picture& expected, const Picture& actual) {
    Picture diff(actual.width, actual.height);
    for (std::size_t i = 0; i < diff.pixels.size(); ++i)
        diff.pixels[i] = expected.pixels[i] == actual.pixels[i] ? (actual.pixels[i] >> 2) & 0x3F3F3Fu : 0xFF00FFu;
    return diff;
}

int differingPixels(const Picture& expected, const Picture& actual) {
    int count = 0;
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) count += expected.pixels[i] != actual.pixels[i];
    return count;
}

void expectMatchesGolden(const std::string& name) {
    const Picture actual = windowCrop();
    const fs::path golden = fs::path(VX_SOURCE_DIR) / "tests" / "golden" / ("render-" + name + ".bmp");
    if (const char* update = std::getenv("VX_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        ASSERT_TRUE(writeBmp(golden.string(), actual)) << golden;
        std::printf("rewrote %s\n", golden.c_str());
        return;
    }
    const std::optional<Picture> expected = readBmp(golden.string());
    ASSERT_TRUE(expected) << "no stored picture " << golden << "; tools/update-golden makes it";
    ASSERT_EQ(expected->width, actual.width);
    ASSERT_EQ(expected->height, actual.height);
    const int differing = differingPixels(*expected, actual);
    if (differing == 0) return;
    const fs::path out = fs::path(VX_TEST_OUTPUT_DIR);
    fs::create_directories(out);
    const std::string actualPath = (out / (name + ".actual.bmp")).string();
    const std::string diffPath = (out / (name + ".diff.bmp")).string();
    writeBmp(actualPath, actual);
    writeBmp(diffPath, diffOf(*expected, actual));
    ADD_FAILURE() << name << ": " << differing << " pixels differ from " << golden.string() << "; see " << actualPath
                  << " and " << diffPath;
}

// A pyramid on a square base in front of a two-sided wall, two lines, a selected vertex and a
// selected polygon, seen turned about all three axes so that some faces look away.
void buildScene(EditorState& s) {
    const Vertex vertices[] = {{-80, 60, -80},    {80, 60, -80},    {80, 60, 80},   {-80, 60, 80},  {0, -90, 0},
                               {-130, -110, 120}, {130, -110, 120}, {130, 90, 120}, {-130, 90, 120}};
    s.model.vertexCount = 0;
    for (const Vertex& v : vertices) s.model.vertices[static_cast<std::size_t>(s.model.vertexCount++)] = v;
    const Polygon polygons[] = {{{0, 1, 2, 3}, 0},
                                {{0, 1, 4, 4}, 0},
                                {{1, 2, 4, 4}, 0},
                                {{2, 3, 4, 4}, 0},
                                {{3, 0, 4, 4}, twoSidedFlag},
                                {{5, 6, 7, 8}, twoSidedFlag}};
    s.model.polygonCount = 0;
    for (const Polygon& p : polygons) s.model.polygons[static_cast<std::size_t>(s.model.polygonCount++)] = p;
    s.model.lines[0] = {4, 5};
    s.model.lines[1] = {2, 7};
    s.model.lineCount = 2;
    s.selection.vertices[0] = 4;
    s.selection.vertexCount = 1;
    s.selection.polygon = -2;
    s.camera.axy = 0.25f;
    s.camera.axz = 0.5f;
    s.camera.ayz = -0.35f;
    s.camera.zoom = 300.0f;
}

TEST(RenderWindow, startUpShowsTheEightCubeMarkersOnBlack) {
    Scenario editor;
    sleepMs(60);
    int white = 0;
    for (int32_t y = 64; y < 560; ++y)  // clear of the text rows
        for (int32_t x = 0; x < 800; ++x) white += (editor.windowPixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu;
    EXPECT_EQ(white, 8);
    for (const auto& [x, y] :
         {std::pair{360, 260}, {440, 260}, {440, 340}, {360, 340}, {333, 233}, {467, 233}, {467, 367}, {333, 367}})
        EXPECT_EQ(editor.windowPixel(x, y) & 0xFFFFFFu, 0xFFFFFFu) << x << "," << y;
}

TEST(RenderGolden, smallModelInEachPolygonStyle) {
    Scenario editor;
    buildScene(editor.state());
    for (const char* name : {"outline", "flat", "shaded"}) {
        editor.key("4");  // steps the style 2 -> 0 -> 1 -> 2 and draws a full frame
        sleepMs(60);      // the idle wait of the loop, in which the presenter shows the frame
        expectMatchesGolden(name);
    }
}

}  // namespace
}  // namespace vx::test
