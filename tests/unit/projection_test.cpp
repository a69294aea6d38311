// Projection of vertices into the ProjectedVertexTable: rounding, depth range, pan and turns.
#include "render/projection.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <limits>
#include <random>

#include "core/numeric.h"
#include "render/frame.h"
#include "support/render_state.h"

namespace vx::test {
namespace {

class Projecting : public testing::Test {
protected:
    std::unique_ptr<EditorState> owned = makeRenderState();
    EditorState& s = *owned;

    void setVertices(std::initializer_list<Vertex> vertices) { test::setVertices(s, vertices); }
    const ProjectedVertex& row(int i) const { return s.projected[static_cast<std::size_t>(i)]; }
};

TEST_F(Projecting, defaultCubeGivesTheKnownScreenPositionsAndDepths) {
    composeFrame(s);
    const int expected[8][3] = {{360, 260, 500}, {440, 260, 500}, {440, 340, 500}, {360, 340, 500},
                                {333, 233, 300}, {467, 233, 300}, {467, 367, 300}, {333, 367, 300}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(row(i).screenX, expected[i][0]) << i;
        EXPECT_EQ(row(i).screenY, expected[i][1]) << i;
        EXPECT_EQ(row(i).depth, expected[i][2]) << i;
        EXPECT_EQ(row(i).viewX, s.model.vertices[static_cast<std::size_t>(i)].x);
        EXPECT_EQ(row(i).viewY, s.model.vertices[static_cast<std::size_t>(i)].y);
    }
}

TEST_F(Projecting, screenPositionsRoundHalvesToEven) {
    setVertices({{1, 0, 0}, {3, 0, 0}, {0, 1, 0}, {0, -1, 0}});
    composeFrame(s);
    EXPECT_EQ(row(0).screenX, 400);  // 400.5
    EXPECT_EQ(row(1).screenX, 402);  // 401.5
    EXPECT_EQ(row(2).screenY, 300);  // 300.5
    EXPECT_EQ(row(3).screenY, 300);  // 299.5
}

TEST_F(Projecting, depthRangeIsOneToDrawdepthInclusiveAndHiddenRowsKeepTheirColumns) {
    setVertices({{0, 0, -399}, {0, 0, -405}, {100, 0, 200}, {-100, 0, 201}});
    s.projected[1] = {1234, 567, 0, 89, 10};
    composeFrame(s);
    EXPECT_EQ(row(0).depth, 1);
    EXPECT_EQ(pickAt(s, 400, 300), 1);  // view depth exactly 1.0 is drawn
    EXPECT_EQ(row(1).depth, -5);
    EXPECT_EQ(row(1).screenX, 1234);  // behind the viewer: only the depth column is rewritten
    EXPECT_EQ(row(1).screenY, 567);
    EXPECT_EQ(row(1).viewX, 89);
    EXPECT_EQ(row(1).viewY, 10);
    EXPECT_EQ(row(2).depth, 600);  // equal to drawdepth: shown
    EXPECT_EQ(row(3).depth, 601);
    EXPECT_EQ(countPixels(s, whiteColour), 2);
}

TEST_F(Projecting, panMovesOnlyTheStoredScreenPosition) {
    composeFrame(s);
    const auto before = s.projected;
    s.camera.panX = 5;
    s.camera.panY = -7;
    composeFrame(s);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(s.projected[i].screenX, before[i].screenX + 5);
        EXPECT_EQ(s.projected[i].screenY, before[i].screenY - 7);
        EXPECT_EQ(s.projected[i].depth, before[i].depth);
        EXPECT_EQ(s.projected[i].viewX, before[i].viewX);
    }
    EXPECT_EQ(pickAt(s, 365, 253), 1);
}

TEST_F(Projecting, quarterTurnWithTheEditorsPiIsNotExact) {
    s.camera.axy = pi / 2;
    ViewPoint view{};
    transformPoint(projectionOf(s.camera, s.screen), -100.0f, -100.0f, 100.0f, view);
    EXPECT_NEAR(view.x, 100.00036f, 2e-5f);
    EXPECT_NEAR(view.y, -99.99964f, 2e-5f);
    EXPECT_NE(view.x, 100.0f);
    composeFrame(s);
    EXPECT_EQ(row(0).screenX, 440);
    EXPECT_EQ(row(0).screenY, 260);
    EXPECT_EQ(row(0).viewX, 100);
}

TEST_F(Projecting, turnsApplyInTheOrderXyThenXzThenYz) {
    // Each quarter turn alone sends (1, 2, 3) elsewhere; together the order shows in the result.
    s.camera.axy = pi / 2;
    s.camera.axz = pi / 2;
    s.camera.ayz = pi / 2;
    ViewPoint view{};
    transformPoint(projectionOf(s.camera, s.screen), 100.0f, 200.0f, 300.0f, view);
    // x-y: (-200, 100, 300); x-z: (-300, 100, -200); y-z: z' = c·z − s·y = -100, y' = c·y + s·z = -200.
    EXPECT_NEAR(view.x, -300.0f, 0.1f);
    EXPECT_NEAR(view.y, -200.0f, 0.1f);
    EXPECT_NEAR(view.z, -100.0f, 0.1f);
    EXPECT_NEAR(view.depth, 300.0f, 0.1f);
}

TEST_F(Projecting, screenValuesBeyond32BitsBecomeTheLowestInteger) {
    s.camera.zoom = 1e30f;
    setVertices({{5, -5, 0}, {0, 0, 0}});
    composeFrame(s);
    EXPECT_EQ(row(0).screenX, INT_MIN);
    EXPECT_EQ(row(0).screenY, INT_MIN);
    EXPECT_EQ(row(1).screenX, 400);  // 0 · zoom stays at the centre
    EXPECT_EQ(pickAt(s, 400, 300), 2);
}

// The rounding behind every screen position against its plain definition: nearbyint, and the
// lowest integer for what does not fit. The edges of the range, the halves either side of them,
// values beyond it and random doubles of every exponent.
TEST(RoundingToInt32, agreesWithNearbyintEverywhere) {
    const auto plain = [](double v) { return int32OrMin(std::nearbyint(v)); };
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values{0.0,   -0.0,  0.5,   1.5, 2.5,  -0.5,
                               -1.5,  400.5, 401.5, inf, -inf, std::numeric_limits<double>::quiet_NaN(),
                               1e300, -1e300};
    for (const double edge : {2147483647.0, -2147483648.0})
        for (const double offset : {-1.5, -1.0, -0.5, -0x1p-22, 0.0, 0x1p-22, 0.5, 1.0, 1.5})
            values.push_back(edge + offset);
    std::mt19937_64 random(19);
    for (int i = 0; i < 200000; ++i) {
        const double v = std::bit_cast<double>(random());
        values.push_back(v);
        values.push_back(std::ldexp(static_cast<double>(static_cast<int64_t>(random())), -32));  // near 2^31
        values.push_back(std::floor(v * 1e-300) + 0.5);
    }
    for (const double v : values) ASSERT_EQ(roundToInt32(v), plain(v)) << v;
}

}  // namespace
}  // namespace vx::test
