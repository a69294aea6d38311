// Text output: number formats, the cursor's wrap, scroll and pending scroll, control bytes, cells.
#include <gtest/gtest.h>

#include <climits>
#include <limits>

#include "platform/console/display.h"
#include "platform/console/font_8x16.h"
#include "platform/console/text.h"
#include "platform/headless/headless.h"
#include "platform/seam/presenter.h"
#include "support/screen_text.h"

namespace vx {
namespace {

using test::textLine;
using test::textRow;

TEST(NumberFormat, integersCarryASpaceOrAMinusSign) {
    EXPECT_EQ(formatInteger(0), " 0");
    EXPECT_EQ(formatInteger(600), " 600");
    EXPECT_EQ(formatInteger(-1), "-1");
    EXPECT_EQ(formatInteger(2147483647), " 2147483647");
    EXPECT_EQ(formatInteger(INT32_MIN), "-2147483648");
}

TEST(NumberFormat, singlesKeepSevenDigitsWithoutTrailingZerosOrPoint) {
    EXPECT_EQ(formatSingle(0.0f), " 0");
    EXPECT_EQ(formatSingle(-0.0f), " 0");
    EXPECT_EQ(formatSingle(200.0f), " 200");
    EXPECT_EQ(formatSingle(-37.0f), "-37");
    EXPECT_EQ(formatSingle(0.5f), " 0.5");
    EXPECT_EQ(formatSingle(-0.5f), "-0.5");
    EXPECT_EQ(formatSingle(1234.5678f), " 1234.568");
    EXPECT_EQ(formatSingle(0.1f), " 0.1");
    EXPECT_EQ(formatSingle(0.1234567f), " 0.1234567");
    EXPECT_EQ(formatSingle(9999999.0f), " 9999999");
}

TEST(NumberFormat, singlesOutsideTheDecimalRangeUseAThreeDigitExponent) {
    EXPECT_EQ(formatSingle(12345678.0f), " 1.234568e+007");
    EXPECT_EQ(formatSingle(10000000.0f), " 1.e+007");
    EXPECT_EQ(formatSingle(-10000000.0f), "-1.e+007");
    EXPECT_EQ(formatSingle(2147483647.0f), " 2.147484e+009");
    EXPECT_EQ(formatSingle(0.0123f), " 1.23e-002");
    EXPECT_EQ(formatSingle(0.099999994f), " 9.999999e-002");
    EXPECT_EQ(formatSingle(std::numeric_limits<float>::denorm_min()), " 1.401298e-045");
    EXPECT_EQ(formatSingle(std::numeric_limits<float>::max()), " 3.402823e+038");
}

// No single lies close enough below a power of ten to round up to it at seven digits, so
// the form must follow from the exponent of the digits actually printed.
TEST(NumberFormat, valuesJustBelowAPowerOfTenKeepTheirNines) {
    EXPECT_EQ(formatSingle(999999.94f), " 999999.9");
    EXPECT_EQ(formatSingle(0.99999994f), " 0.9999999");
    EXPECT_EQ(formatSingle(99999992.0f), " 9.999999e+007");
    EXPECT_EQ(formatSingle(9999999.5f), " 1.e+007");  // the literal itself is stored as 1e7
}

class TextOutput : public testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        ASSERT_EQ(openScreen(19, 32, 0, 0, 0), 0);
    }
    // What the surface shows now, before any presenter cycle.
    static std::string row(int r) { return textRow(screenPixels(), r); }
    static std::string line(int r) {
        std::string text = row(r);
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    }
    static uint32_t pixel(int x, int y) {
        return screenPixels()[static_cast<std::size_t>(y) * 800 + static_cast<std::size_t>(x)];
    }
    static void fillRow(int r, char c) {
        locate(r, 1);
        printString(std::string(99, c), 0);  // stops short of the last cell: nothing wraps or scrolls
    }
};

TEST_F(TextOutput, startsWhiteOnBlackAtTheTopLeftAndReachesTheWindowAfterAPresenterCycle) {
    printInteger(-37, 0);
    printSingle(0.5f, 1);
    printString("x", 0);
    EXPECT_EQ(line(1), "-37 0.5");
    EXPECT_EQ(line(2), "x");
    EXPECT_EQ(textLine(1), "");
    presenterCycle();
    EXPECT_EQ(textLine(1), "-37 0.5");
    EXPECT_EQ(headless::transfers().back().firstRow, 0);
    EXPECT_EQ(headless::transfers().back().lastRow, 31);
}

TEST_F(TextOutput, everyPrintableCharacterHasAGlyphOfItsOwnAndCodeZeroIsBlank) {
    std::string printable;
    for (char c = ' '; c <= '~'; ++c) printable += c;
    locate(7, 1);
    printString(printable, 0);
    EXPECT_EQ(row(7).substr(0, printable.size()), printable);
    for (const int code : {0x07, 0x0E}) {
        int lit = 0;
        for (const uint8_t bits : font8x16[code]) lit += bits != 0;
        EXPECT_GT(lit, 0) << code;
    }
    for (const uint8_t bits : font8x16[0]) EXPECT_EQ(bits, 0);
}

TEST_F(TextOutput, cellsAreOpaqueInTheCurrentColoursAndBlanksLeaveTheRestOfTheRow) {
    fillRow(5, '#');
    setColor(0x000000, 0x888888);
    locate(5, 2);
    printString(" File ", 0);
    EXPECT_EQ(textRow(screenPixels(), 5).substr(0, 8), "# File #");
    EXPECT_EQ(test::textRowIn(screenPixels(), 5, 0x000000, 0x888888).substr(1, 6), " File ");
    EXPECT_EQ(pixel(8, 64), 0x888888u);
    EXPECT_EQ(pixel(55, 79), 0x888888u);
    setColor(0xAAAAAA, 0x000000);
    locate(5, 1);
    printString(spaces(78), 0);
    EXPECT_EQ(row(5), std::string(78, ' ') + std::string(21, '#') + " ");
    setColor(0x123456, 0, 2);  // keeps the background
    setColor(0, 0x00FF00, 1);  // keeps the foreground
    locate(6, 1);
    printString("-", 0);
    EXPECT_EQ(pixel(0, 80), 0x00FF00u);
    EXPECT_EQ(test::textRowIn(screenPixels(), 6, 0x123456, 0x00FF00)[0], '-');
}

TEST_F(TextOutput, wrapsAfterColumn100) {
    locate(2, 1);
    printString(std::string(100, 'a') + "b", 0);
    EXPECT_EQ(row(2), std::string(100, 'a'));
    EXPECT_EQ(line(3), "b");
}

TEST_F(TextOutput, aNewLineOnTheLastRowScrollsOnceAndTheRowsBelowTheGridStayUntouched) {
    screenPixels()[595 * 800 + 10] = 0x0000FF;
    fillRow(5, '5');
    fillRow(36, 'y');
    locate(37, 1);
    printString("last", 1);
    EXPECT_EQ(line(4), std::string(99, '5'));
    EXPECT_EQ(line(35), std::string(99, 'y'));
    EXPECT_EQ(line(36), "last");
    EXPECT_EQ(line(37), "");
    printString("next", 0);
    EXPECT_EQ(line(37), "next");  // the cursor stayed at column 1 of row 37
    EXPECT_EQ(pixel(10, 595), 0x0000FFu);
}

TEST_F(TextOutput, aNewLineOnRow36ScrollsNothing) {
    fillRow(1, '1');
    locate(36, 1);
    printString(" Polys ", 1);
    printString("z", 0);
    EXPECT_EQ(line(1), std::string(99, '1'));
    EXPECT_EQ(line(37), "z");
}

TEST_F(TextOutput, aFullLastRowScrollsOnlyWhenTheNextPrintFollowsWithoutALocate) {
    fillRow(1, '1');
    locate(37, 1);
    printString(std::string(100, 'L'), 0);
    EXPECT_EQ(line(1), std::string(99, '1'));
    EXPECT_EQ(row(37), std::string(100, 'L'));
    printString("z", 0);
    EXPECT_EQ(line(1), "");  // row 1 scrolled off; row 2 was blank
    EXPECT_EQ(row(36), std::string(100, 'L'));
    EXPECT_EQ(line(37), "z");
}

TEST_F(TextOutput, aLocateAfterAFullLastRowCancelsTheScroll) {
    fillRow(1, '1');
    locate(37, 1);
    printString(std::string(100, 'L'), 0);
    locate(2, 1);
    printString("b", 0);
    printString("c", 0);
    EXPECT_EQ(line(1), std::string(99, '1'));
    EXPECT_EQ(line(2), "bc");
    EXPECT_EQ(row(37), std::string(100, 'L'));
}

TEST_F(TextOutput, theNewLineEndingAfterAFullLastRowScrollsForThePendingWrapAndForItsLineFeed) {
    fillRow(1, '1');
    fillRow(2, '2');
    fillRow(3, '3');
    locate(37, 1);
    printString(std::string(100, 'L'), 1);
    EXPECT_EQ(line(1), std::string(99, '3'));
    EXPECT_EQ(row(35), std::string(100, 'L'));
}

TEST_F(TextOutput, tabsDrawAtLeastOneSpaceUpToTheNextStopEveryEightColumns) {
    fillRow(4, '#');
    locate(4, 1);
    printString("a\tb\tc", 0);
    EXPECT_EQ(line(4).substr(0, 20), "a       b       c###");
    locate(5, 97);
    printString("\tx", 0);
    EXPECT_EQ(line(6), "x");
    EXPECT_EQ(row(5).substr(96), "    ");
}

TEST_F(TextOutput, controlBytesMoveTheCursorAndTheBellBeepsWithoutDrawing) {
    locate(3, 1);
    printString("abc\b\bX\r>\x07", 0);
    EXPECT_EQ(line(3), ">Xc");
    EXPECT_EQ(headless::beeps(), 1);
    locate(4, 1);
    printString("\b\bq\nr", 0);
    EXPECT_EQ(line(4), "q");
    EXPECT_EQ(line(5), "r");
    locate(6, 1);
    printString(std::string("\x01\x7F\x9C", 3), 0);  // other control codes and 127-255 are glyphs
    EXPECT_EQ(row(6).substr(0, 3), std::string("\x01\x7F\x9C", 3));
}

TEST_F(TextOutput, locateOutsideTheGridLeavesTheCursorAndZeroKeepsACoordinate) {
    locate(10, 20);
    locate(38, 1);
    locate(1, 101);
    locate(0, 0);
    printString("a", 0);
    locate(0, 30);
    printString("b", 0);
    EXPECT_EQ(row(10).substr(19, 11), "a         b");
}

// A row printed whole leaves nothing of a longer earlier text and never runs into the next row,
// whatever its length or bytes; a cut keeps the end, where a path names its file.
TEST_F(TextOutput, aWholeRowIsClearedToItsEndAndCutToFitKeepingItsEnd) {
    fillRow(3, '#');
    fillRow(4, '4');
    EXPECT_EQ(printRow(3, "short"), 3);
    EXPECT_EQ(row(3), "short" + std::string(95, ' '));
    printString("next", 0);  // the cursor went to the start of row 4
    EXPECT_EQ(line(4).substr(0, 6), "next44");
    std::string longText;
    for (int i = 0; i < 130; ++i) longText += static_cast<char>('a' + i % 26);
    printRow(3, longText);
    EXPECT_EQ(row(3), std::string(rowCutMark) + longText.substr(33));
    EXPECT_EQ(keepEnd("abcdef", 6), "abcdef");
    EXPECT_EQ(keepEnd("abcdefg", 6), std::string(rowCutMark) + "efg");
    EXPECT_EQ(keepEnd("abcdefg", 2), rowCutMark.substr(0, 2));
    EXPECT_EQ(line(4).substr(0, 6), "next44");
    printRow(3, std::string("a\nb\tc\rd\x07", 9));  // one cell a byte: nothing moves, nothing beeps
    EXPECT_EQ(headless::beeps(), 0);
    EXPECT_EQ(line(4).substr(0, 6), "next44");
    locate(4, 7);
    EXPECT_EQ(printRow(0, "on the cursor's row"), 4);
    EXPECT_EQ(line(4), "on the cursor's row");
    fillRow(1, '1');
    printRow(37, std::string(100, 'L'));  // the last row: no scroll until something follows
    EXPECT_EQ(line(1), std::string(99, '1'));
    EXPECT_EQ(row(37), std::string(100, 'L'));
}

}  // namespace
}  // namespace vx
