// Vertex markers, selection marks and the pick codes of vertices.
#include <gtest/gtest.h>

#include "render/frame.h"
#include "support/render_state.h"

namespace vx::test {
namespace {

class Markers : public testing::Test {
protected:
    std::unique_ptr<EditorState> owned = makeRenderState();
    EditorState& s = *owned;

    void setVertices(std::initializer_list<Vertex> vertices) { test::setVertices(s, vertices); }
    void select(std::initializer_list<uint16_t> vertices) {
        s.selection.vertexCount = 0;
        for (const uint16_t v : vertices) s.selection.vertices[static_cast<std::size_t>(s.selection.vertexCount++)] = v;
    }
};

TEST_F(Markers, atEqualDepthTheLowerIndexKeepsMarkerAndPick) {
    setVertices({{0, 0, 0}, {0, 0, 0}});
    select({1});
    composeFrame(s);
    EXPECT_EQ(pickAt(s, 400, 300), 1);
    EXPECT_EQ(colourAt(s, 400, 300), whiteColour);
    EXPECT_EQ(depthAt(s, 400, 300), 400);
    EXPECT_EQ(colourAt(s, 401, 300), 0u);  // the losing vertex's marks are denied too
}

TEST_F(Markers, aNearerLaterVertexTakesMarkerAndPick) {
    setVertices({{0, 0, 0}, {0, 0, -50}});
    composeFrame(s);
    EXPECT_EQ(pickAt(s, 400, 300), 2);
    EXPECT_EQ(depthAt(s, 400, 300), 350);
}

TEST_F(Markers, withMarkersOffTheLaterVertexTakesThePickAndNothingIsWhite) {
    setVertices({{0, 0, 0}, {0, 0, 0}, {-100, -100, 100}});
    s.showFlags = 6;
    composeFrame(s);
    EXPECT_EQ(pickAt(s, 400, 300), 2);  // no centre depth is stored to stop it
    EXPECT_EQ(depthAt(s, 400, 300), clearDepth);
    EXPECT_EQ(pickAt(s, 360, 260), 3);
    EXPECT_EQ(countPixels(s, whiteColour), 0);
}

TEST_F(Markers, selectedVertexShowsARedPlusAtDepthZeroEvenWithMarkersOff) {
    setVertices({{0, 0, 0}, {2, 0, 0}});
    select({0});
    for (const uint8_t flags : {uint8_t{7}, uint8_t{0}}) {
        s.showFlags = flags;
        composeFrame(s);
        for (const auto& [x, y] : {std::pair{399, 300}, {401, 300}, {400, 299}, {400, 301}}) {
            EXPECT_EQ(colourAt(s, x, y), redColour) << x << "," << y;
            EXPECT_EQ(depthAt(s, x, y), 0);
        }
        EXPECT_EQ(colourAt(s, 400, 300), flags ? whiteColour : 0u);
        EXPECT_EQ(pickAt(s, 400, 300), 1);
        // Vertex 1 projects onto the right-hand mark and loses to its depth 0.
        EXPECT_EQ(pickAt(s, 401, 300), 0);
        EXPECT_EQ(countPixels(s, redColour), 4);
    }
}

TEST_F(Markers, marksAreNotCoveredByNearerPolygons) {
    setVertices({{0, 0, 0}, {-50, -50, -100}, {50, -50, -100}, {50, 50, -100}, {-50, 50, -100}});
    select({0});
    s.model.polygons[0] = {{1, 2, 3, 4}, twoSidedFlag};
    s.model.polygonCount = 1;
    composeFrame(s);
    EXPECT_EQ(colourAt(s, 401, 300), redColour);
    EXPECT_NE(colourAt(s, 400, 300), whiteColour);  // the nearer polygon covers the centre
    EXPECT_EQ(pickAt(s, 400, 300), 1);              // but not its pick code
    EXPECT_EQ(pickAt(s, 410, 300), -1);
}

TEST_F(Markers, theOutermostRowsAndColumnsTakeNoMarker) {
    // Screen x 0, 799 and y 0, 599 (and one step inside each, which are drawn).
    setVertices(
        {{-800, 0, 0}, {798, 0, 0}, {0, -600, 0}, {0, 598, 0}, {-798, 0, 0}, {796, 0, 0}, {0, -598, 0}, {0, 596, 0}});
    composeFrame(s);
    EXPECT_EQ(s.projected[0].screenX, 0);
    EXPECT_EQ(s.projected[1].screenX, 799);
    EXPECT_EQ(s.projected[2].screenY, 0);
    EXPECT_EQ(s.projected[3].screenY, 599);
    EXPECT_EQ(countPixels(s, whiteColour), 4);
    EXPECT_EQ(pickAt(s, 0, 300), 0);
    EXPECT_EQ(pickAt(s, 1, 300), 5);
    EXPECT_EQ(pickAt(s, 798, 300), 6);
    EXPECT_EQ(pickAt(s, 400, 1), 7);
    EXPECT_EQ(pickAt(s, 400, 598), 8);
}

TEST_F(Markers, nothingShownLeavesABlackFrameWithPickCodesAndRedMarks) {
    select({2});
    s.showFlags = 0;
    s.model.lines[0] = {0, 6};
    s.model.lineCount = 1;
    s.model.polygons[0] = {{0, 1, 2, 3}, twoSidedFlag};
    s.model.polygonCount = 1;
    composeFrame(s);
    EXPECT_EQ(countPixels(s, 0), 800 * 600 - 4);
    EXPECT_EQ(countPixels(s, redColour), 4);
    for (int i = 0; i < 8; ++i) {
        const ProjectedVertex& v = s.projected[static_cast<std::size_t>(i)];
        EXPECT_EQ(pickAt(s, v.screenX, v.screenY), i + 1);
    }
}

}  // namespace
}  // namespace vx::test
