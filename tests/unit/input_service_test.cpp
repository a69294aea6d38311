// The key ring, the mouse state and the sleeps of the input service.
#include <gtest/gtest.h>

#include <vector>

#include "platform/console/arguments.h"
#include "platform/console/cp437.h"
#include "platform/console/display.h"
#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "platform/seam/input_feed.h"

namespace vx {
namespace {

class InputService : public testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        ASSERT_EQ(openScreen(19, 32, 0, 0, 0), 0);
    }
    static void deliver() { sleepMs(10); }  // one presenter cycle takes in the script
};

// A paste of a long path arrives in one presenter cycle; past 4096 keys the oldest go first.
TEST_F(InputService, aBurstOf4096KeysArrivesWholeAndInOrder) {
    std::string burst;
    for (int i = 0; i < 4096 + 3; ++i) burst += static_cast<char>('!' + i % 90);
    headless::type(burst);
    deliver();
    std::string read;
    for (std::string key = readKey(); !key.empty(); key = readKey()) read += key;
    EXPECT_EQ(read, burst.substr(3));
}

TEST_F(InputService, keysAreReadOneAtATimeOldestFirst) {
    headless::type("abc");
    deliver();
    EXPECT_TRUE(keyWaiting());
    EXPECT_EQ(readKey(), "a");
    EXPECT_EQ(readKey(), "b");
    EXPECT_EQ(readKey(), "c");
    EXPECT_EQ(readKey(), "");
    EXPECT_FALSE(keyWaiting());
}

TEST_F(InputService, extendedKeysAndTheCloseRequestAreTwoCharacterStrings) {
    headless::keyCode(extendedKey('H'));
    headless::requestClose();
    deliver();
    EXPECT_EQ(readKey(), std::string("\xFFH"));
    EXPECT_EQ(readKey(), std::string("\xFFk"));
}

TEST_F(InputService, mouseOutsideOrInactiveReportsMinusOneButKeepsTheWheel) {
    headless::moveMouse(100, 200);
    headless::turnWheel(3);
    deliver();
    MouseState mouse = readMouse();
    EXPECT_EQ(mouse.x, 100);
    EXPECT_EQ(mouse.y, 200);
    EXPECT_EQ(mouse.wheel, 3);

    headless::leaveWindow();
    headless::turnWheel(-1);
    deliver();
    mouse = readMouse();
    EXPECT_EQ(mouse.x, -1);
    EXPECT_EQ(mouse.y, -1);
    EXPECT_EQ(mouse.wheel, -1);
    EXPECT_EQ(mouse.buttons, -1);
    EXPECT_EQ(mouse.clip, -1);

    headless::moveMouse(5, 6);
    deliver();
    EXPECT_EQ(readMouse().wheel, 2);

    headless::setActive(false);
    deliver();
    EXPECT_EQ(readMouse().x, -1);
}

TEST_F(InputService, dragPastTheWindowEdgeCountsAsOutside) {
    headless::moveMouse(10, 10);
    deliver();
    inputFeed::pointerMoved(800, 10);  // captured pointer beyond the right edge
    EXPECT_EQ(readMouse().x, -1);
}

TEST_F(InputService, clickShorterThanAPollIsReportedDownOnce) {
    headless::moveMouse(10, 10);
    headless::pressButton(1);
    headless::releaseButton(1);
    deliver();
    EXPECT_EQ(readMouse().buttons, 1);
    EXPECT_EQ(readMouse().buttons, 0);
}

// In full screen the surface sits in a black border: a click there is no click on the picture,
// not even once the pointer moves onto it.
TEST_F(InputService, aClickOffTheSurfaceIsNotLatchedForLater) {
    headless::moveMouse(900, 700);
    headless::pressButton(1);
    headless::releaseButton(1);
    headless::moveMouse(100, 100);
    deliver();
    EXPECT_EQ(readMouse().buttons, 0);
}

TEST_F(InputService, buttonLetGoBetweenPollsIsReadHeldOnceMoreWhereItWasLetGo) {
    headless::moveMouse(10, 10);
    headless::pressButton(1);
    deliver();
    EXPECT_EQ(readMouse().buttons, 1);
    headless::moveMouse(90, 40);
    headless::releaseButton(1);
    deliver();
    const MouseState last = readMouse();
    EXPECT_EQ(last.buttons, 1);
    EXPECT_EQ(last.x, 90);
    EXPECT_EQ(readMouse().buttons, 0);
}

// Every change is read once, oldest first, at its own place and with the modifiers of its moment.
TEST_F(InputService, changesAreReadOneAPollWithTheirOwnPositionAndModifiers) {
    headless::moveMouse(10, 10);
    headless::holdModifiers(shiftModifier);
    headless::pressButton(1);
    headless::holdModifiers(shiftModifier | ctrlModifier);
    headless::releaseButton(1);
    headless::moveMouse(20, 30);
    headless::pressButton(2);
    headless::holdModifiers(0);
    headless::moveMouse(40, 50);
    deliver();
    const MouseState reads[] = {readMouse(), readMouse(), readMouse(), readMouse()};
    const int32_t expected[][4] = {{10, 10, 1, shiftModifier},
                                   {10, 10, 0, shiftModifier | ctrlModifier},
                                   {20, 30, 2, shiftModifier | ctrlModifier},
                                   {40, 50, 2, 0}};  // no change waits: the pointer now
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(reads[i].x, expected[i][0]) << "read " << i;
        EXPECT_EQ(reads[i].y, expected[i][1]) << "read " << i;
        EXPECT_EQ(reads[i].buttons, expected[i][2]) << "read " << i;
        EXPECT_EQ(reads[i].modifiers, expected[i][3]) << "read " << i;
    }
}

// Left and right are held when a burst far past the ring comes in: left is let go first, then
// 300 middle clicks, then right. The oldest clicks go; both releases and the newest clicks stay.
TEST_F(InputService, aBurstPastTheRingLosesItsOldestClicksButNoReleaseOfAHeldButton) {
    headless::moveMouse(1, 1);
    headless::pressButton(1);
    headless::pressButton(2);
    deliver();
    readMouse();
    EXPECT_EQ(readMouse().buttons, 3);
    headless::moveMouse(3, 3);
    headless::releaseButton(1);
    for (int32_t i = 0; i < 300; ++i) {
        headless::moveMouse(i, 100);
        headless::pressButton(4);
        headless::releaseButton(4);
    }
    headless::releaseButton(2);
    deliver();
    std::vector<MouseState> reads;
    for (MouseState read = readMouse(); reads.size() < 1000; read = readMouse()) {
        if (!reads.empty() && read.buttons == reads.back().buttons && read.x == reads.back().x) break;
        reads.push_back(read);
    }
    ASSERT_GE(reads.size(), 250u);
    EXPECT_LE(reads.size(), 258u);
    EXPECT_EQ(reads[0].buttons, 3) << "held where it was let go";
    EXPECT_EQ(reads[0].x, 3);
    EXPECT_EQ(reads[1].buttons, 2);
    for (std::size_t i = 2; i + 1 < reads.size(); ++i) {
        EXPECT_EQ(reads[i].buttons, i % 2 == 0 ? 6 : 2) << "read " << i;
        EXPECT_EQ(reads[i].x, 299 - static_cast<int32_t>(reads.size() - 2 - i) / 2) << "read " << i;
    }
    EXPECT_EQ(reads.back().buttons, 0);
}

TEST_F(InputService, sleepsCostVirtualTimeOnly) {
    const int64_t start = headless::nowMs();
    sleepMs(60);
    EXPECT_EQ(headless::nowMs() - start, 60);
    sleepMs(0);
    EXPECT_EQ(headless::nowMs() - start, 60);
}

TEST_F(InputService, longSleepEndsEarlyOnAKey) {
    headless::type("a");
    const int64_t start = headless::nowMs();
    sleepMs(1000);
    EXPECT_LT(headless::nowMs() - start, 200);
}

TEST(CodePage437, unicodeCharactersMapToTheirCodes) {
    EXPECT_EQ(cp437FromUnicode(U'a'), 'a');
    EXPECT_EQ(cp437FromUnicode(U'\u00E9'), 0x82);  // e acute
    EXPECT_EQ(cp437FromUnicode(U'\u00A0'), 0xFF);
    EXPECT_EQ(cp437FromUnicode(U'\u20AC'), -1);  // no euro sign in the page

    const std::string text = "a\xC3\xA9\xE2\x94\x80";  // a, e acute, box horizontal
    std::size_t position = 0;
    char32_t codePoint = 0;
    std::vector<int32_t> codes;
    while (nextCodePoint(text, position, codePoint)) codes.push_back(cp437FromUnicode(codePoint));
    EXPECT_EQ(codes, (std::vector<int32_t>{'a', 0x82, 0xC4}));
}

TEST(CommandLine, argumentsAreJoinedWithSingleSpaces) {
    const char* argv[] = {"/usr/bin/vxedit", "pic", "1.bmp"};
    initPlatform(3, argv);
    EXPECT_EQ(commandLine(), "pic 1.bmp");
    initPlatform(1, argv);
    EXPECT_EQ(commandLine(), "");
}

}  // namespace
}  // namespace vx
