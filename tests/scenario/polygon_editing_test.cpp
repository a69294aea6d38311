// Joining selected vertices, and Polys mode: flip, two-sided toggle, delete and selection.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace vx::test {
namespace {

using Slots = std::array<uint16_t, 4>;

struct Editing : testing::Test {
    Editing() { editor.moveTo(400, 300); }  // in the window before Vertices mode sees the wheel
    Model& model() { return editor.state().model; }
    Selection& selection() { return editor.state().selection; }
    void select(std::initializer_list<uint16_t> vertices) {
        selection().vertexCount = 0;
        for (uint16_t v : vertices) selection().vertices[static_cast<std::size_t>(selection().vertexCount++)] = v;
    }
    void addPolygons(std::initializer_list<Polygon> polygons) {
        for (const Polygon& p : polygons) model().polygons[static_cast<std::size_t>(model().polygonCount++)] = p;
    }
    // What the last frame left under a pixel; the next click reads it before a new frame is drawn.
    void pickCodeAt(int32_t x, int32_t y, int16_t code) {
        ScreenBuffers& screen = editor.state().screen;
        screen.pickBuffer[pixelIndex(screen, x, y)] = code;
    }
    Scenario editor;
};

TEST_F(Editing, aLineKeepsItsSecondEndSelectedSoLinesChain) {
    editor.key("v");
    select({3, 7});
    editor.click(100, 100);
    ASSERT_EQ(model().lineCount, 1);
    EXPECT_EQ(model().lines[0].a, 3);
    EXPECT_EQ(model().lines[0].b, 7);
    EXPECT_EQ(selection().vertexCount, 1);
    EXPECT_EQ(selection().vertices[0], 7);
    EXPECT_EQ(model().vertexCount, 8);  // the join placed nothing

    selection().vertices[1] = 5;
    selection().vertexCount = 2;
    editor.click(100, 100);
    EXPECT_EQ(model().lines[1].a, 7);
    EXPECT_EQ(model().lines[1].b, 5);
    editor.click(400, 300);  // now a click moves the chain's end
    EXPECT_EQ(model().vertices[5].x, 0);
    EXPECT_EQ(model().vertices[5].z, 0);
}

TEST_F(Editing, threeOrFourSelectedMakeAOneSidedPolygonInPickOrder) {
    editor.key("v");
    select({3, 7, 5});
    editor.click(100, 100);
    select({6, 1, 0, 2});
    editor.click(100, 100);
    ASSERT_EQ(model().polygonCount, 2);
    EXPECT_EQ(model().polygons[0].slots, (Slots{3, 7, 5, 5}));
    EXPECT_EQ(model().polygons[1].slots, (Slots{6, 1, 0, 2}));
    EXPECT_EQ(model().polygons[0].flags, 0);
    EXPECT_EQ(model().polygons[1].flags, 0);
    EXPECT_EQ(selection().vertexCount, 0);
    EXPECT_EQ(model().vertexCount, 8);
}

TEST_F(Editing, fullTablesTakeNoMoreLinesOrPolygons) {
    editor.key("v");
    model().lineCount = maxLines;
    model().polygonCount = maxPolygons;
    select({1, 2});
    editor.click(100, 100);
    select({1, 2, 3});
    editor.click(100, 100);
    EXPECT_EQ(model().lineCount, maxLines);
    EXPECT_EQ(model().polygonCount, maxPolygons);
    EXPECT_EQ(selection().vertexCount, 0);
}

TEST_F(Editing, flipTwiceRestoresAndReversesTheCornerOrder) {
    addPolygons({{{0, 1, 2, 3}, 0}, {{4, 5, 6, 6}, 0}});
    editor.key("e");
    selection().polygon = -1;
    editor.key("p");
    EXPECT_EQ(model().polygons[0].slots, (Slots{0, 3, 2, 1}));
    editor.key("p");
    EXPECT_EQ(model().polygons[0].slots, (Slots{0, 1, 2, 3}));
    selection().polygon = -2;
    editor.key("p");
    EXPECT_EQ(model().polygons[1].slots, (Slots{4, 6, 6, 5}));
}

TEST_F(Editing, toggleChangesOnlyTheTwoSidedBit) {
    addPolygons({{{0, 1, 2, 3}, 0x0005}});
    editor.key("e");
    editor.key("t");  // nothing selected
    EXPECT_EQ(model().polygons[0].flags, 0x0005);
    selection().polygon = -1;
    editor.key("t");
    EXPECT_EQ(model().polygons[0].flags, 0x8005);
    editor.key("t");
    EXPECT_EQ(model().polygons[0].flags, 0x0005);
}

TEST_F(Editing, deleteMovesTheLaterPolygonsDownWithTheirFlags) {
    addPolygons({{{0, 1, 2, 3}, 0}, {{4, 5, 6, 7}, 0}, {{1, 2, 6, 5}, twoSidedFlag}});
    editor.key("e");
    selection().polygon = -2;
    editor.key("d");
    ASSERT_EQ(model().polygonCount, 2);
    EXPECT_EQ(model().polygons[1].slots, (Slots{1, 2, 6, 5}));
    EXPECT_EQ(model().polygons[1].flags, twoSidedFlag);
    EXPECT_EQ(selection().polygon, 0);
    EXPECT_EQ(model().vertexCount, 8);
}

TEST_F(Editing, aSelectionPastThePolygonCountChangesNothingButIsCleared) {
    addPolygons({{{0, 1, 2, 3}, 0}});
    model().polygons[1] = {{4, 5, 6, 7}, 0};  // left over from an earlier polygon
    editor.key("e");
    for (const int32_t stale : {-2, -5000, -32768}) {
        selection().polygon = stale;
        editor.key("pt");
        EXPECT_EQ(model().polygons[1].slots, (Slots{4, 5, 6, 7}));
        EXPECT_EQ(model().polygons[1].flags, 0);
        editor.key("d");
        EXPECT_EQ(model().polygonCount, 1);
        EXPECT_EQ(selection().polygon, 0);
    }
}

TEST_F(Editing, aRightClickSelectsAndDeselectsOnlyFromAPolygonPixel) {
    addPolygons({{{0, 1, 2, 3}, 0}, {{4, 5, 6, 7}, 0}});
    editor.key("e");
    pickCodeAt(100, 100, -2);
    editor.click(100, 100, rightButton);
    EXPECT_EQ(selection().polygon, -2);
    pickCodeAt(100, 100, 3);  // a vertex marker
    editor.click(100, 100, rightButton);
    editor.click(101, 100, rightButton);  // the background
    EXPECT_EQ(selection().polygon, -2);
    pickCodeAt(100, 100, -1);
    editor.click(100, 100, rightButton);
    EXPECT_EQ(selection().polygon, -1);
    pickCodeAt(100, 100, -1);
    editor.click(100, 100, rightButton);
    EXPECT_EQ(selection().polygon, 0);
}

}  // namespace
}  // namespace vx::test
