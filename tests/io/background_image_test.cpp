// The background picture: row order, colours, padding, clipping, and files that are no picture.
#include "io/picture/background_image.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/editor_state.h"
#include "io/byte_order.h"
#include "io/file_test_support.h"
#include "platform/console/display.h"
#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

using Colour = std::function<uint32_t(int32_t x, int32_t y)>;

// A 24-bit picture with the 40-byte information header; rows bottom-up, blue-green-red,
// each padded to a multiple of 4 bytes. The header's height is taken as given.
Bytes bmp(int32_t width, int32_t height, const Colour& colour) {
    Bytes file(54, 0);
    file[0] = 'B';
    file[1] = 'M';
    putLe32(&file[10], 54);
    putLe32(&file[14], 40);
    putLe32(&file[18], static_cast<uint32_t>(width));
    putLe32(&file[22], static_cast<uint32_t>(height));
    putLe16(&file[26], 1);
    putLe16(&file[28], 24);
    for (int32_t y = height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            file.insert(file.end(),
                        {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)});
        }
        while ((file.size() - 54) % 4 != 0) file.push_back(0xEE);  // padding that must never show
    }
    return file;
}

// Every pixel gets its own colour, never 0.
uint32_t coordinates(int32_t x, int32_t y) {
    return 0x100000u | static_cast<uint32_t>(x) << 10 | static_cast<uint32_t>(y);
}

class BackgroundPicture : public InTempFolder {
protected:
    BackgroundPicture() : state(std::make_unique<EditorState>()) {
        initEditorState(*state);
        allocateScreenBuffers(*state, 800, 600, nullptr);
        setDefaultModelAndView(*state);
    }
    void load(const Bytes& file) {
        writeFile("picture.bmp", file);
        readBackgroundImage(*state, "picture.bmp");
    }
    uint32_t pixel(int32_t x, int32_t y) const {
        return state->screen.backgroundImage[pixelIndex(state->screen, x, y)];
    }
    // Compares the whole screen with the picture's top-left corner and black beyond it.
    void expectScreenShows(int32_t width, int32_t height, const Colour& colour) const {
        for (int32_t y = 0; y < 600; ++y) {
            for (int32_t x = 0; x < 800; ++x) {
                const uint32_t expected = x < width && y < height ? colour(x, y) : 0u;
                ASSERT_EQ(pixel(x, y), expected) << x << "," << y;
            }
        }
    }
    std::unique_ptr<EditorState> state;
};

TEST_F(BackgroundPicture, ofScreenSizeFillsItWithTheFirstStoredRowAtTheBottom) {
    load(bmp(800, 600, coordinates));
    EXPECT_EQ(state->background.hasBackground, 1);
    EXPECT_EQ(state->background.backgroundWidth, 800);
    EXPECT_EQ(state->background.backgroundHeight, 600);
    EXPECT_EQ(pixel(0, 599), coordinates(0, 599));
    expectScreenShows(800, 600, coordinates);
}

TEST_F(BackgroundPicture, smallerThanTheScreenSitsTopLeftOnBlack) {
    load(bmp(640, 480, coordinates));
    expectScreenShows(640, 480, coordinates);
}

TEST_F(BackgroundPicture, largerThanTheScreenLosesItsRightAndBottomParts) {
    load(bmp(1024, 768, coordinates));
    expectScreenShows(800, 600, coordinates);
}

TEST_F(BackgroundPicture, rowPaddingNeverShowsAsAPixel) {
    for (const int32_t width : {1, 2, 3, 4, 5}) {
        std::fill(state->screen.backgroundImage.begin(), state->screen.backgroundImage.end(), 0u);
        load(bmp(width, 3, coordinates));
        expectScreenShows(width, 3, coordinates);
    }
}

TEST_F(BackgroundPicture, bytesAreBlueGreenRed) {
    load(bmp(1, 1, [](int32_t, int32_t) { return 0x302010u; }));
    EXPECT_EQ(pixel(0, 0), 3153936u);
}

TEST_F(BackgroundPicture, withNoPixelsGivesBlackButStillCounts) {
    for (const auto& [width, height] : {std::pair{4, 0}, std::pair{0, 4}, std::pair{-1, 1}}) {
        Bytes file = bmp(4, 4, coordinates);
        putLe32(&file[18], static_cast<uint32_t>(width));
        putLe32(&file[22], static_cast<uint32_t>(height));
        load(file);
        EXPECT_EQ(state->background.hasBackground, 1);
        EXPECT_EQ(state->background.backgroundHeight, height);
        expectScreenShows(0, 0, coordinates);
    }
}

TEST_F(BackgroundPicture, thatEndsEarlyShowsBlackWhereBytesAreMissing) {
    Bytes file = bmp(4, 4, coordinates);
    file.resize(54 + 12 + 12 + 4);  // the bottom two rows and one pixel and a third of the third row
    load(file);
    EXPECT_EQ(pixel(0, 3), coordinates(0, 3));
    EXPECT_EQ(pixel(3, 2), coordinates(3, 2));
    EXPECT_EQ(pixel(0, 1), coordinates(0, 1));
    EXPECT_EQ(pixel(1, 1), coordinates(1, 1) & 0xFFu);  // blue byte only
    EXPECT_EQ(pixel(2, 1), 0u);
    EXPECT_EQ(pixel(0, 0), 0u);
}

TEST_F(BackgroundPicture, whoseHeaderClaimsFarMoreThanTheFileHoldsFinishesAtOnce) {
    Bytes file = bmp(2, 2, coordinates);
    putLe32(&file[18], 16384);  // the largest picture taken: 16384 x 4096 at 4 bytes is 256 MiB
    putLe32(&file[22], 4096);
    load(file);
    EXPECT_EQ(state->background.hasBackground, 1);
    expectScreenShows(0, 0, coordinates);

    putLe32(&file[18], 2);  // rows on the screen, then nothing
    load(file);
    expectScreenShows(0, 0, coordinates);
}

}  // namespace
}  // namespace vx::test
