// The text service: a grid of 100 x 37 cells of 8 x 16 pixels drawn over the display surface.
#include "platform/console/text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/console/display.h"
#include "platform/console/font_8x16.h"
#include "platform/seam/backend.h"

namespace vx {
namespace {

constexpr int textColumns = 100;
constexpr int textRows = 37;  // pixel rows 592-599 below the grid are never touched by text
constexpr int tabWidth = 8;
constexpr uint32_t openingForeground = 0xFFFFFFFFu;
constexpr uint32_t openingBackground = 0xFF000000u;
constexpr int errorBadPosition = 5;  // recorded by a locate outside the grid

struct TextState {
    int row = 1;  // may pass textRows only inside a print, before the scroll that follows
    int column = 1;
    uint32_t foreground = openingForeground;
    uint32_t background = openingBackground;
    bool scrollPending = false;  // a glyph in the last cell wrapped; the next print scrolls first
    int errorNumber = 0;         // recorded for a bad locate; nothing reads it
    int64_t rowsScrolled = 0;
};

TextState& textState() {
    static TextState instance;
    return instance;
}

// The surface one print call draws on and the band of pixel rows it touched.
struct Canvas {
    uint32_t* pixels;
    int width;
    int firstChanged = INT_MAX;
    int lastChanged = -1;

    void touched(int first, int last) {
        firstChanged = std::min(firstChanged, first);
        lastChanged = std::max(lastChanged, last);
    }
};

void drawGlyph(Canvas& canvas, const TextState& t, uint8_t code) {
    const int left = (t.column - 1) * glyphWidth;
    const int top = (t.row - 1) * glyphHeight;
    for (int y = 0; y < glyphHeight; ++y) {
        uint32_t* out = canvas.pixels + static_cast<std::size_t>(top + y) * static_cast<std::size_t>(canvas.width) +
                        static_cast<std::size_t>(left);
        const unsigned bits = font8x16[code][y];
        for (int x = 0; x < glyphWidth; ++x) out[x] = (bits & (0x80u >> x)) != 0 ? t.foreground : t.background;
    }
    canvas.touched(top, top + glyphHeight - 1);
}

void scrollUp(Canvas& canvas, TextState& t, int rows) {
    t.rowsScrolled += rows;
    rows = std::min(rows, textRows);
    const std::size_t rowWords = static_cast<std::size_t>(canvas.width) * glyphHeight;
    const std::size_t keptWords = rowWords * static_cast<std::size_t>(textRows - rows);
    std::memmove(canvas.pixels, canvas.pixels + rowWords * static_cast<std::size_t>(rows),
                 keptWords * sizeof(uint32_t));
    std::fill(canvas.pixels + keptWords, canvas.pixels + rowWords * textRows, t.background);
    canvas.touched(0, textRows * glyphHeight - 1);
}

// Brings a cursor that went below the grid back to the last row, scrolling the text up.
void scrollCursorBack(Canvas& canvas, TextState& t) {
    if (t.row <= textRows) return;
    scrollUp(canvas, t, t.row - textRows);
    t.row = textRows;
}

void putGlyph(Canvas& canvas, TextState& t, uint8_t code) {
    scrollCursorBack(canvas, t);
    drawGlyph(canvas, t, code);
    if (++t.column > textColumns) {
        t.column = 1;
        ++t.row;
    }
}

// Acts on one byte; true when it drew a glyph.
bool putByte(Canvas& canvas, TextState& t, uint8_t code) {
    switch (code) {
        case 7:
            backend::beep();
            return false;
        case 8:
            t.column = std::max(t.column - 1, 1);
            return false;
        case 9:
            do putGlyph(canvas, t, ' ');
            while ((t.column - 1) % tabWidth != 0);
            return false;
        case 10:
            t.column = 1;
            ++t.row;
            return false;
        case 13:
            t.column = 1;
            return false;
        default:
            putGlyph(canvas, t, code);
            return true;
    }
}

// Past the last row: the cursor waits in the last cell and the next print scrolls.
void parkBelowLastRow(TextState& t) {
    if (t.row <= textRows) return;
    t.row = textRows;
    t.column = textColumns;
    t.scrollPending = true;
}

void printText(Canvas& canvas, TextState& t, std::string_view bytes) {
    if (t.scrollPending) {
        t.scrollPending = false;
        t.column = 1;
        ++t.row;
        scrollCursorBack(canvas, t);
    }
    bool endedWithGlyph = false;
    for (const char c : bytes) endedWithGlyph = putByte(canvas, t, static_cast<uint8_t>(c));
    if (t.row <= textRows) return;
    if (!endedWithGlyph) {
        scrollCursorBack(canvas, t);
        return;
    }
    // A glyph in the very last cell: park the cursor there and let the next print scroll, so a
    // full last row does not push the screen up unless something follows it.
    parkBelowLastRow(t);
}

// A text that fits, as every help line does, is drawn as it is: a pass allocates nothing.
void putRow(Canvas& canvas, TextState& t, std::string_view text) {
    constexpr auto width = static_cast<std::size_t>(textColumns);
    const std::string cut = text.size() > width ? keepEnd(text, width) : std::string();
    if (!cut.empty()) text = cut;
    t.column = 1;
    for (const char c : text) putGlyph(canvas, t, static_cast<uint8_t>(c));
    for (std::size_t cells = text.size(); cells < width; ++cells) putGlyph(canvas, t, ' ');
    parkBelowLastRow(t);
}

// Runs one drawing job on the surface under the display lock and marks what it touched.
template <typename Job>
void onSurface(Job job) {
    uint32_t* pixels = screenPixels();
    if (pixels == nullptr) return;
    lockScreen();
    Canvas canvas{pixels, platform::screenWidth()};
    job(canvas);
    if (canvas.lastChanged >= 0) platform::markRowsChanged(canvas.firstChanged, canvas.lastChanged);
    unlockScreen(1, 0);
}

// Exponent form: one digit, the point, the other digits without trailing zeros, e, sign, 3 digits.
std::size_t exponentForm(char* out, const char* digits, int exponent) {
    std::size_t n = 0;
    out[n++] = digits[0];
    out[n++] = '.';
    int last = 6;
    while (last > 0 && digits[last] == '0') --last;
    for (int i = 1; i <= last; ++i) out[n++] = digits[i];
    const int magnitude = std::abs(exponent);
    out[n++] = 'e';
    out[n++] = exponent < 0 ? '-' : '+';
    out[n++] = static_cast<char>('0' + magnitude / 100);
    out[n++] = static_cast<char>('0' + magnitude / 10 % 10);
    out[n++] = static_cast<char>('0' + magnitude % 10);
    return n;
}

// Decimal form of 7 digits whose first stands for 10^exponent (exponent -1 to 6), without
// trailing zeros after the point and without a point left last.
std::size_t decimalForm(char* out, const char* digits, int exponent) {
    std::size_t n = 0;
    if (exponent < 0) out[n++] = '0';
    const int beforePoint = exponent < 0 ? 0 : exponent + 1;
    for (int i = 0; i < beforePoint; ++i) out[n++] = digits[i];
    int last = 6;
    while (last >= beforePoint && digits[last] == '0') --last;
    if (last < beforePoint) return n;
    out[n++] = '.';
    for (int i = beforePoint; i <= last; ++i) out[n++] = digits[i];
    return n;
}

}  // namespace

namespace platform {

void resetTextState() { textState() = TextState{}; }

TextCell textCursor() { return {textState().row, textState().column}; }

int64_t textRowsScrolled() { return textState().rowsScrolled; }

void scrollText(int rows) {
    if (rows <= 0) return;
    onSurface([rows](Canvas& canvas) { scrollUp(canvas, textState(), rows); });
}

void drawCursorMark(int row, int column) {
    if (row < 1 || row > textRows || column < 1 || column > textColumns) return;
    onSurface([row, column](Canvas& canvas) {
        const int y = row * glyphHeight - 1;
        uint32_t* out = canvas.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                        static_cast<std::size_t>((column - 1) * glyphWidth);
        std::fill(out, out + glyphWidth, textState().foreground);
        canvas.touched(y, y);
    });
}

}  // namespace platform

void setColor(uint32_t foreground, uint32_t background, int flags) {
    TextState& t = textState();
    if ((flags & 1) == 0) t.foreground = foreground;
    if ((flags & 2) == 0) t.background = background;
}

void locate(int row, int column, int /*cursorVisible*/) {
    TextState& t = textState();
    const bool rowOk = row == 0 || (row >= 1 && row <= textRows);
    const bool columnOk = column == 0 || (column >= 1 && column <= textColumns);
    if (!rowOk || !columnOk) {
        t.errorNumber = errorBadPosition;
        return;
    }
    if (row != 0) t.row = row;
    if (column != 0) t.column = column;
    t.scrollPending = false;
}

void printString(std::string_view text, int ending) {
    onSurface([text, ending](Canvas& canvas) {
        printText(canvas, textState(), text);
        if (ending == 1) printText(canvas, textState(), "\r\n");
    });
}

std::string keepEnd(std::string_view text, std::size_t cells) {
    if (text.size() <= cells) return std::string(text);
    if (cells <= rowCutMark.size()) return std::string(rowCutMark.substr(0, cells));
    return std::string(rowCutMark).append(text.substr(text.size() - (cells - rowCutMark.size())));
}

int printRow(int row, std::string_view text) {
    TextState& t = textState();
    if (row < 0 || row > textRows) {
        t.errorNumber = errorBadPosition;
        return t.row;
    }
    int printedOn = row;
    onSurface([&](Canvas& canvas) {
        if (row != 0) {
            t.row = row;
            t.scrollPending = false;
        }
        printText(canvas, t, {});  // a pending scroll first: the cursor's row is the next one
        printedOn = t.row;
        putRow(canvas, t, text);
    });
    return printedOn;
}

void printInteger(int32_t value, int ending) { printString(formatInteger(value), ending); }

void printSingle(float value, int ending) { printString(formatSingle(value), ending); }

std::string spaces(int count) { return count > 0 ? std::string(static_cast<std::size_t>(count), ' ') : std::string(); }

std::string formatInteger(int32_t value) {
    char text[16];
    char* start = text;
    if (value >= 0) *start++ = ' ';
    const auto result = std::to_chars(start, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string formatSingle(float value) {
    if (std::isnan(value)) return " nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : " inf";
    if (value == 0.0f) return " 0";
    // Seven significant digits, rounded once; the exponent is that of the rounded value, so
    // 9999999.5 counts as 1e7 and 0.09999999 as 0.1.
    char scientific[32];
    std::snprintf(scientific, sizeof scientific, "%.6e", static_cast<double>(value));
    const char* mantissa = scientific[0] == '-' ? scientific + 1 : scientific;
    const char digits[7] = {mantissa[0], mantissa[2], mantissa[3], mantissa[4], mantissa[5], mantissa[6], mantissa[7]};
    const int exponent = static_cast<int>(std::strtol(mantissa + 9, nullptr, 10));
    char text[32];
    text[0] = value < 0 ? '-' : ' ';
    const std::size_t length = exponent >= -1 && exponent <= 6 ? decimalForm(text + 1, digits, exponent)
                                                               : exponentForm(text + 1, digits, exponent);
    return std::string(text, length + 1);
}

}  // namespace vx
