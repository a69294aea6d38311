// The main loop as a user meets it: start-up, idling, redraws, quitting.
#include <gtest/gtest.h>

#include <algorithm>

#include "io/file_test_support.h"
#include "platform/headless/headless.h"
#include "platform/seam/input_feed.h"
#include "support/scenario.h"

namespace vx::test {
namespace {

using QuitKey = InTempFolder;

TEST_F(QuitKey, endsWithStatusZeroFromEveryModeAndWritesNothing) {
    for (const char* modeKey : {"r", "v", "f", "c", "e"}) {
        Scenario editor;
        editor.key(modeKey);
        ASSERT_FALSE(editor.ended());
        editor.key("q");
        EXPECT_TRUE(editor.ended()) << modeKey;
        EXPECT_EQ(editor.exitStatus(), 0);
    }
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(QuitKey, endsInTheMiddleOfASelection) {
    Scenario editor;
    editor.key("v");
    editor.state().selection.vertexCount = 2;
    editor.key("q");
    EXPECT_TRUE(editor.ended());
    EXPECT_EQ(editor.exitStatus(), 0);
    EXPECT_TRUE(folderEntries().empty());
}

TEST(StartUp, setsTheDefaultModelAndViewAndDrawsOneFrame) {
    Scenario editor;
    const EditorState& s = editor.state();
    EXPECT_EQ(s.model.vertexCount, 8);
    EXPECT_EQ(s.model.polygonCount, 0);
    EXPECT_EQ(s.model.lineCount, 0);
    EXPECT_EQ(s.mode, EditorMode::rotate);
    EXPECT_EQ(s.camera.distance, 400);
    EXPECT_EQ(s.camera.zoom, 200.0f);
    EXPECT_EQ(s.camera.drawdepth, 600);
    EXPECT_EQ(s.showFlags, 7);
    EXPECT_EQ(s.shadeStyle, 2);
    EXPECT_EQ(s.currentFileName, "unnamed.vx");
    EXPECT_EQ(s.screen.screenWidth, 800);
    EXPECT_EQ(s.screen.screenHeight, 600);
    EXPECT_EQ(s.loop.framesDrawn, 1);
    EXPECT_EQ(s.input.tabRowY, 560);
    ASSERT_FALSE(headless::transfers().empty());
    EXPECT_EQ(headless::windowTitle(), "unnamed.vx \u2014 vxedit");
}

TEST(StartUp, withoutADisplayEndsWithStatusOneAndOneLineOnStandardError) {
    testing::internal::CaptureStderr();
    Scenario editor({}, false);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(editor.ended());
    EXPECT_EQ(editor.exitStatus(), 1);
    EXPECT_NE(printed.find("cannot open the window"), std::string::npos);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
    EXPECT_TRUE(headless::transfers().empty());
}

TEST(Idle, anUntouchedEditorDrawsNothingAndOnlyPolls) {
    Scenario editor;
    const auto frames = editor.state().loop.framesDrawn;
    const auto transfers = headless::transfers().size();
    editor.run();
    EXPECT_EQ(editor.state().loop.framesDrawn, frames);
    EXPECT_EQ(headless::transfers().size(), transfers);
}

TEST(Idle, aKeyThatChangesNothingRedrawsOnlyTheStatus) {
    Scenario editor;
    const auto frames = editor.state().loop.framesDrawn;
    const auto transfers = headless::transfers().size();
    editor.key("p");
    editor.keyCode(extendedKey(';'));  // F1, bound to nothing
    EXPECT_EQ(editor.state().loop.framesDrawn, frames);
    EXPECT_GT(headless::transfers().size(), transfers);
    EXPECT_FALSE(editor.ended());
}

TEST(Idle, aKeyThatChangesTheViewDrawsAFullFrame) {
    Scenario editor;
    const auto frames = editor.state().loop.framesDrawn;
    editor.key("+");
    EXPECT_EQ(editor.state().loop.framesDrawn, frames + 1);
    EXPECT_EQ(editor.state().camera.zoom, 201.0f);
}

TEST(TabClick, switchesModeDrawsAFrameAndDropsTheKeyOfThePass) {
    Scenario editor;
    const auto frames = editor.state().loop.framesDrawn;
    // A key typed before the press is read in a pass of its own; one typed after it shares the pass.
    headless::moveMouse(30, 568);  // " File "
    headless::pressButton(leftButton);
    headless::keyCode('+');
    editor.release(leftButton);
    EXPECT_EQ(editor.state().mode, EditorMode::file);
    EXPECT_EQ(editor.state().loop.framesDrawn, frames + 1);
    EXPECT_EQ(editor.state().camera.zoom, 200.0f);
}

TEST(TabClick, theLeftButtonStaysUpUntilReleased) {
    Scenario editor;
    editor.moveTo(240, 568);
    editor.press(leftButton);
    EXPECT_EQ(editor.state().mode, EditorMode::vertices);
    editor.moveTo(300, 300);
    EXPECT_EQ(editor.state().input.mouseButtons & leftButton, 0);
    editor.release(leftButton);
    editor.press(leftButton);
    EXPECT_EQ(editor.state().input.mouseButtons & leftButton, leftButton);
}

}  // namespace
}  // namespace vx::test
