// Clicks and drags quicker than the editor's polls: each press and release counts, where it happened.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace vx::test {
namespace {

// A burst of clicks at 20 a second, each held 20 ms, lands between polls 60 ms apart: two
// clicks often fall between one poll and the next.
TEST(ClickBurst, twentyQuickClicksPlaceTwentyVerticesWhereTheyWereClicked) {
    Scenario editor;
    editor.moveTo(400, 300);
    editor.key("v");
    struct Point {
        int32_t x, y;
    };
    std::vector<Point> clicks;
    for (int32_t i = 0; i < 20; ++i) clicks.push_back({150 + 25 * i, 100 + 40 * (i % 7)});
    for (const Point& at : clicks) {
        headless::moveMouse(at.x, at.y);
        headless::pressButton(leftButton);
        headless::pauseMs(20);
        headless::releaseButton(leftButton);
        headless::pauseMs(30);
    }
    editor.run();
    const Model& model = editor.state().model;
    ASSERT_EQ(model.vertexCount, 8 + 20);
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        const Vertex& placed = model.vertices[8 + i];
        // At the start view one picture pixel is two model units, the centre is the origin.
        EXPECT_EQ(placed.x, 2 * (clicks[i].x - 400)) << "click " << i;
        EXPECT_EQ(placed.y, 2 * (clicks[i].y - 300)) << "click " << i;
        EXPECT_EQ(placed.z, 0) << "click " << i;
    }
}

// A drag whose first move comes before the editor has seen the press still starts where the
// button went down: 200 pixels of the 800-pixel width are a quarter turn, even when the button
// is let go before the editor saw the pointer move.
TEST(FastDrag, twoHundredPixelsTurnExactlyAQuarterHoweverQuickTheDrag) {
    for (const bool releaseAtOnce : {false, true}) {
        Scenario editor;
        const Camera& camera = editor.state().camera;
        editor.moveTo(300, 300);
        headless::pressButton(leftButton);
        headless::moveMouse(500, 300);
        if (releaseAtOnce) headless::releaseButton(leftButton);
        editor.run();
        EXPECT_EQ(camera.axz, static_cast<float>(static_cast<double>(pi) / 2)) << "released at once " << releaseAtOnce;
        editor.release(leftButton);
        editor.moveTo(100, 300);
        EXPECT_EQ(camera.axz, static_cast<float>(static_cast<double>(pi) / 2)) << "released at once " << releaseAtOnce;
        EXPECT_EQ(camera.ayz, 0.0f);
    }
}

}  // namespace
}  // namespace vx::test
