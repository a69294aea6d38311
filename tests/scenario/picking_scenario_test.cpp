// Picking through real frames: vertex selection, re-centring, joining and Polys quads.
#include <gtest/gtest.h>

#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

using Slots = std::array<uint16_t, 4>;

// The default cube's corners on the screen: 0-3 the near face, 4-7 the far one.
constexpr int32_t corner[8][2] = {{360, 260}, {440, 260}, {440, 340}, {360, 340},
                                  {333, 233}, {467, 233}, {467, 367}, {333, 367}};

struct Picking : testing::Test {
    Picking() {
        editor.moveTo(400, 300);  // entering the window moves the wheel reading from -1
        editor.key("v");
    }
    void rightClickCorner(int v) { editor.click(corner[v][0], corner[v][1], rightButton); }
    Model& model() { return editor.state().model; }
    Selection& selection() { return editor.state().selection; }
    Scenario editor;
};

TEST_F(Picking, theWindowReachesEightPixelsAndTheTopmostMarkerWins) {
    editor.click(342, 241, rightButton);  // corner 4 lies 9 pixels to the left
    EXPECT_EQ(selection().vertexCount, 0);
    editor.click(341, 241, rightButton);  // 8 left and 8 up
    ASSERT_EQ(selection().vertexCount, 1);
    EXPECT_EQ(selection().vertices[0], 4);

    editor.key("x");
    editor.click(398, 298);  // vertex 8, two pixels up and left of the centre
    editor.click(401, 302);  // vertex 9, nearer to the centre but lower
    editor.click(400, 300, rightButton);
    ASSERT_EQ(selection().vertexCount, 1);
    EXPECT_EQ(selection().vertices[0], 8);
}

TEST_F(Picking, aSecondRightClickMovesThePointerToTheVertexDepth) {
    rightClickCorner(5);
    rightClickCorner(0);
    EXPECT_EQ(selection().vertexCount, 2);
    rightClickCorner(0);
    EXPECT_EQ(selection().vertexCount, 0);
    EXPECT_EQ(editor.state().input.pointerDistance, 100);
    editor.click(400, 300);
    EXPECT_EQ(model().vertices[8].z, 100);

    editor.key("1");  // hidden markers can still be picked and keep their depth
    rightClickCorner(4);
    rightClickCorner(4);
    EXPECT_EQ(editor.state().input.pointerDistance, -100);
}

TEST_F(Picking, selectionsJoinIntoChainedLinesTrianglesAndRectangles) {
    rightClickCorner(0);
    rightClickCorner(1);
    EXPECT_EQ(textLine(3), "left-click to create this line, x to cancel");
    editor.click(10, 10);
    EXPECT_EQ(textLine(3).substr(0, 29), "left-click to move vertex to ");
    rightClickCorner(2);
    editor.click(10, 10);  // the chain goes on from corner 1
    ASSERT_EQ(model().lineCount, 2);
    EXPECT_EQ(model().lines[1].a, 1);
    EXPECT_EQ(model().lines[1].b, 2);
    EXPECT_EQ(selection().vertexCount, 1);

    editor.key("x");
    for (const int v : {3, 7, 5}) rightClickCorner(v);
    EXPECT_EQ(textLine(3), "left-click to create this triangle, x to cancel");
    editor.click(10, 10);
    for (const int v : {4, 5, 6, 7, 0}) rightClickCorner(v);  // a fifth pick is ignored
    EXPECT_EQ(selection().vertexCount, 4);
    editor.click(10, 10);
    ASSERT_EQ(model().polygonCount, 2);
    EXPECT_EQ(model().polygons[0].slots, (Slots{3, 7, 5, 5}));
    EXPECT_EQ(model().polygons[1].slots, (Slots{4, 5, 6, 7}));
    EXPECT_EQ(selection().vertexCount, 0);
    EXPECT_EQ(model().vertexCount, 8);
}

TEST_F(Picking, polysQuadTakesCompassMarkersClockwiseFromTheRight) {
    for (const auto& [x, y] : {std::pair{400, 280}, {380, 300}, {420, 300}, {400, 320}}) editor.click(x, y);
    editor.key("e");
    editor.click(400, 300);
    ASSERT_EQ(model().polygonCount, 1);
    EXPECT_EQ(model().polygons[0].slots, (Slots{10, 11, 9, 8}));  // right, below, left, above
    EXPECT_EQ(model().polygons[0].flags, twoSidedFlag);

    editor.click(400, 300, rightButton);  // the quad now covers the pointer
    EXPECT_EQ(selection().polygon, -1);
    editor.click(400, 300, rightButton);
    EXPECT_EQ(selection().polygon, 0);
}

TEST_F(Picking, polysQuadNeedsFourMarkersOnTheScreen) {
    editor.key("dddd");
    rightClickCorner(3);
    editor.click(799, 599);  // onto the outermost pixel, where no marker is drawn
    ASSERT_EQ(model().vertexCount, 4);
    editor.key("e");
    editor.click(400, 300);
    EXPECT_EQ(model().polygonCount, 0);
}

}  // namespace
}  // namespace vx::test
