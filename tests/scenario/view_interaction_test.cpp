// Turning, panning and zooming the view with keys and drags in Rotate and Camera modes.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/seam/input_feed.h"
#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

// Angles as the value row shows them: whole degrees, ties to even.
int32_t degrees(float angle) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(angle) * static_cast<double>(degreesPerRadian)));
}

TEST(QuarterTurns, fourTurnsPassThroughTheWrapBackToZero) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    for (const char* shown : {"axy  90 ", "axy  180 ", "axy -90 ", "axy  0 "}) {
        editor.key("a");
        EXPECT_EQ(textLine(1).substr(0, std::string(shown).size()), shown);
    }
    editor.key("sd");
    EXPECT_EQ(degrees(camera.axz), 90);
    EXPECT_EQ(degrees(camera.ayz), 90);
}

TEST(ResetKeys, eachModeResetsOnlyItsOwnValues) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.key("asdo+");
    editor.keyCode(extendedKey('M'));  // right arrow
    editor.key("z");
    EXPECT_EQ(camera.axy, 0.0f);
    EXPECT_EQ(camera.axz, 0.0f);
    EXPECT_EQ(camera.ayz, 0.0f);
    EXPECT_EQ(camera.zoom, 201.0f);
    EXPECT_EQ(camera.panX, 1);

    editor.key("asc");
    editor.key("z");
    EXPECT_EQ(camera.zoom, 200.0f);
    EXPECT_EQ(camera.panX, 0);
    EXPECT_EQ(camera.distance, 401);
    EXPECT_NE(camera.axy, 0.0f);
    EXPECT_NE(camera.axz, 0.0f);
}

TEST(RotateDrag, halfTheWidthIsExactlyPiAndOnePixelMoreWraps) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.moveTo(100, 200);
    editor.press(leftButton);
    editor.moveTo(500, 200);
    EXPECT_EQ(camera.axz, pi);
    EXPECT_EQ(degrees(camera.axz), 180);
    editor.moveTo(501, 200);
    EXPECT_GT(camera.axz, -pi);
    EXPECT_LT(camera.axz, -3.13f);
    EXPECT_EQ(degrees(camera.axz), -180);
    EXPECT_EQ(camera.ayz, 0.0f);
    editor.moveTo(501, 500);  // the full height is one full turn as well
    EXPECT_EQ(camera.ayz, pi);
}

TEST(RotateDrag, holdingStillRedrawsNothingAndTheDragNeverAccumulates) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.moveTo(100, 100);
    editor.press(leftButton);
    const auto frames = editor.state().loop.framesDrawn;
    editor.run();
    EXPECT_EQ(editor.state().loop.framesDrawn, frames);
    for (int32_t x = 101; x <= 160; ++x) editor.moveTo(x, 100);
    editor.moveTo(100, 100);
    EXPECT_EQ(camera.axz, 0.0f);
}

TEST(RotateDrag, rightButtonTurnsAxyAndTheSecondButtonTakesANewSnapshot) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.moveTo(100, 100);
    editor.press(leftButton);
    editor.moveTo(200, 100);
    const float turned = camera.axz;
    editor.press(rightButton);  // no jump: both drags start again from here
    EXPECT_EQ(camera.axz, turned);
    EXPECT_EQ(camera.axy, 0.0f);
    editor.moveTo(300, 100);
    EXPECT_FLOAT_EQ(camera.axy, pi / 4);
    EXPECT_FLOAT_EQ(camera.axz, pi / 2);
    editor.release(leftButton);
    editor.moveTo(400, 100);  // only the right button's angle follows now
    EXPECT_FLOAT_EQ(camera.axy, pi / 2);
    EXPECT_FLOAT_EQ(camera.axz, pi / 2);
}

TEST(CameraDrag, leftDragPansPixelForPixel) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.key("c");
    editor.moveTo(300, 300);
    editor.press(leftButton);
    editor.moveTo(317, 289);
    EXPECT_EQ(camera.panX, 17);
    EXPECT_EQ(camera.panY, -11);
    editor.release(leftButton);
    editor.moveTo(100, 100);
    editor.press(leftButton);
    editor.moveTo(105, 100);
    EXPECT_EQ(camera.panX, 22);
    EXPECT_EQ(camera.panY, -11);
}

TEST(CameraDrag, dragLetGoWithinOnePollEndsWhereThePointerEnded) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.key("c");
    editor.moveTo(300, 300);
    editor.press(leftButton);
    headless::moveMouse(340, 310);  // the last move and the release fall between two polls
    headless::moveMouse(380, 320);
    editor.release(leftButton);
    EXPECT_EQ(camera.panX, 80);
    EXPECT_EQ(camera.panY, 20);
}

TEST(CameraDrag, zoomStopsAtOneAndComesBackWithinTheSameDrag) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.key("c");
    editor.moveTo(600, 300);
    editor.press(rightButton);
    editor.moveTo(350, 300);
    EXPECT_EQ(camera.zoom, 1.0f);
    editor.moveTo(400, 300);
    EXPECT_EQ(camera.zoom, 1.0f);
    editor.moveTo(401, 300);
    EXPECT_EQ(camera.zoom, 1.0f);
    editor.moveTo(450, 300);
    EXPECT_EQ(camera.zoom, 50.0f);
    editor.moveTo(610, 300);
    EXPECT_EQ(camera.zoom, 210.0f);
    EXPECT_EQ(camera.panX, 0);
}

TEST(TabHold, aDragStartedOnATabNeitherTurnsNorPans) {
    Scenario editor;
    const Camera& camera = editor.state().camera;
    editor.moveTo(160, 568);  // " Rotate "
    editor.press(leftButton);
    editor.moveTo(400, 300);
    EXPECT_EQ(camera.axz, 0.0f);
    EXPECT_EQ(camera.ayz, 0.0f);
    editor.release(leftButton);

    editor.moveTo(90, 568);  // " Camera "
    editor.press(leftButton);
    EXPECT_EQ(editor.state().mode, EditorMode::camera);
    editor.moveTo(300, 300);
    EXPECT_EQ(camera.panX, 0);
    EXPECT_EQ(camera.panY, 0);
    editor.release(leftButton);
    editor.press(leftButton);  // a press in the scene works again
    editor.moveTo(310, 300);
    EXPECT_EQ(camera.panX, 10);
}

// The zoom as the value row shows it, rounded down to a whole number.
std::string shownZoom() {
    const std::string row = textLine(1);
    const auto at = row.find(" zoom ");
    return row.substr(at + 6, row.find(" verts") - at - 6);
}

TEST(WheelZoom, notchesZoomByAQuarterBothWaysAndDrawAFrameEach) {
    Scenario editor;
    editor.moveTo(400, 300);  // entering the window turns the wheel reading from -1 to 0
    const Camera& camera = editor.state().camera;
    for (const EditorMode mode : {EditorMode::rotate, EditorMode::camera}) {
        editor.key(mode == EditorMode::rotate ? "r" : "c");
        const auto frames = editor.state().loop.framesDrawn;
        editor.wheel(1);
        EXPECT_EQ(camera.zoom, 250.0f);
        editor.wheel(1);
        EXPECT_EQ(camera.zoom, 312.5f);
        EXPECT_EQ(shownZoom(), " 312");
        editor.wheel(-3);  // three notches within one poll
        EXPECT_EQ(camera.zoom, 160.0f);
        EXPECT_EQ(editor.state().loop.framesDrawn, frames + 3);
        editor.state().camera.zoom = 200.0f;
    }
}

TEST(WheelZoom, stopsAtOneAndLeavesVerticesModeAndTheWindowsEdgeAlone) {
    Scenario editor;
    editor.moveTo(400, 300);
    const Camera& camera = editor.state().camera;
    editor.key("c");
    editor.wheel(-40);
    EXPECT_EQ(camera.zoom, 1.0f);
    editor.wheel(-1);
    EXPECT_EQ(camera.zoom, 1.0f);
    editor.wheel(1);
    EXPECT_EQ(camera.zoom, 1.25f);

    headless::leaveWindow();  // the wheel reads -1 off the window: no turn either way
    editor.run();
    editor.moveTo(400, 300);
    EXPECT_EQ(camera.zoom, 1.25f);

    editor.press(rightButton);  // a zoom drag goes on from the wheel's zoom
    editor.moveTo(410, 300);
    editor.wheel(1);
    EXPECT_EQ(camera.zoom, 14.0625f);
    editor.moveTo(412, 300);
    EXPECT_EQ(camera.zoom, 16.0625f);
    editor.release(rightButton);

    editor.key("v");
    const int32_t pointer = editor.state().input.pointerDistance;
    editor.wheel(1);
    EXPECT_EQ(camera.zoom, 16.0625f);
    EXPECT_EQ(editor.state().input.pointerDistance, pointer + 1);
}

}  // namespace
}  // namespace vx::test
