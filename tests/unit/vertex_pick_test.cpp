// Searching the pick array for vertex markers near the pointer, on hand-filled arrays.
#include "ui/vertex_pick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace vx {
namespace {

struct PickArray : testing::Test {
    PickArray() : state(std::make_unique<EditorState>()) {
        initEditorState(*state);
        setDefaultModelAndView(*state);
        allocateScreenBuffers(*state, 800, 600, nullptr);
    }
    void marker(int32_t x, int32_t y, int16_t code, int32_t depth = 500) {
        state->screen.pickBuffer[pixelIndex(state->screen, x, y)] = code;
        if (code > 0) state->projected[static_cast<std::size_t>(code - 1)] = {x, y, depth, 0, 0};
    }
    VertexPick pickAt(int32_t x, int32_t y) {
        state->input.mouseX = x;
        state->input.mouseY = y;
        return findVertexNearPointer(*state);
    }
    std::unique_ptr<EditorState> state;
};

TEST_F(PickArray, theWindowReachesEightPixelsEachWayAndNoFurther) {
    marker(108, 92, 5, 470);
    EXPECT_EQ(pickAt(100, 100).code, 5);
    EXPECT_EQ(pickAt(100, 100).depth, 70);  // the depth is relative to the camera distance
    EXPECT_EQ(pickAt(99, 100).code, 0);
    EXPECT_EQ(pickAt(100, 83).code, 0);
    EXPECT_EQ(pickAt(116, 84).code, 5);
}

TEST_F(PickArray, theTopmostThenLeftmostMarkerOfTheSmallestSquareWins) {
    marker(100, 101, 1);  // nearest, but a row lower
    marker(101, 99, 2);
    marker(99, 99, 3);
    EXPECT_EQ(pickAt(100, 100).code, 3);
    marker(100, 100, 4);  // under the pointer beats everything
    EXPECT_EQ(pickAt(100, 100).code, 4);
    marker(100, 100, 0);
    marker(90, 90, 6);  // higher up, but only in a larger square
    EXPECT_EQ(pickAt(100, 100).code, 3);
    marker(99, 99, -7);  // a polygon pixel is no marker
    EXPECT_EQ(pickAt(100, 100).code, 2);
}

TEST_F(PickArray, squaresAreCutToTheScreen) {
    marker(0, 0, 9);
    marker(799, 599, 8);
    EXPECT_EQ(pickAt(3, 2).code, 9);
    EXPECT_EQ(pickAt(-1, -1).code, 9);  // the pointer outside the window
    EXPECT_EQ(pickAt(805, 600).code, 8);
    EXPECT_EQ(pickAt(808, 599).code, 0);
}

// The plain definition, over the list of markers rather than by rescanning the screen: the
// smallest square from half-size 1 up that holds four markers, and its first four in reading order.
bool rescanEverySquare(const ScreenBuffers& screen, int32_t cx, int32_t cy, int32_t maxReach,
                       std::array<int32_t, 4>& vertices) {
    struct Marker {
        int32_t x, y, vertex;
    };
    std::vector<Marker> markers;  // in reading order, as the screen is walked
    for (int32_t y = 0; y < screen.screenHeight; ++y)
        for (int32_t x = 0; x < screen.screenWidth; ++x)
            if (const int16_t code = screen.pickBuffer[pixelIndex(screen, x, y)]; code > 0)
                markers.push_back({x, y, code - 1});
    for (int32_t r = 1; r <= maxReach; ++r) {
        std::vector<int32_t> inside;
        for (const Marker& m : markers)
            if (std::abs(m.x - cx) <= r && std::abs(m.y - cy) <= r) inside.push_back(m.vertex);
        if (inside.size() < 4) continue;
        std::copy_n(inside.begin(), 4, vertices.begin());
        return true;
    }
    return false;
}

TEST_F(PickArray, fourMarkerSearchMatchesRescanningEverySquare) {
    std::mt19937 random(20240611);
    auto screen = [&]() -> ScreenBuffers& { return state->screen; };
    for (int round = 0; round < 400; ++round) {
        std::fill(screen().pickBuffer.begin(), screen().pickBuffer.end(), int16_t{0});
        const int markers = static_cast<int>(random() % 12);
        // Markers crowd a random spot so that squares of every size get tested, some off screen.
        const int32_t spotX = static_cast<int32_t>(random() % 1000) - 100;
        const int32_t spotY = static_cast<int32_t>(random() % 800) - 100;
        const int32_t spread = 1 + static_cast<int32_t>(random() % 300);
        for (int i = 0; i < markers; ++i) {
            const int32_t x = spotX + static_cast<int32_t>(random() % (2 * spread + 1)) - spread;
            const int32_t y = spotY + static_cast<int32_t>(random() % (2 * spread + 1)) - spread;
            if (x < 0 || y < 0 || x >= 800 || y >= 600) continue;
            const auto code = static_cast<int16_t>(random() % 3 == 0 ? -1 - i : 1 + random() % 5000);
            screen().pickBuffer[pixelIndex(screen(), x, y)] = code;
        }
        const int32_t px = spotX + static_cast<int32_t>(random() % 41) - 20;
        const int32_t py = spotY + static_cast<int32_t>(random() % 41) - 20;
        std::array<int32_t, 4> fast{}, plain{};
        const bool fastFound = findFourMarkers(screen(), px, py, 300, fast);
        ASSERT_EQ(fastFound, rescanEverySquare(screen(), px, py, 300, plain)) << round;
        if (fastFound) {
            EXPECT_EQ(fast, plain) << round;
        }
    }
}

TEST_F(PickArray, fourMarkerSearchTakesScanOrderNotNearness) {
    marker(300, 310, 1);
    marker(310, 300, 2);
    marker(290, 300, 3);
    marker(300, 301, 4);
    marker(305, 290, 5);  // highest, found first
    std::array<int32_t, 4> found{};
    ASSERT_TRUE(findFourMarkers(state->screen, 300, 300, 300, found));
    EXPECT_EQ(found, (std::array<int32_t, 4>{4, 2, 1, 3}));
    marker(300, 301, 0);
    ASSERT_TRUE(findFourMarkers(state->screen, 300, 300, 300, found));
    EXPECT_EQ(found, (std::array<int32_t, 4>{4, 2, 1, 0}));
    marker(290, 300, 0);
    EXPECT_FALSE(findFourMarkers(state->screen, 300, 300, 300, found));
    EXPECT_FALSE(findFourMarkers(state->screen, 300, 300, 0, found));
}

}  // namespace
}  // namespace vx
