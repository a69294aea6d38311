// vxtool render against the editor's own window: the same model, view and picture must give the
// same pixels between the status rows and the tab row, in every style, with and without a picture.
#include <gtest/gtest.h>

#include <fstream>

#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "platform/console/input.h"
#include "render/frame.h"
#include "support/bmp.h"
#include "support/scenario.h"
#include "vxtool/model_source.h"
#include "vxtool/render_view.h"

namespace vx::test {
namespace {

// Rows 1-4 hold the value row, help and messages; the tab row starts at 560.
constexpr int32_t firstPictureRow = 64, tabRowTop = 560;

// A lit pyramid, a two-sided wall behind it and a line, with corners that look away.
void buildModel(Model& m) {
    const Vertex vertices[] = {{-80, 60, -80}, {80, 60, -80},     {80, 60, 80},     {-80, 60, 80},
                               {0, -90, 0},    {-130, -110, 120}, {130, -110, 120}, {130, 90, 120}};
    m.vertexCount = 0;
    for (const Vertex& v : vertices) m.vertices[static_cast<std::size_t>(m.vertexCount++)] = v;
    const Polygon polygons[] = {{{0, 1, 2, 3}, 0}, {{0, 1, 4, 4}, 0}, {{1, 2, 4, 4}, 0},
                                {{2, 3, 4, 4}, 0}, {{3, 0, 4, 4}, 0}, {{5, 6, 7, 7}, twoSidedFlag}};
    m.polygonCount = 0;
    for (const Polygon& p : polygons) m.polygons[static_cast<std::size_t>(m.polygonCount++)] = p;
    m.lines[0] = {4, 6};
    m.lineCount = 1;
}

Picture stripes() {
    Picture picture(700, 520);
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x)
            picture.at(x, y) = static_cast<uint32_t>(((x / 7) * 0x030201 + (y / 5) * 0x010305) & 0x7F7F7F);
    return picture;
}

class RenderMatchesEditor : public InTempFolder {};

// Each named view, orthographic, with the side view's own picture read from the model's
// NAME.vxref: vxtool draws what the editor shows after the view's key and p.
TEST_F(RenderMatchesEditor, inEveryNamedViewOrthographicWithTheViewsPictures) {
    ASSERT_TRUE(writeBmp("side.bmp", stripes()));
    {
        auto source = tool::makeToolState();
        buildModel(source->model);
        ASSERT_TRUE(saveModel(*source, "model.vx"));
        std::ofstream("model.vxref") << "right \"side.bmp\" 30 -20 7 0.8 75\n";
    }
    Scenario editor({"model.vx"});
    editor.key("cp");
    const char* keys[] = {"a", "A", "s", "S", "d", "D"};
    const char* names[] = {"front", "back", "right", "left", "top", "bottom"};
    for (int view = 0; view < 6; ++view) {
        editor.key(keys[view]);
        sleepMs(60);
        tool::RenderOptions options;
        options.input = "model.vx";
        options.view = names[view];
        options.ortho = true;
        options.references = true;
        auto state = tool::makeToolState();
        std::string error;
        ASSERT_TRUE(tool::prepareView(options, *state, error) && tool::readModel(options.input, {}, *state, error))
            << error;
        tool::loadViewPictures(options, *state);
        composeFrame(*state);
        int differing = 0;
        for (int32_t y = firstPictureRow; y < tabRowTop; ++y)
            for (int32_t x = 0; x < 800; ++x)
                differing += (editor.windowPixel(x, y) & 0xFFFFFFu) != state->screen.colorBuffer[pixelIndex(state->screen, x, y)];
        EXPECT_EQ(differing, 0) << names[view];
    }
}

TEST_F(RenderMatchesEditor, inEveryStyleWithAndWithoutAPicture) {
    ASSERT_TRUE(writeBmp("picture.bmp", stripes()));
    {
        auto source = tool::makeToolState();
        buildModel(source->model);
        ASSERT_TRUE(saveModel(*source, "model.vx"));
    }
    for (const bool withPicture : {false, true}) {
        Scenario editor(withPicture ? std::vector<std::string>{"picture.bmp"} : std::vector<std::string>{});
        buildModel(editor.state().model);
        editor.state().camera.zoom = 260.0f;
        editor.state().camera.panX = 17;
        editor.key("as");  // a quarter turn about each of the first two axes; style stays shaded
        for (const char* style : {"outline", "flat", "shaded"}) {
            editor.key("4");  // 2 -> 0 -> 1 -> 2: outline, flat, shaded
            sleepMs(60);
            tool::RenderOptions options;
            options.input = "model.vx";
            options.style = style;
            options.angles = std::array<double, 3>{90, 90, 0};
            options.zoom = 260;
            options.pan = std::array<int, 2>{17, 0};
            if (withPicture) options.background = "picture.bmp";
            auto state = tool::makeToolState();
            std::string error;
            ASSERT_TRUE(tool::prepareView(options, *state, error) && tool::loadBackground(options, *state, error) &&
                        tool::readModel(options.input, {}, *state, error))
                << error;
            composeFrame(*state);
            int differing = 0;
            for (int32_t y = firstPictureRow; y < tabRowTop; ++y)
                for (int32_t x = 0; x < 800; ++x)
                    differing += (editor.windowPixel(x, y) & 0xFFFFFFu) !=
                                 state->screen.colorBuffer[pixelIndex(state->screen, x, y)];
            EXPECT_EQ(differing, 0) << style << (withPicture ? " with" : " without") << " a picture";
        }
    }
}

TEST(RenderView, ninetyDegreesIsExactlyOneQuarterTurnKey) {
    Scenario editor;
    editor.key("a");
    EXPECT_EQ(tool::radiansFromDegrees(90), editor.state().camera.axy);
    EXPECT_EQ(tool::radiansFromDegrees(0), 0.0f);
}

TEST(RenderView, sizesAreWidthByHeightOrOneNumberForASquare) {
    int32_t w = 0, h = 0;
    EXPECT_TRUE(tool::parseSize("800x600", w, h) && w == 800 && h == 600);
    EXPECT_TRUE(tool::parseSize("128", w, h) && w == 128 && h == 128);
    for (const char* bad : {"", "0", "x", "12x", "x12", "-5x5", "5x5x5", "99999", "1e3"})
        EXPECT_FALSE(tool::parseSize(bad, w, h)) << bad;
}

// A thumbnail frames the cube as the window does: centred, a sixth of the width across.
TEST(RenderView, smallSizesScaleTheViewToFit) {
    tool::RenderOptions options;
    options.size = "120";
    options.style = "flat";
    auto state = tool::makeToolState();
    std::string error;
    ASSERT_TRUE(tool::prepareView(options, *state, error)) << error;
    state->model.polygons[0] = {{{4, 5, 6, 7}}, twoSidedFlag};  // the near face
    state->model.polygonCount = 1;
    composeFrame(*state);
    int32_t lit = 0, left = 120, right = 0;
    for (int32_t x = 0; x < 120; ++x)
        if (state->screen.colorBuffer[pixelIndex(state->screen, x, 60)] != 0) {
            ++lit;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    EXPECT_NEAR(lit, 20, 2);  // 800x600: 134 of 800 pixels; the frame factor here is 0.15
    EXPECT_NEAR((left + right) / 2.0, 60.0, 1.0);
}

}  // namespace
}  // namespace vx::test
