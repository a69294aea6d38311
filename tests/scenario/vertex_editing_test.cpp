// Vertices mode as a user drives it: the 3-D pointer, placing, moving, deleting and selecting.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace vx::test {
namespace {

struct VerticesMode : testing::Test {
    // The pointer enters the window first: entering turns the reported wheel from -1 to its
    // running position, which Vertices mode would take as a wheel step.
    VerticesMode() {
        editor.moveTo(400, 300);
        editor.key("v");
    }
    Model& model() { return editor.state().model; }
    Selection& selection() { return editor.state().selection; }
    Vertex last() { return model().vertices[static_cast<std::size_t>(model().vertexCount - 1)]; }
    void select(std::initializer_list<uint16_t> vertices) {
        selection().vertexCount = 0;
        for (uint16_t v : vertices) selection().vertices[static_cast<std::size_t>(selection().vertexCount++)] = v;
    }
    Scenario editor;
};

TEST_F(VerticesMode, placesUnderThePointerAtThePointerDistance) {
    editor.click(400, 300);
    EXPECT_EQ(model().vertexCount, 9);
    EXPECT_EQ(last(), (Vertex{0, 0, 0}));
    editor.click(500, 300);
    EXPECT_EQ(last(), (Vertex{200, 0, 0}));
    editor.state().input.pointerDistance = 100;
    editor.click(500, 300);
    EXPECT_EQ(last(), (Vertex{250, 0, 100}));
}

TEST_F(VerticesMode, placingTakesThePanAndTheTurnsIntoAccount) {
    editor.state().camera.panX = 5;
    editor.state().camera.panY = -3;
    editor.click(505, 297);
    EXPECT_EQ(last(), (Vertex{200, 0, 0}));
    editor.state().camera.axy = pi / 2;  // a quarter turn in the screen plane
    editor.click(505, 297);
    EXPECT_EQ(last(), (Vertex{0, -200, 0}));
    editor.state().camera.axy = 0;
    editor.state().camera.axz = pi / 2;  // a quarter turn about the vertical axis
    editor.click(505, 297);
    EXPECT_EQ(last(), (Vertex{0, 0, -200}));
}

TEST_F(VerticesMode, aPositionOutside32BitsIsStoredAsTheLowestValue) {
    editor.state().camera.zoom = 1.0f;
    editor.state().input.pointerDistance = 2000000000;
    editor.click(799, 0);
    EXPECT_EQ(last().x, INT32_MIN);
    EXPECT_EQ(last().y, INT32_MIN);
    EXPECT_EQ(last().z, 2000000000);
}

TEST_F(VerticesMode, theWheelStepsThePointerOncePerPassAndRedrawsNothing) {
    const auto frames = editor.state().loop.framesDrawn;
    editor.wheel(5);
    EXPECT_EQ(editor.state().input.pointerDistance, 1);
    editor.wheel(-1);
    editor.wheel(-1);
    EXPECT_EQ(editor.state().input.pointerDistance, -1);
    EXPECT_EQ(editor.state().loop.framesDrawn, frames);
    headless::leaveWindow();  // the wheel reads -1 outside and its running position again inside
    editor.moveTo(400, 300);
    EXPECT_EQ(editor.state().input.pointerDistance, -1);
    editor.key("r");
    editor.wheel(1);  // only Vertices mode listens to the wheel
    EXPECT_EQ(editor.state().input.pointerDistance, -1);
}

TEST_F(VerticesMode, thePointerPositionFollowsWhileAtMostOneVertexIsSelected) {
    editor.moveTo(500, 300);
    EXPECT_EQ(editor.state().input.pointerPosition, (std::array<float, 3>{200, 0, 0}));
    select({2});
    editor.moveTo(400, 300);
    EXPECT_EQ(editor.state().input.pointerPosition, (std::array<float, 3>{0, 0, 0}));
    select({2, 3});
    editor.moveTo(300, 300);
    EXPECT_EQ(editor.state().input.pointerPosition, (std::array<float, 3>{0, 0, 0}));
}

TEST_F(VerticesMode, dRemovesTheLastVertexButLeavesItsUsersForTheNextOne) {
    model().lines[0] = {0, 7};
    model().lineCount = 1;
    editor.key("d");
    EXPECT_EQ(model().vertexCount, 7);
    EXPECT_EQ(model().lineCount, 1);
    editor.click(400, 300);  // takes index 7 and so becomes the line's second end
    EXPECT_EQ(model().vertices[7], (Vertex{0, 0, 0}));
    editor.key("dddddddd");
    EXPECT_EQ(model().vertexCount, 0);
    select({0, 1});
    editor.key("d");  // does nothing with two selected
    EXPECT_EQ(model().vertexCount, 0);
}

TEST_F(VerticesMode, aFullVertexTableTakesNoMore) {
    model().vertexCount = maxVertices;
    model().polygonCount = 0;
    editor.click(400, 300);
    EXPECT_EQ(model().vertexCount, maxVertices);
    EXPECT_EQ(model().polygonCount, 0);
}

TEST_F(VerticesMode, aLeftClickMovesTheOneSelectedVertexAndItsUsersFollow) {
    model().lines[0] = {2, 3};
    model().lineCount = 1;
    select({2});
    editor.click(500, 300);
    EXPECT_EQ(model().vertices[2], (Vertex{200, 0, 0}));
    EXPECT_EQ(model().vertexCount, 8);
    EXPECT_EQ(selection().vertexCount, 1);
    EXPECT_EQ(model().lines[0].a, 2);
}

TEST_F(VerticesMode, deletingAVertexRemovesItsLinesAndPolygonsAndRenumbersTheRest) {
    Model& m = model();
    m.lines[0] = {1, 3};
    m.lines[1] = {5, 6};  // survives as (4, 5)
    m.lines[2] = {4, 3};
    m.lineCount = 3;
    m.polygons[0] = {{0, 1, 2, 3}, 0};
    m.polygons[1] = {{3, 5, 6, 6}, 0};
    m.polygons[2] = {{4, 5, 6, 7}, 0x8001};  // survives as (3, 4, 5, 6) with its flags
    m.polygons[3] = {{7, 6, 5, 3}, twoSidedFlag};
    m.polygonCount = 4;
    const Vertex corners[] = {m.vertices[4], m.vertices[5], m.vertices[6], m.vertices[7]};
    select({3});
    editor.key("d");

    EXPECT_EQ(selection().vertexCount, 0);
    EXPECT_EQ(m.vertexCount, 7);
    ASSERT_EQ(m.lineCount, 1);
    EXPECT_EQ(m.lines[0].a, 4);
    EXPECT_EQ(m.lines[0].b, 5);
    ASSERT_EQ(m.polygonCount, 1);
    EXPECT_EQ(m.polygons[0].slots, (std::array<uint16_t, 4>{3, 4, 5, 6}));
    EXPECT_EQ(m.polygons[0].flags, 0x8001);
    for (std::size_t slot = 0; slot < 4; ++slot) EXPECT_EQ(m.vertices[m.polygons[0].slots[slot]], corners[slot]);
}

TEST_F(VerticesMode, aSelectionNamingAMissingVertexNeverAddressesPastTheTables) {
    for (const uint16_t missing : {uint16_t{8}, uint16_t{4999}, uint16_t{60000}}) {
        select({missing});
        editor.click(500, 300);
        EXPECT_EQ(model().vertexCount, 8);
        editor.key("d");
        EXPECT_EQ(model().vertexCount, 8) << missing;
        EXPECT_EQ(selection().vertexCount, 0);
        select({missing, 60001});
        editor.click(500, 300);  // a line may name missing vertices; drawing copes with them
        EXPECT_EQ(model().lines[static_cast<std::size_t>(model().lineCount - 1)].b, 60001);
    }
}

}  // namespace
}  // namespace vx::test
