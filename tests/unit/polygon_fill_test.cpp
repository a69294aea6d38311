// Polygon normals, facing and the polygon pass in its three styles.
#include "render/polygon_fill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "render/frame.h"
#include "support/render_state.h"

namespace vx::test {
namespace {

using Pixels = std::set<std::pair<int, int>>;

class Polygons : public testing::Test {
protected:
    std::unique_ptr<EditorState> owned = makeRenderState();
    EditorState& s = *owned;

    // A projected corner; its view x and y equal its screen position, as for a face-on polygon.
    void corner(int i, int32_t x, int32_t y, int32_t depth = 300) {
        s.projected[static_cast<std::size_t>(i)] = {x, y, depth, x, y};
        s.model.vertexCount = std::max(s.model.vertexCount, i + 1);
    }
    void polygon(int i, std::array<uint16_t, 4> slots, float facing = 1.0f, uint16_t flags = 0) {
        s.model.polygons[static_cast<std::size_t>(i)] = {slots, flags};
        s.polygonFacing[static_cast<std::size_t>(i)] = facing;
        s.model.polygonCount = std::max(s.model.polygonCount, i + 1);
    }
    // The 10x10 square of corners (x, y)..(x+10, y+10) in vertices first..first+3.
    void square(int polygonIndex, int first, int32_t x, int32_t y, int32_t depth) {
        corner(first, x, y, depth);
        corner(first + 1, x + 10, y, depth);
        corner(first + 2, x + 10, y + 10, depth);
        corner(first + 3, x, y + 10, depth);
        const auto v = static_cast<uint16_t>(first);
        polygon(polygonIndex,
                {v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(v + 2), static_cast<uint16_t>(v + 3)});
    }
    void draw(uint8_t style) {
        s.shadeStyle = style;
        clearFrameArrays(s);
        drawPolygons(s, frameArraysOf(s.screen));
    }
    Pixels coloured() const {
        Pixels pixels;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                if (colourAt(s, x, y) != 0) pixels.insert({x, y});
        return pixels;
    }
    static Pixels block(int x0, int y0, int x1, int y1) {
        Pixels pixels;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) pixels.insert({x, y});
        return pixels;
    }
};

TEST_F(Polygons, rectangleFillsExactlyItsHundredPixelsInBothFillStyles) {
    square(0, 0, 100, 100, 300);
    for (const uint8_t style : {uint8_t{1}, uint8_t{2}}) {
        draw(style);
        EXPECT_EQ(coloured(), block(100, 100, 109, 109)) << int{style};
        EXPECT_EQ(colourAt(s, 105, 105), 0xFFFFFFu);  // face on: g = 255 both ways
        EXPECT_EQ(pickAt(s, 109, 109), -1);
        EXPECT_EQ(depthAt(s, 100, 100), 300);
        EXPECT_EQ(pickAt(s, 110, 105), 0);
    }
}

TEST_F(Polygons, triangleRepeatsItsThirdVertexAndFillsFiftyFivePixels) {
    corner(0, 100, 100);
    corner(1, 110, 100);
    corner(2, 100, 110);
    polygon(0, {0, 1, 2, 2});
    draw(1);
    Pixels expected;
    for (int j = 0; j < 10; ++j)
        for (int x = 100; x <= 109 - j; ++x) expected.insert({x, 100 + j});
    EXPECT_EQ(expected.size(), 55u);
    EXPECT_EQ(coloured(), expected);
}

TEST_F(Polygons, samplesWithAFractionCoverTwoByTwoBlocks) {
    // Sweeps of 4 steps: AB steps by (0.5, 0.5), CD by (0, 1). Step 1 has a span of 0.5 (no
    // sample, ties to even), step 2 one sample at (101, 101), step 3 two samples at (101.5, 101.5)
    // and (100.75, 102.25), four pixels each.
    corner(0, 100, 100);
    corner(1, 100, 100);
    corner(2, 100, 104);
    corner(3, 102, 102);
    polygon(0, {0, 1, 2, 3});
    draw(1);
    EXPECT_EQ(coloured(), (Pixels{{101, 101}, {102, 101}, {101, 102}, {102, 102}, {100, 102}, {100, 103}, {101, 103}}));
}

TEST_F(Polygons, outlineRunsSlotZeroThreeTwoOneAndZeroOneLeavingTheSlotOneCornerUndrawn) {
    square(0, 0, 100, 100, 300);
    draw(0);
    Pixels expected = block(100, 100, 100, 109);  // 0 -> 3
    expected.merge(block(100, 110, 109, 110));    // 3 -> 2
    expected.merge(block(110, 101, 110, 110));    // 2 -> 1
    expected.merge(block(100, 100, 109, 100));    // 0 -> 1
    EXPECT_EQ(coloured(), expected);
    EXPECT_EQ(colourAt(s, 110, 100), 0u);
    EXPECT_EQ(colourAt(s, 105, 110), outlineColour);
    EXPECT_EQ(pickAt(s, 100, 105), 0);  // outlines cannot be picked
}

TEST_F(Polygons, selectedPolygonIsRedInEveryStyleEvenWhenFacingAway) {
    square(0, 0, 100, 100, 300);
    polygon(0, {0, 1, 2, 3}, -0.5f);
    s.selection.polygon = -1;
    draw(0);
    EXPECT_EQ(colourAt(s, 100, 105), selectedOutlineColour);
    draw(1);
    EXPECT_EQ(colourAt(s, 105, 105), 0x830000u);  // 7 + 248 · 0.5 = 131
    draw(2);
    EXPECT_EQ(colourAt(s, 105, 105), 0xFF0000u);
    s.selection.polygon = 0;
    draw(1);
    EXPECT_EQ(colourAt(s, 105, 105), 0u);  // unselected and one-sided again: invisible
    EXPECT_EQ(pickAt(s, 105, 105), -1);
}

TEST_F(Polygons, nearerPolygonReplacesPolygonPickButNeverVertexPick) {
    square(0, 0, 100, 100, 300);
    square(1, 4, 100, 100, 200);
    square(2, 8, 100, 100, 400);   // farther: changes nothing
    square(3, 12, 100, 100, 200);  // equal depth: the first drawn stays
    s.shadeStyle = 1;
    clearFrameArrays(s);
    s.screen.pickBuffer[pixelIndex(s.screen, 105, 105)] = 3;  // a vertex centre under the polygons
    drawPolygons(s, frameArraysOf(s.screen));
    EXPECT_EQ(pickAt(s, 101, 101), -2);
    EXPECT_EQ(depthAt(s, 101, 101), 200);
    EXPECT_EQ(pickAt(s, 105, 105), 3);
    EXPECT_EQ(depthAt(s, 105, 105), 200);
}

TEST_F(Polygons, lengthLimitsOfTwiceTheScreenWidthSkipOrCutAPolygon) {
    // Sweep of 1601 steps: not drawn at all.
    corner(0, 100, 100);
    corner(1, 110, 100);
    corner(2, 110, 1701);
    corner(3, 100, 1701);
    polygon(0, {0, 1, 2, 3});
    draw(1);
    EXPECT_EQ(coloured().size(), 0u);
    // Spans grow from 1400 to 1800 pixels over 400 sweep steps down 10 rows: drawing stops at the
    // first span longer than 1600, half way down.
    corner(0, 100, 100);
    corner(1, 1500, 100);
    corner(2, 1900, 110);
    corner(3, 100, 110);
    draw(1);
    EXPECT_NE(colourAt(s, 300, 102), 0u);
    EXPECT_EQ(colourAt(s, 300, 107), 0u);
}

// A polygon at the nearest depth wholly beside the screen, or above or below it, draws nothing,
// and has no pixels to be settled in.
TEST_F(Polygons, aPolygonBesideTheScreenAtTheNearestDepthDrawsNothing) {
    for (const auto& [x, y] : {std::pair{-500, 100}, std::pair{1300, 100}, std::pair{100, -500}, std::pair{100, 900}}) {
        square(0, 0, x, y, 1);
        for (const uint8_t style : {uint8_t{1}, uint8_t{2}}) {
            draw(style);
            EXPECT_EQ(coloured().size(), 0u) << x << "," << y << " style " << int{style};
        }
    }
}

// A polygon lying wholly behind what is drawn is not swept at all; one a single depth unit nearer
// anywhere must still be, and a tilted one whose near corner alone comes through shows there.
TEST_F(Polygons, onlyPolygonsWhollyBehindWhatIsDrawnAreLeftOut) {
    corner(0, 50, 50, 500);
    corner(1, 750, 50, 500);
    corner(2, 750, 550, 500);
    corner(3, 50, 550, 500);
    polygon(0, {0, 1, 2, 3}, 0.5f);  // a grey wall over the middle of the screen
    for (const int32_t depth : {500, 499}) {
        square(1, 4, 100, 100, depth);
        corner(7, 100, 110, 600);  // only slot 3's corner lies far behind; the rest at `depth`
        for (const uint8_t style : {uint8_t{1}, uint8_t{2}}) {
            draw(style);
            const bool shows = depth < 500;
            EXPECT_EQ(pickAt(s, 100, 100), shows ? -2 : -1) << depth << " " << int{style};
            EXPECT_EQ(depthAt(s, 100, 100), depth) << int{style};
        }
    }
}

TEST_F(Polygons, polygonsNamingMissingVerticesOrOutOfDepthRangeAreSkippedWhole) {
    square(0, 0, 100, 100, 300);
    polygon(0, {0, 1, 2, 65535});
    square(1, 4, 200, 100, 300);
    polygon(1, {4, 5, 6, 20});  // vertex 20 was removed; its row still holds old values
    s.projected[20] = {200, 110, 300, 200, 110};
    square(2, 10, 300, 100, 601);
    square(3, 14, 400, 100, 300);
    s.projected[15].depth = 0;
    s.model.vertexCount = 18;
    for (const uint8_t style : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
        draw(style);
        EXPECT_EQ(coloured().size(), 0u) << int{style};
    }
}

// A band passes a polygon by on the reach its order gives, so that reach must hold every pixel the
// polygon writes, at a depth no nearer than the one it gives. Random quads in both filled styles,
// from a few pixels to far beyond the screen and from near to deep, corners on whole pixels.
TEST_F(Polygons, theReachAnOrderGivesHoldsEveryPixelAPolygonWrites) {
    std::mt19937 random(23);
    const auto between = [&](int32_t low, int32_t high) { return std::uniform_int_distribution(low, high)(random); };
    std::vector<OrderedPolygon> order;
    int written = 0;
    for (int trial = 0; trial < 1000; ++trial) {
        // Depths that change slowly over long walks stray the most from their corners.
        const int32_t size = 1 << between(0, 11), deep = 1 << between(0, 9);
        const int32_t x = between(-200, 1000), y = between(-200, 800), depth = between(1, s.camera.drawdepth);
        for (int i = 0; i < 4; ++i)
            corner(i, x + between(-size, size), y + between(-size, size),
                   std::clamp(depth + between(-deep, deep), 1, s.camera.drawdepth));
        polygon(0, {0, 1, 2, 3}, 1.0f, twoSidedFlag);
        s.model.polygonCount = 1;
        draw(static_cast<uint8_t>(1 + trial % 2));
        orderNearestFirst(s, order);
        const OrderedPolygon& reach = order.at(0);
        for (int32_t py = 0; py < 600; ++py) {
            for (int32_t px = 0; px < 800; ++px) {
                if (pickAt(s, px, py) != -1) continue;
                ++written;
                ASSERT_TRUE(px >= reach.firstColumn && px <= reach.lastColumn && py >= reach.firstRow &&
                            py <= reach.lastRow && depthAt(s, px, py) >= reach.nearest)
                    << "trial " << trial << " pixel " << px << "," << py;
            }
        }
    }
    EXPECT_GT(written, 100000);
}

// Polygons through the whole frame: normals from the model, facing from the camera.
class ShadedModel : public Polygons {
protected:
    void SetUp() override {
        s.model.vertices[0] = {0, 0, 0};
        s.model.vertices[1] = {100, 0, 0};
        s.model.vertices[2] = {100, 100, 0};
        s.model.vertexCount = 3;
        s.showFlags = 4;
        s.shadeStyle = 1;
        s.model.polygons[0] = {{0, 1, 2, 2}, 0};  // runs clockwise on the screen: faces away
        s.model.polygonCount = 1;
    }
};

TEST_F(ShadedModel, oneSidedPolygonFacingAwayIsInvisibleYetPickableAndHidesWhatFollows) {
    s.model.vertices[3] = {-150, -150, 50};
    s.model.vertices[4] = {150, -150, 50};
    s.model.vertices[5] = {150, 150, 50};
    s.model.vertices[6] = {-150, 150, 50};
    s.model.vertexCount = 7;
    s.model.polygons[1] = {{3, 4, 5, 6}, twoSidedFlag};  // farther, drawn after it
    s.model.polygonCount = 2;
    composeFrame(s);
    EXPECT_FLOAT_EQ(s.polygonNormals[0].z, -0.70710677f);
    EXPECT_LT(s.polygonFacing[0], 0.0f);
    EXPECT_EQ(colourAt(s, 440, 310), 0u);
    EXPECT_EQ(pickAt(s, 440, 310), -1);
    EXPECT_EQ(depthAt(s, 440, 310), 400);
    EXPECT_EQ(colourAt(s, 350, 300), 0xFFFFFFu);  // the far square around it
    EXPECT_EQ(pickAt(s, 350, 300), -2);
}

// Normals are kept from frame to frame while their corners stay; every change of a corner, and a
// slot naming a missing vertex, must still be seen.
TEST_F(ShadedModel, normalsFollowEveryChangeOfTheirCorners) {
    const auto normalAfter = [&](auto change) {
        change();
        composeFrame(s);
        return s.polygonNormals[0];
    };
    EXPECT_FLOAT_EQ(normalAfter([] {}).z, -0.70710677f);
    const Normal lifted = normalAfter([&] { s.model.vertices[2].z = 100; });  // e2 = (100, 100, 100)
    EXPECT_FLOAT_EQ(lifted.y, 0.57735026f);
    EXPECT_FLOAT_EQ(lifted.z, -0.57735026f);
    const Normal turned = normalAfter([&] { s.model.vertices[1] = {0, 100, 0}; });  // e1 along y
    EXPECT_FLOAT_EQ(turned.x, -0.57735026f);
    EXPECT_FLOAT_EQ(turned.z, 0.57735026f);
    EXPECT_FLOAT_EQ(normalAfter([&] { s.model.vertices[2].z = 0, s.model.vertices[1] = {100, 0, 0}; }).z, -0.70710677f);
    EXPECT_TRUE(std::isnan(normalAfter([&] { s.model.polygons[0].slots[0] = 9; }).z));
    EXPECT_FLOAT_EQ(normalAfter([&] { s.model.polygons[0].slots[0] = 0; }).z, -0.70710677f);
    EXPECT_TRUE(std::isnan(normalAfter([&] { s.model.vertices[1] = s.model.vertices[0]; }).z));
}

TEST_F(ShadedModel, flippedOrTwoSidedTheTriangleShowsItsFortyFiveDegreeShade) {
    s.model.polygons[0] = {{0, 2, 2, 1}, 0};
    composeFrame(s);
    EXPECT_FLOAT_EQ(s.polygonNormals[0].z, 0.70710677f);
    EXPECT_EQ(colourAt(s, 440, 310), 0xB6B6B6u);  // g = 7 + floor(248 · 0.70710677) = 182
    s.model.polygons[0] = {{0, 1, 2, 2}, twoSidedFlag};
    composeFrame(s);
    EXPECT_EQ(colourAt(s, 440, 310), 0xB6B6B6u);
}

TEST_F(ShadedModel, zeroLengthEdgeGivesANaNNormalInvisibleOneSidedAndBlackTwoSided) {
    s.model.vertices[3] = {0, 0, 0};  // on vertex 0: slot 0 -> slot 1 has no length
    s.model.vertices[4] = {-150, -150, 50};
    s.model.vertices[5] = {150, -150, 50};
    s.model.vertices[6] = {150, 150, 50};
    s.model.vertices[7] = {-150, 150, 50};
    s.model.vertexCount = 8;
    s.model.polygons[0] = {{4, 5, 6, 7}, twoSidedFlag};  // grey behind, drawn first
    s.model.polygons[1] = {{0, 3, 2, 1}, 0};
    s.model.polygonCount = 2;
    composeFrame(s);
    EXPECT_TRUE(std::isnan(s.polygonNormals[1].x) && std::isnan(s.polygonNormals[1].y));
    EXPECT_TRUE(std::isnan(s.polygonFacing[1]));
    EXPECT_EQ(colourAt(s, 440, 310), 0xFFFFFFu);  // invisible: the square drawn before stays
    EXPECT_EQ(pickAt(s, 440, 310), -2);
    EXPECT_EQ(depthAt(s, 440, 310), 400);
    s.model.polygons[1].flags = twoSidedFlag;
    composeFrame(s);
    EXPECT_EQ(colourAt(s, 440, 310), 0u);
    EXPECT_EQ(pickAt(s, 440, 310), -2);
}

TEST_F(ShadedModel, perSampleAndFlatShadesAgreeOnATiltedRectangle) {
    s.model.vertices[0] = {-100, -100, 0};
    s.model.vertices[1] = {100, -100, 0};
    s.model.vertices[2] = {100, 100, 0};
    s.model.vertices[3] = {-100, 100, 0};
    s.model.vertexCount = 4;
    s.model.polygons[0] = {{0, 3, 2, 1}, twoSidedFlag};
    s.camera.axz = 1.0f;
    composeFrame(s);
    const auto flat = s.screen.colorBuffer;
    s.shadeStyle = 2;
    composeFrame(s);
    const int expectedGrey = 7 + static_cast<int>(std::floor(248 * std::cos(1.0)));
    int compared = 0;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        if (flat[i] == 0) continue;
        ++compared;
        EXPECT_EQ(static_cast<int>(flat[i] & 0xFF), expectedGrey);
        ASSERT_NEAR(static_cast<int>(s.screen.colorBuffer[i] & 0xFF), expectedGrey, 1) << i;
    }
    EXPECT_GT(compared, 3000);
}

}  // namespace
}  // namespace vx::test
