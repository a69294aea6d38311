// The value row, the mode tabs and the help lines as the window shows them.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/console/text.h"
#include "platform/headless/headless.h"
#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

constexpr uint32_t grey = 0x888888;

std::string cells(int row, int firstColumn, int count) {
    return textRow(row).substr(static_cast<std::size_t>(firstColumn - 1), static_cast<std::size_t>(count));
}

TEST(StatusBar, startUpShowsTheValueRowTheRotateHelpAndTheFiveTabsOnRow36) {
    Scenario editor;
    EXPECT_EQ(textLine(1), "axy  0 axz  0 ayz  0 distance  400 zoom  200 verts  8 polys  0 drawdepth  600");
    EXPECT_EQ(textLine(2), "Rotate mode. Click and drag or z to reset");
    EXPECT_EQ(textLine(3), "a/s/d to advance 90 degrees");
    EXPECT_EQ(textLine(4), "");
    const std::string tabs = textRowIn(36, 0x000000, grey);
    EXPECT_EQ(tabs.substr(1, 6), " File ");
    EXPECT_EQ(tabs.substr(8, 8), " Camera ");
    EXPECT_EQ(tabs.substr(17, 8), " Rotate ");
    EXPECT_EQ(tabs.substr(26, 10), " Verteces ");
    EXPECT_EQ(tabs.substr(37, 7), " Polys ");
    EXPECT_EQ(editor.windowPixel(8, 560) & 0xFFFFFF, grey);
    EXPECT_EQ(editor.windowPixel(55, 575) & 0xFFFFFF, grey);
    EXPECT_NE(editor.windowPixel(8, 559) & 0xFFFFFF, grey);
    EXPECT_NE(editor.windowPixel(8, 576) & 0xFFFFFF, grey);
    EXPECT_EQ(editor.state().input.tabRowY, 560);
    EXPECT_EQ(textLine(37), "");
}

TEST(StatusBar, thePictureShowsBetweenTheTabsAndRightOfTheValueRow) {
    Scenario editor;
    constexpr uint32_t picture = 0x3366CC;
    Background& background = editor.state().background;
    background.hasBackground = 1;
    background.backgroundWidth = 800;
    background.backgroundHeight = 600;
    std::fill(editor.state().screen.backgroundImage.begin(), editor.state().screen.backgroundImage.end(), picture);
    editor.key("r");  // a full frame
    for (const int column : {1, 8, 17, 26, 37, 45, 100}) {
        const int x = (column - 1) * 8;
        EXPECT_EQ(editor.windowPixel(x, 560), picture) << column;
        EXPECT_EQ(editor.windowPixel(x + 7, 575), picture) << column;
    }
    EXPECT_EQ(editor.windowPixel(8, 560), grey);
    EXPECT_EQ(editor.windowPixel(99 * 8, 0), picture);         // row 1 is drawn over the frame
    EXPECT_EQ(editor.windowPixel(99 * 8 + 7, 16), 0x000000u);  // help rows are cleared to their end
}

TEST(StatusBar, valueRowShowsAnglesInWholeDegreesAndZoomRoundedDown) {
    Scenario editor;
    float axy = 0.0f;
    const auto quarterTurn = [&axy] {
        axy += pi / 2.0f;
        if (axy > pi) axy -= 2.0f * pi;
    };
    quarterTurn();
    editor.state().camera.axy = axy;
    editor.state().camera.zoom = 200.9f;
    editor.key("r");
    EXPECT_EQ(textLine(1), "axy  90 axz  0 ayz  0 distance  400 zoom  200 verts  8 polys  0 drawdepth  600");
    quarterTurn();
    quarterTurn();
    editor.state().camera.axy = axy;
    editor.state().camera.ayz = -0.05f;  // -2.86 degrees
    editor.key("r");
    EXPECT_EQ(cells(1, 1, 22), "axy -90 axz  0 ayz -3 ");
}

TEST(StatusBar, verticesHelpFollowsTheSelectionAndTheMouseInEveryPass) {
    Scenario editor;
    EditorState& s = editor.state();
    editor.moveTo(100, 200);  // entered in Rotate mode, so Vertices mode sees no wheel step
    editor.key("v");               // from now on every pass works out the pointer
    s.input.pointerDistance = -5;  // the pointer is at (-592.5, -197.5, -5), shown rounded down
    const char* const expected[5][2] = {
        {"left-click to place vertex at -593 -198 -5", "right-click to select vertex, d to delete last vertex"},
        {"left-click to move vertex to -593 -198 -5", "select additional verteces to form a line, triangle, or rectangle"},
        {"left-click to create this line, x to cancel", "select additional verteces to form a triangle, or rectangle"},
        {"left-click to create this triangle, x to cancel", "select an additional vertex to form a rectangle"},
        {"left-click to create this rectangle, x to cancel", ""},
    };
    for (int count = 0; count <= 4; ++count) {
        s.selection.vertexCount = count;
        editor.key("v");  // a full frame covers the lines of the last selection
        EXPECT_EQ(textLine(2), "Vertex edit mode. mouse  100  200 pointer distance -5") << count;
        EXPECT_EQ(textLine(3), expected[count][0]);
        EXPECT_EQ(textLine(4), expected[count][1]);
    }
    const int64_t frames = s.loop.framesDrawn;
    editor.moveTo(102, 200);
    EXPECT_EQ(s.loop.framesDrawn, frames);  // a status-only pass
    EXPECT_EQ(textLine(2), "Vertex edit mode. mouse  102  200 pointer distance -5");
}

// A long name keeps its end, where the file's own name is, after the whole help, and never runs
// into row 3; a shorter
// name after it leaves nothing of it behind ("current file:modèle.vx … xedit/recovery/first-2").
TEST(StatusBar, aLongFileNameIsCutKeepingItsEndAndAShortOneAfterItLeavesNothing) {
    Scenario editor;
    const std::string prompt = "File mode. l=load, a=save as, s=quick save, current file:";
    const std::string name = "/home/someone/.local/state/vxedit/recovery/" + std::string(30, 'n') + "first-2.vx";
    editor.state().currentFileName = name;
    editor.key("f");
    EXPECT_EQ(textLine(2), prompt + std::string(rowCutMark) + name.substr(name.size() - 40));
    EXPECT_EQ(textLine(2).substr(90), "first-2.vx");
    EXPECT_EQ(textLine(3), "");
    editor.state().currentFileName = "mod\xC3\xA8le.vx";
    const int64_t frames = editor.state().loop.framesDrawn;
    editor.key("S");  // does nothing: a status-only pass, with no frame under the row
    EXPECT_EQ(editor.state().loop.framesDrawn, frames);
    EXPECT_EQ(textLine(2), prompt + "mod\x8Ale.vx");
}

TEST(StatusBar, cameraAndPolysHelpLines) {
    Scenario editor;
    editor.key("c");
    EXPECT_EQ(textLine(2), "Camera mode. Click and drag or z to reset");
    EXPECT_EQ(textLine(3), "a/s/d front, side, top view, A/S/D the opposite side, p orthographic");
    EXPECT_EQ(textLine(4), "");  // no picture of the view's own
    editor.key("e");
    EXPECT_EQ(textLine(2), "polygon Edit mode. L-click to create, R-click to select");
    EXPECT_EQ(textLine(3), "");
}

TEST(StatusBar, polysHelpTellsTheSidesOfTheSelectedPolygon) {
    Scenario editor;
    EditorState& s = editor.state();
    s.model.polygonCount = 5;
    s.model.polygons[4] = {{0, 1, 2, 3}, twoSidedFlag};
    s.selection.polygon = -5;
    editor.key("e");
    EXPECT_EQ(textLine(3), "polygon is  2 sided, t to toggle, p to flip");
    EXPECT_EQ(textLine(4), "d to delete selected polygon");
    s.model.polygons[4].flags = 0x7FFF;  // only bit 15 counts
    editor.key("e");
    EXPECT_EQ(textLine(3), "polygon is  1 sided, t to toggle, p to flip");
    s.selection.polygon = INT32_MIN;  // outside the table: read as one-sided, never past its end
    editor.key("e");
    EXPECT_EQ(textLine(3), "polygon is  1 sided, t to toggle, p to flip");
}

}  // namespace
}  // namespace vx::test
