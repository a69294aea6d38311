// drawLine, the line pass, and the exact skipping of walks that run off the surface.
#include "render/line.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "core/numeric.h"
#include "render/float_walk.h"
#include "render/frame.h"
#include "support/render_state.h"

namespace vx::test {
namespace {

// The walk sample by sample, with no skipping: the behaviour the quick walk must reproduce.
void referenceLine(const FrameArrays& f, ScreenPoint& p, const ScreenPoint& end, uint32_t colour) {
    const ScreenPoint delta = end - p;
    const float longer = std::fabs(delta.x) > std::fabs(delta.y) ? std::fabs(delta.x) : std::fabs(delta.y);
    const double n = std::nearbyint(static_cast<double>(longer));
    if (n == 0) return;
    const ScreenPoint step{static_cast<float>(delta.x / n), static_cast<float>(delta.y / n),
                           static_cast<float>(delta.depth / n)};
    for (double k = 0; k < n; ++k) {
        const int32_t ix = floorToInt32(p.x), iy = floorToInt32(p.y), iz = floorToInt32(p.depth);
        if (ix >= 0 && ix < f.width && iy >= 0 && iy < f.height) writeLineSample(f, indexOf(f, ix, iy), iz, colour);
        p += step;
    }
}

class Lines : public testing::Test {
protected:
    std::unique_ptr<EditorState> owned = makeRenderState();
    EditorState& s = *owned;
    FrameArrays frame = frameArraysOf(s.screen);
};

TEST_F(Lines, drawsTheStartButNotTheEndAndLeavesP1AtTheEnd) {
    ScreenPoint p{10, 10, 5};
    drawLine(frame, p, {14, 11, 5}, whiteColour);
    EXPECT_EQ(countPixels(s, whiteColour), 4);
    for (int x = 10; x <= 13; ++x) EXPECT_EQ(colourAt(s, x, 10), whiteColour) << x;
    EXPECT_EQ(depthAt(s, 10, 10), 5);
    EXPECT_EQ(colourAt(s, 14, 11), 0u);
    EXPECT_EQ(p.x, 14.0f);
    EXPECT_EQ(p.y, 11.0f);
    EXPECT_EQ(p.depth, 5.0f);
}

TEST_F(Lines, linesShorterThanHalfAPixelDrawNothingAndKeepP1) {
    for (const ScreenPoint end : {ScreenPoint{10.4f, 10.4f, 9}, ScreenPoint{10.5f, 9.5f, 9}}) {
        ScreenPoint p{10, 10, 5};
        drawLine(frame, p, end, whiteColour);
        EXPECT_EQ(p.x, 10.0f);
        EXPECT_EQ(p.depth, 5.0f);
    }
    EXPECT_EQ(countPixels(s, whiteColour), 0);
}

TEST_F(Lines, samplesTakeFloorAndOnlyStrictlyNearerDepthsWin) {
    s.screen.depthBuffer[pixelIndex(s.screen, 21, 30)] = 300;
    s.screen.depthBuffer[pixelIndex(s.screen, 22, 30)] = 301;
    ScreenPoint p{20.9f, 30.9f, 300.7f};
    drawLine(frame, p, {24.9f, 30.9f, 300.7f}, whiteColour);
    EXPECT_EQ(colourAt(s, 20, 30), whiteColour);
    EXPECT_EQ(colourAt(s, 21, 30), 0u);  // equal depth keeps what was there
    EXPECT_EQ(colourAt(s, 22, 30), whiteColour);
    EXPECT_EQ(depthAt(s, 22, 30), 300);
    EXPECT_EQ(pickAt(s, 22, 30), 0);
}

TEST_F(Lines, aLinePartlyOffTheSurfaceIsCutPerSample) {
    ScreenPoint p{-5, 10, 5};
    drawLine(frame, p, {5, 10, 5}, whiteColour);
    EXPECT_EQ(countPixels(s, whiteColour), 5);
    ScreenPoint q{797, 595, 5};
    drawLine(frame, q, {805, 603, 5}, whiteColour);
    EXPECT_EQ(countPixels(s, whiteColour), 8);
    EXPECT_EQ(colourAt(s, 799, 597), whiteColour);
}

TEST_F(Lines, aLineToAnOverflowedVertexEndsQuicklyWhereTheWalkGetsStuck) {
    ScreenPoint p{400, 300, 10};
    drawLine(frame, p, {static_cast<float>(INT_MIN), 300, 10}, whiteColour);
    EXPECT_EQ(countPixels(s, whiteColour), 401);
    // Steps of exactly -1 stop moving at -2^24, where -2^24 - 1 rounds back to even.
    EXPECT_EQ(p.x, -16777216.0f);
    EXPECT_EQ(p.y, 300.0f);
}

TEST_F(Lines, skippingOffSurfaceStretchesGivesExactlyTheSampleBySampleWalk) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> far(-1e6f, 1e6f), near(-100.0f, 900.0f), depth(1.0f, 600.0f);
    auto reference = makeRenderState();
    const FrameArrays expected = frameArraysOf(reference->screen);
    for (int line = 0; line < 40; ++line) {
        ScreenPoint start{near(random), near(random), depth(random)};
        ScreenPoint end{far(random), line % 3 ? far(random) : near(random), depth(random)};
        if (line % 2) std::swap(start, end);
        ScreenPoint quick = start, slow = start;
        drawLine(frame, quick, end, 0x010000u * static_cast<uint32_t>(line + 1));
        referenceLine(expected, slow, end, 0x010000u * static_cast<uint32_t>(line + 1));
        EXPECT_EQ(quick.x, slow.x) << line;
        EXPECT_EQ(quick.y, slow.y) << line;
        EXPECT_EQ(quick.depth, slow.depth) << line;
    }
    EXPECT_EQ(s.screen.colorBuffer, reference->screen.colorBuffer);
    EXPECT_EQ(s.screen.depthBuffer, reference->screen.depthBuffer);
}

TEST(FloatWalk, jumpsLandExactlyWhereStepByStepSumsLand) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-30, 33), steps(0, 300000);
    for (int trial = 0; trial < 400; ++trial) {
        const float start = std::ldexp(unit(random), exponent(random));
        int binade = 0;
        std::frexp(start, &binade);
        const float tie = std::ldexp(static_cast<float>(trial % 5) + 0.5f, binade - 24);  // rounds half way
        const float step = trial % 4 == 0   ? (unit(random) < 0 ? -tie : tie)
                           : trial % 4 == 1 ? unit(random)
                                            : std::ldexp(unit(random), exponent(random) / 2);
        const auto count = static_cast<uint64_t>(steps(random));
        const float bound = std::ldexp(unit(random), exponent(random));
        const bool upward = trial % 2 == 0;
        float slow = start;
        uint64_t slowTaken = 0;
        while (slowTaken < count && !(upward ? slow >= bound : slow < bound)) {
            slow += step;
            ++slowTaken;
        }
        float quick = start;
        const uint64_t quickTaken = walkUntil(quick, step, count, bound, upward);
        ASSERT_EQ(quick, slow) << start << " + " << step << " x " << count;
        ASSERT_EQ(quickTaken, slowTaken) << start << " + " << step;
    }
}

TEST(FloorSample, agreesWithFloorToInt32ForEveryKindOfSingle) {
    const float specials[] = {0.0f,
                              -0.0f,
                              0.5f,
                              -0.5f,
                              0.99999994f,
                              -1.0000001f,
                              1e-45f,
                              -1e-45f,
                              16777217.0f,
                              2147483520.0f,
                              2147483648.0f,
                              -2147483648.0f,
                              -2147483904.0f,
                              3e38f,
                              -3e38f,
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    for (const float v : specials) EXPECT_EQ(floorSample(v), floorToInt32(v)) << v;
    std::mt19937 random(3);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 100000; ++i) {
        const uint32_t word = bits(random);
        float v;
        std::memcpy(&v, &word, sizeof v);
        ASSERT_EQ(floorSample(v), floorToInt32(v)) << v;
    }
}

TEST_F(Lines, linePassSkipsLinesOutOfDepthRangeOrNamingMissingVertices) {
    s.model.lines[0] = {0, 4};  // vertex 0 lies beyond drawdepth
    s.model.lines[1] = {6, 8};  // vertex 8 does not exist
    s.model.lines[2] = {65535, 7};
    s.model.lines[3] = {4, 5};  // (333,233) -> (467,233): the one drawn
    s.model.lineCount = 4;
    s.showFlags = 2;
    s.camera.drawdepth = 400;
    composeFrame(s);
    EXPECT_EQ(countPixels(s, whiteColour), 134);
    EXPECT_EQ(colourAt(s, 333, 233), whiteColour);
    EXPECT_EQ(colourAt(s, 467, 233), 0u);
    s.camera.drawdepth = 299;
    composeFrame(s);
    EXPECT_EQ(countPixels(s, whiteColour), 0);
}

}  // namespace
}  // namespace vx::test
