// Frame composition: the background copy, the order of the passes and the copy to the screen.
#include "render/frame.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "render/render_threads.h"
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

// The split of rows among the drawing bands: a band that took longer gives rows to the others,
// and whatever the times, the bands stay in order, cover every row and keep one row each.
TEST(BandSplit, movesRowsFromTheSlowerBandAndAlwaysCoversEveryRowInOrder) {
    BandSplit split;
    split.prepare(600, 2);
    split.record(0, 3.0);
    split.record(1, 1.0);
    split.rebalance();
    // Equal time at row 200 of the even split's 300: halfway there.
    EXPECT_EQ(split.rowsOf(0).last, 250);

    std::mt19937 random(7);
    for (int trial = 0; trial < 2000; ++trial) {
        const int bands = 1 + static_cast<int>(random() % BandSplit::maxBands);
        const int rows = static_cast<int>(random() % 40);
        split.prepare(rows, bands);
        for (int frame = 0; frame < 5; ++frame) {
            for (int band = 0; band < bands; ++band)
                split.record(band, random() % 3 == 0 ? 0.0 : std::ldexp(1.0, -static_cast<int>(random() % 40)));
            split.rebalance();
            ASSERT_EQ(split.rowsOf(0).first, 0);
            ASSERT_EQ(split.rowsOf(bands - 1).last, rows);
            for (int band = 0; band + 1 < bands; ++band)
                ASSERT_EQ(split.rowsOf(band).last, split.rowsOf(band + 1).first);
            for (int band = 0; band < bands && rows >= bands; ++band)
                ASSERT_LT(split.rowsOf(band).first, split.rowsOf(band).last) << rows << " rows, " << bands << " bands";
        }
    }
}

// Jobs in quick succession are taken by helpers still watching for them, and jobs after a pause
// by helpers that went to sleep: either way every band runs once per job, and what the helpers
// wrote (plain writes, no atomics) is there for the caller when runInBands returns.
TEST(RenderThreads, everyBandRunsOnceAndItsWritesAreSeenWhetherTheHelpersWatchedOrSlept) {
    struct Job {
        int calls[8];
        int bands[8];
    };
    const auto run = [](void* context, int band, int bands) {
        Job& job = *static_cast<Job*>(context);
        ++job.calls[band];
        job.bands[band] = bands;
    };
    for (int jobIndex = 0; jobIndex < 300; ++jobIndex) {
        const int threads = jobIndex / 100 + 1;
        setRenderThreads(threads);
        if (jobIndex % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));  // beyond the watch
        Job job{};
        runInBands(run, &job);
        for (int band = 0; band < 8; ++band) {
            ASSERT_EQ(job.calls[band], band < threads ? 1 : 0) << "job " << jobIndex << ", band " << band;
            ASSERT_EQ(job.bands[band], band < threads ? threads : 0);
        }
    }
    setRenderThreads(0);
}

}  // namespace
}  // namespace vx::test
