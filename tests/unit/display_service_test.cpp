// The display lock, the changed-row band and the window title.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/console/display.h"
#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "platform/seam/input_feed.h"
#include "platform/seam/presenter.h"

namespace vx {
namespace {

class DisplayService : public testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        ASSERT_EQ(openScreen(19, 32, 0, 0, 0), 0);
    }
    static bool presenterCanTakeTheLock() {
        bool taken = false;
        std::thread([&] {
            if (platform::displayMutex().try_lock()) {
                taken = true;
                platform::displayMutex().unlock();
            }
        }).join();
        return taken;
    }
};

// Four fifths of a desktop, or a whole screen, and the largest whole multiple of 800x600 in it.
TEST(WindowScale, theLargestWholeMultipleThatFitsBothWaysAndNeverBelowOne) {
    const struct {
        int32_t width, height, scale;
    } areas[] = {
        {1024, 819, 1},   // 1280x1024 less a fifth
        {1536, 864, 1},   // 1920x1080: two would be 1200 high
        {2048, 1280, 2},  // 2560x1600
        {3072, 1728, 2},  // 3840x2160: three would be 2400 wide
        {2400, 1800, 3},  // exactly three
        {2399, 1800, 2},
        {640, 480, 1},    // smaller than the picture
    };
    for (const auto& area : areas)
        EXPECT_EQ(fittingScale(area.width, area.height, 800, 600), area.scale) << area.width << "x" << area.height;
}

TEST_F(DisplayService, opensOneSurfaceOf800By600InBlack) {
    const ScreenInfo info = screenInfo();
    EXPECT_EQ(info.width, 800);
    EXPECT_EQ(info.height, 600);
    EXPECT_EQ(info.pitch, 3200);
    ASSERT_NE(screenPixels(), nullptr);
    EXPECT_EQ(screenPixels()[0], 0xFF000000u);
    EXPECT_EQ(openScreen(12, 32, 0, 0, 0), 0);  // already open: the same screen
}

TEST_F(DisplayService, nestedLocksHoldTheDisplayUntilTheOutermostUnlock) {
    lockScreen();
    lockScreen();
    unlockScreen(10, 10);
    EXPECT_FALSE(presenterCanTakeTheLock());
    unlockScreen(500, 500);
    EXPECT_TRUE(presenterCanTakeTheLock());
}

TEST_F(DisplayService, presenterCopiesTheBandBetweenFirstAndLastChangedRowsInOneTransfer) {
    const std::size_t before = headless::transfers().size();
    lockScreen();
    screenPixels()[10 * 800 + 3] = 0x123456;
    screenPixels()[300 * 800 + 3] = 0x654321;  // inside the band, though never marked
    unlockScreen(10, 10);
    lockScreen();
    unlockScreen(500, 500);
    presenterCycle();
    ASSERT_EQ(headless::transfers().size(), before + 1);
    EXPECT_EQ(headless::transfers().back().firstRow, 10);
    EXPECT_EQ(headless::transfers().back().lastRow, 500);
    EXPECT_EQ(headless::windowPixels()[10 * 800 + 3], 0x123456u);
    EXPECT_EQ(headless::windowPixels()[300 * 800 + 3], 0x654321u);
    presenterCycle();
    EXPECT_EQ(headless::transfers().size(), before + 1);  // nothing changed since
}

// The presenter sleeps until woken, so every unlock that marks rows must wake it, and one that
// marks none must not (an idle editor's polls would keep it awake).
TEST_F(DisplayService, unlockMarksAllRowsForMinusOneAndNoneForAnEmptyRangeAndWakesThePresenterOnlyForRows) {
    lockScreen();
    unlockScreen(1, 0);
    presenterCycle();
    const std::size_t before = headless::transfers().size();
    const int wakes = headless::presenterWakes();
    lockScreen();
    unlockScreen(1, 0);
    presenterCycle();
    EXPECT_EQ(headless::transfers().size(), before);
    EXPECT_EQ(headless::presenterWakes(), wakes);
    EXPECT_TRUE(presenterCanTakeTheLock());

    lockScreen();
    unlockScreen(-1, -1);
    EXPECT_GT(headless::presenterWakes(), wakes);
    presenterCycle();
    ASSERT_EQ(headless::transfers().size(), before + 1);
    EXPECT_EQ(headless::transfers().back().firstRow, 0);
    EXPECT_EQ(headless::transfers().back().lastRow, 599);
}

TEST_F(DisplayService, unlockWithoutALockOnlyMarksRows) {
    unlockScreen(5, 6);
    EXPECT_TRUE(presenterCanTakeTheLock());
    presenterCycle();
    EXPECT_EQ(headless::transfers().back().firstRow, 5);
    EXPECT_EQ(headless::transfers().back().lastRow, 6);
}

// The idle main loop's sleep, as the presenter thread wakes it. A sleep that missed its wake
// would run its whole minute, far past the ten seconds allowed here.
TEST_F(DisplayService, idleSleepEndsAtThePollTimeAfterInputFromAnotherThread) {
    using namespace std::chrono;
    const auto feed = [](const std::function<void()>& enter) {
        std::lock_guard guard(platform::displayMutex());
        enter();
    };
    // Polls every 20 ms, a minute at most.
    const auto sleepForAMinute = [] {
        return std::async(std::launch::async, [] {
            const auto start = steady_clock::now();
            sleepThroughIdlePolls(20, 3000);
            return steady_clock::now() - start;
        });
    };
    const auto endsSoon = [](std::future<steady_clock::duration>& sleep) {
        return sleep.wait_for(seconds(10)) == std::future_status::ready;
    };
    const std::function<void()> inputs[] = {
        [] { inputFeed::enterKey('a'); },      [] { inputFeed::pointerMoved(5, 6); },
        [] { inputFeed::buttonDown(1); },      [] { inputFeed::buttonUp(1); },
        [] { inputFeed::wheelMoved(-1); },     [] { inputFeed::pointerInside(false); },
        [] { inputFeed::windowActive(true); }, [] { inputFeed::releaseAllButtons(); },
    };
    for (const auto& enter : inputs) {
        // Input that came before the sleep ends it at the first poll time...
        feed(enter);
        auto early = sleepForAMinute();
        ASSERT_TRUE(endsSoon(early));
        EXPECT_GE(early.get(), milliseconds(20));
        // ...and input that comes during it at the poll time after it, however late.
        auto during = sleepForAMinute();
        std::this_thread::sleep_for(milliseconds(50));
        feed(enter);
        ASSERT_TRUE(endsSoon(during));
        EXPECT_GE(during.get(), milliseconds(20));
    }
    // Once taken, input no longer cuts a sleep short: it lasts its polls.
    const auto start = steady_clock::now();
    sleepThroughIdlePolls(10, 3);
    EXPECT_GE(steady_clock::now() - start, milliseconds(30));
}

TEST(WindowTitle, isTheExecutableNameWithoutFolderAndLastExtension) {
    EXPECT_EQ(windowTitleFor("C:\\tools\\viewer.app.exe"), "viewer.app");
    EXPECT_EQ(windowTitleFor("/home/me/build/vxedit"), "vxedit");
    EXPECT_EQ(windowTitleFor("vxedit"), "vxedit");
}

TEST(NoDisplay, openScreenFailsWithAReasonAndNoSurface) {
    headless::reset(false);
    EXPECT_EQ(openScreen(19, 32, 0, 0, 0), 1);
    EXPECT_EQ(screenPixels(), nullptr);
    EXPECT_FALSE(screenOpenError().empty());
}

}  // namespace
}  // namespace vx
