// Press detection, the tab hold, the tab hit test and the keys that work in every mode.
#include <gtest/gtest.h>

#include <memory>

#include "core/editor_state.h"
#include "ui/dispatch.h"

namespace vx {
namespace {

InputState pollWith(InputState input, int32_t buttons) {
    input.prevMouseButtons = input.mouseButtons;
    input.mouseButtons = buttons;
    detectPresses(input);
    return input;
}

TEST(PressDetection, aButtonCountsAsPressedOnlyInThePassItWentDown) {
    InputState input{};
    input = pollWith(input, 1);
    EXPECT_EQ(input.leftClick, 1);
    input = pollWith(input, 1);
    EXPECT_EQ(input.leftClick, 0);
    input = pollWith(input, 3);
    EXPECT_EQ(input.leftClick, 0);
    EXPECT_EQ(input.rightClick, 2);
    input = pollWith(input, -1);  // no valid mouse state
    EXPECT_EQ(input.mouseButtons, 0);
    EXPECT_EQ(input.leftClick + input.rightClick, 0);
}

TEST(PressDetection, afterATabClickTheLeftButtonCountsAsUpUntilReleased) {
    InputState input{};
    input = pollWith(input, 1);
    input.holdAfterTabClick = 1;
    input = pollWith(input, 1);
    EXPECT_EQ(input.mouseButtons, 0);
    EXPECT_EQ(input.leftClick, 0);
    input = pollWith(input, 3);  // the right button still works
    EXPECT_EQ(input.mouseButtons, 2);
    EXPECT_EQ(input.rightClick, 2);
    input = pollWith(input, 0);
    EXPECT_EQ(input.holdAfterTabClick, 0);
    input = pollWith(input, 1);
    EXPECT_EQ(input.leftClick, 1);
}

TEST(TabHitTest, boundsAreExclusive) {
    EditorMode mode{};
    EXPECT_FALSE(tabAt(8, 568, 560, mode));
    EXPECT_TRUE(tabAt(9, 568, 560, mode));
    EXPECT_EQ(mode, EditorMode::file);
    EXPECT_FALSE(tabAt(20, 560, 560, mode));
    EXPECT_TRUE(tabAt(20, 561, 560, mode));
    EXPECT_TRUE(tabAt(20, 575, 560, mode));
    EXPECT_FALSE(tabAt(20, 576, 560, mode));
    for (const int32_t x : {8, 64, 136, 208, 296, 56, 128, 200, 288, 352, 60}) EXPECT_FALSE(tabAt(x, 568, 560, mode)) << x;
    const struct {
        int32_t x;
        EditorMode mode;
    } hits[] = {{65, EditorMode::camera}, {199, EditorMode::rotate}, {209, EditorMode::vertices}, {351, EditorMode::polys}};
    for (const auto& hit : hits) {
        ASSERT_TRUE(tabAt(hit.x, 568, 560, mode));
        EXPECT_EQ(mode, hit.mode);
    }
}

class GlobalKeys : public testing::Test {
protected:
    void SetUp() override {
        initEditorState(state);
        setDefaultModelAndView(state);
    }
    void press(const std::string& key) {
        state.input.key = key;
        state.redrawPending = 0;
        applyGlobalKeys(state);
    }
    std::unique_ptr<EditorState> owned = std::make_unique<EditorState>();
    EditorState& state = *owned;
};

TEST_F(GlobalKeys, distanceAndDrawdepthNeverGoBelowOne) {
    state.camera.distance = 5;
    for (int i = 0; i < 6; ++i) press("i");
    EXPECT_EQ(state.camera.distance, 1);
    state.camera.distance = 5;
    press("I");
    EXPECT_EQ(state.camera.distance, 1);
    state.camera.drawdepth = 5;
    for (int i = 0; i < 6; ++i) press("n");
    EXPECT_EQ(state.camera.drawdepth, 1);
    state.camera.drawdepth = 5;
    press("N");
    EXPECT_EQ(state.camera.drawdepth, 1);
}

TEST_F(GlobalKeys, floorsApplyOnEveryPassAndIncrementsWrap) {
    state.camera.distance = -7;
    press("");
    EXPECT_EQ(state.camera.distance, 1);
    EXPECT_EQ(state.redrawPending, 0);
    state.camera.distance = INT32_MAX;
    press("o");
    EXPECT_EQ(state.camera.distance, 1);  // wrapped to INT32_MIN, then floored
}

TEST_F(GlobalKeys, zoomStopsAtOne) {
    state.camera.zoom = 3.0f;
    for (int i = 0; i < 5; ++i) press("-");
    EXPECT_EQ(state.camera.zoom, 1.0f);
    press("+");
    EXPECT_EQ(state.camera.zoom, 2.0f);
}

TEST_F(GlobalKeys, styleKeyCyclesThroughThreeStylesAndLayerKeysToggleBits) {
    const uint8_t start = state.shadeStyle;
    press("4");
    press("4");
    press("4");
    EXPECT_EQ(state.shadeStyle, start);
    press("1");
    EXPECT_EQ(state.showFlags, 6);
    press("3");
    EXPECT_EQ(state.showFlags, 2);
    press("2");
    press("1");
    press("3");
    EXPECT_EQ(state.showFlags, 5);
}

TEST_F(GlobalKeys, arrowsPanAndEveryMatchingKeySetsRedraw) {
    press(std::string("\xFFH"));
    EXPECT_EQ(state.camera.panY, -1);
    EXPECT_EQ(state.redrawPending, 1);
    press(std::string("\xFFM"));
    EXPECT_EQ(state.camera.panX, 1);
    press(std::string("\xFF;"));  // F1 is bound to nothing
    EXPECT_EQ(state.redrawPending, 0);
    press("L");
    EXPECT_EQ(state.redrawPending, 0);
}

TEST_F(GlobalKeys, modeKeysAndCancelKeepEverythingElse) {
    state.selection.vertexCount = 2;
    press("v");
    EXPECT_EQ(state.mode, EditorMode::vertices);
    EXPECT_EQ(state.selection.vertexCount, 2);
    press("e");
    EXPECT_EQ(state.mode, EditorMode::polys);
    state.selection.polygon = -3;
    press("x");
    EXPECT_EQ(state.selection.vertexCount, 0);
    EXPECT_EQ(state.selection.polygon, 0);
    EXPECT_EQ(state.redrawPending, 1);
}

}  // namespace
}  // namespace vx
