// Frame composition: the background copy, the order of the passes and the copy to the screen.
#include "render/frame.h"

#include <gtest/gtest.h>

#include "support/render_state.h"

namespace vx::test {
namespace {

constexpr uint32_t picture = 0x123456;

class Background : public testing::Test {
protected:
    std::unique_ptr<EditorState> owned = makeRenderState();
    EditorState& s = *owned;

    // The arrays hold the pattern beyond the picture's size too, so that clipping shows.
    void load(int32_t width, int32_t height) {
        s.background.hasBackground = 1;
        s.background.backgroundWidth = width;
        s.background.backgroundHeight = height;
        std::fill(s.screen.backgroundImage.begin(), s.screen.backgroundImage.end(), picture);
        s.showFlags = 0;
    }
};

TEST_F(Background, showsOnlyWithinThePicturesWidthAndHeight) {
    load(640, 480);
    std::fill(s.screen.colorBuffer.begin(), s.screen.colorBuffer.end(), 0xABCDEFu);  // last frame
    composeFrame(s);
    EXPECT_EQ(countPixels(s, picture), 640 * 480);
    EXPECT_EQ(colourAt(s, 639, 479), picture);
    EXPECT_EQ(colourAt(s, 640, 0), 0u);
    EXPECT_EQ(colourAt(s, 0, 480), 0u);
    EXPECT_EQ(countPixels(s, 0), 800 * 600 - 640 * 480);
}

TEST_F(Background, negativeHeightShowsNothingAndALargerPictureIsCut) {
    load(640, -480);
    composeFrame(s);
    EXPECT_EQ(countPixels(s, 0), 800 * 600);
    load(1000, 700);
    composeFrame(s);
    EXPECT_EQ(countPixels(s, picture), 800 * 600);
}

TEST_F(Background, geometryCoversThePictureWithoutADepthTest) {
    load(800, 600);
    s.showFlags = 7;
    composeFrame(s);
    EXPECT_EQ(colourAt(s, 360, 260), whiteColour);
    EXPECT_EQ(colourAt(s, 361, 260), picture);
}

TEST(FrameCopy, copiesTheColourArrayRowByRowFromTheTopLeft) {
    auto owned = makeRenderState();
    EditorState& s = *owned;
    std::vector<uint32_t> surface(800 * 600, 0xFF000000u);
    s.screen.frameBuffer = surface.data();
    composeFrame(s);
    copyFrameToScreen(s);
    EXPECT_EQ(surface[260 * 800 + 360], whiteColour);
    EXPECT_EQ(surface, s.screen.colorBuffer);
    EXPECT_EQ(depthAt(s, 0, 0), clearDepth);
}

}  // namespace
}  // namespace vx::test
