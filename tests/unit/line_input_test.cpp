// The line editor of promptLine and the field rule of takeToken.
#include <gtest/gtest.h>

#include "platform/console/display.h"
#include "platform/console/input.h"
#include "platform/console/line_input.h"
#include "platform/console/text.h"
#include "platform/headless/headless.h"
#include "platform/seam/input_feed.h"
#include "support/screen_text.h"

namespace vx {
namespace {

constexpr int32_t left = extendedKey('K');
constexpr int32_t right = extendedKey('M');
constexpr int32_t home = extendedKey('G');
constexpr int32_t end = extendedKey('O');
constexpr int32_t up = extendedKey('H');
constexpr int32_t down = extendedKey('P');
constexpr int32_t del = extendedKey('S');

class LineInput : public testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        ASSERT_EQ(openScreen(19, 32, 0, 0, 0), 0);
    }
    // Runs the line editor on the keys scripted so far and takes the first field.
    static std::string field() {
        promptLine("", true, true);
        return takeToken();
    }
    static std::string fieldOf(std::string_view typed) {
        headless::type(typed);
        headless::type("\r");
        return field();
    }
    static void keys(std::initializer_list<int32_t> codes) {
        for (const int32_t code : codes) headless::keyCode(code);
    }
    static std::string row(int r) { return test::textRow(screenPixels(), r); }
    static std::string line(int r) {
        std::string text = row(r);
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    }
};

TEST_F(LineInput, editingKeysInsertDeleteAndMoveWithinTheLine) {
    headless::type("ab");
    keys({left, 'X', '\r'});
    EXPECT_EQ(field(), "aXb");
    headless::type("abc");
    keys({home, 'X', end, 'Y', '\r'});
    EXPECT_EQ(field(), "XabcY");
    headless::type("abc");
    keys({left, left, del, right, right, 'Z', home, left, '\b', '\r'});
    EXPECT_EQ(field(), "acZ");
    EXPECT_EQ(fieldOf("ab\bc"), "ac");
    EXPECT_EQ(fieldOf("ab\033cd"), "cd");
    EXPECT_EQ(fieldOf(""), "");
    EXPECT_EQ(fieldOf("\x82\xFF"), "\x82\xFF");  // characters above 127, 255 included
    EXPECT_EQ(headless::beeps(), 0);
}

TEST_F(LineInput, otherControlCharactersAndExtendedKeysAreIgnored) {
    keys({1, 'a', extendedKey(59), extendedKey(0x73), 0x1F, 'b'});
    headless::requestClose();
    keys({'\n'});  // character 10 finishes the line like Enter
    EXPECT_EQ(field(), "ab");
}

TEST_F(LineInput, deleteAtTheEndOfTheLineBeepsInsteadOfDeleting) {
    headless::type("ab");
    keys({del, left, del, '\r'});
    EXPECT_EQ(field(), "a");
    EXPECT_EQ(headless::beeps(), 1);
}

TEST_F(LineInput, tabInsertsSpacesToTheNextMultipleOfEight) {
    EXPECT_EQ(fieldOf("ab\tc"), "ab      c");
    EXPECT_EQ(fieldOf("abcdefgh\tc"), "abcdefgh        c");
    headless::type("abcd");
    keys({home, 'x', '\t', '\r'});
    EXPECT_EQ(field(), "x       abcd");
}

TEST_F(LineInput, upAndDownMoveOneRowOfCharactersOnlyWhereTheLineReaches) {
    headless::typeOneByOne(std::string(150, 'a'));
    keys({up, 'X', down, 'Y', down, 'Z', home, up, 'W', '\r'});
    EXPECT_EQ(field(), "W" + std::string(50, 'a') + "X" + std::string(100, 'a') + "YZ");
}

TEST_F(LineInput, aFieldEndsAtACommaUnlessQuotedAndLeadingBlanksAreSkipped) {
    EXPECT_EQ(fieldOf("a,b"), "a");
    EXPECT_EQ(fieldOf("\"a,b\""), "a,b");
    EXPECT_EQ(fieldOf("   "), "");
    EXPECT_EQ(fieldOf(" \t a b  ,c"), "a b  ");
    EXPECT_EQ(fieldOf("a\"b"), "a\"b");
    EXPECT_EQ(fieldOf("\"a b"), "a b");
    EXPECT_EQ(fieldOf("\"a\"b,c"), "a");
    EXPECT_EQ(takeToken(), "");  // the rest of the line was discarded
}

TEST_F(LineInput, aFieldIsCutAt4096Characters) {
    // "a", then tabs up to 4096 characters, then two more: the last two are cut off.
    headless::type("a");
    headless::typeOneByOne(std::string(512, '\t'));
    headless::type("bc\r");
    const std::string token = field();
    EXPECT_EQ(token, "a" + std::string(4095, ' '));
}

TEST_F(LineInput, showsThePromptAndTheLineAndEndsOnTheNextRow) {
    printString("save to file:", 0);
    headless::type("name\r");
    promptLine("", true, true);
    printString("z", 0);
    EXPECT_EQ(line(1), "save to file:? name");
    EXPECT_EQ(line(2), "z");
    EXPECT_EQ(takeToken(), "name");
}

TEST_F(LineInput, editsRedrawTheRestOfTheLineAcrossTheWrap) {
    locate(5, 95);
    headless::typeOneByOne("abcdefghij");
    keys({home, 'X', end, '\b', '\b', '\r'});
    promptLine("", true, false);
    EXPECT_EQ(row(5).substr(94), "? Xabc");
    EXPECT_EQ(line(6), "defgh");
    printString("|", 0);
    EXPECT_EQ(line(6), "defgh|");  // the cursor ends after the line
}

TEST_F(LineInput, aLineRunningPastTheLastRowScrollsAndIsStillEditedInPlace) {
    locate(10, 1);
    printString("marker", 0);
    locate(37, 90);
    headless::typeOneByOne("abcdefghijklmno");
    keys({home, 'X', '\r'});
    promptLine("", false, false);
    EXPECT_EQ(line(9), "marker");
    EXPECT_EQ(row(36).substr(89), "Xabcdefghij");
    EXPECT_EQ(line(37), "klmno");
    EXPECT_EQ(takeToken(), "Xabcdefghijklmno");
}

TEST_F(LineInput, theCursorMarkUnderlinesTheInsertionPointWhileWaiting) {
    setColor(0x00FF00, 0x000000);
    headless::type("abc");
    keys({left});
    EXPECT_THROW(promptLine("", true, true), headless::InputStarved);
    const uint32_t* pixels = screenPixels();
    const auto at = [pixels](int x, int y) {
        return pixels[static_cast<std::size_t>(y) * 800 + static_cast<std::size_t>(x)];
    };
    for (int x = 32; x < 40; ++x) EXPECT_EQ(at(x, 15), 0x00FF00u) << x;  // under "c", column 5
    for (int x = 40; x < 48; ++x) EXPECT_EQ(at(x, 15), 0x000000u) << x;  // the old mark is gone
    EXPECT_EQ(row(1).substr(0, 6), "? ab? ");
}

}  // namespace
}  // namespace vx
