// The key ring, the mouse state and the sleeps of the input service.
#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/cp437.h"
#include "platform/display.h"
#include "platform/headless/headless.h"
#include "platform/input.h"

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
