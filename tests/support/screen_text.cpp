// Reads the text grid back from pixels by matching each 8x16 cell against the font.
#include "support/screen_text.h"

#include <array>
#include <map>

#include "platform/console/font_8x16.h"
#include "platform/headless/headless.h"

namespace vx::test {
namespace {

constexpr int surfaceWidth = 800;
constexpr uint32_t shownBits = 0x00FFFFFFu;  // bits 24-31 are not shown

using Bitmap = std::array<uint8_t, glyphHeight>;

// Bitmaps to codes; where codes share a bitmap (the blanks 0, 32, 255) the printable one wins.
const std::map<Bitmap, char>& glyphCodes() {
    static const std::map<Bitmap, char> table = [] {
        std::map<Bitmap, char> codes;
        const auto add = [&codes](int code) {
            Bitmap bitmap;
            for (int y = 0; y < glyphHeight; ++y) bitmap[static_cast<std::size_t>(y)] = font8x16[code][y];
            codes.emplace(bitmap, static_cast<char>(code));  // keeps the first code for a bitmap
        };
        for (int code = 32; code < 127; ++code) add(code);
        for (int code = 0; code < 256; ++code) add(code);
        return codes;
    }();
    return table;
}

uint32_t pixelAt(const uint32_t* pixels, int row, int column, int x, int y) {
    const int px = (column - 1) * glyphWidth + x;
    const int py = (row - 1) * glyphHeight + y;
    return pixels[static_cast<std::size_t>(py) * surfaceWidth + static_cast<std::size_t>(px)] & shownBits;
}

char readCellIn(const uint32_t* pixels, int row, int column, uint32_t foreground, uint32_t background) {
    foreground &= shownBits;
    background &= shownBits;
    Bitmap bitmap{};
    for (int y = 0; y < glyphHeight; ++y) {
        for (int x = 0; x < glyphWidth; ++x) {
            const uint32_t colour = pixelAt(pixels, row, column, x, y);
            if (colour == foreground && colour != background) {
                bitmap[static_cast<std::size_t>(y)] =
                    static_cast<uint8_t>(bitmap[static_cast<std::size_t>(y)] | (0x80u >> x));
            } else if (colour != background) {
                return unknownCell;
            }
        }
    }
    const auto found = glyphCodes().find(bitmap);
    return found == glyphCodes().end() ? unknownCell : found->second;
}

char readCell(const uint32_t* pixels, int row, int column) {
    std::array<uint32_t, 2> colours{};
    std::array<int, 2> counts{};
    int distinct = 0;
    for (int y = 0; y < glyphHeight; ++y) {
        for (int x = 0; x < glyphWidth; ++x) {
            const uint32_t colour = pixelAt(pixels, row, column, x, y);
            int i = 0;
            while (i < distinct && colours[static_cast<std::size_t>(i)] != colour) ++i;
            if (i == 2) return unknownCell;  // a third colour: no text cell
            if (i == distinct) colours[static_cast<std::size_t>(distinct++)] = colour;
            ++counts[static_cast<std::size_t>(i)];
        }
    }
    if (distinct == 1) return ' ';
    const std::size_t back = counts[0] >= counts[1] ? 0 : 1;
    const char read = readCellIn(pixels, row, column, colours[1 - back], colours[back]);
    return read != unknownCell ? read : readCellIn(pixels, row, column, colours[back], colours[1 - back]);
}

// Null until a window has opened, so a reading then gives unknown cells instead of a crash.
const uint32_t* windowSurface() {
    const auto& pixels = headless::windowPixels();
    return pixels.size() >= static_cast<std::size_t>(surfaceWidth) * textRows * glyphHeight ? pixels.data() : nullptr;
}

bool readable(const uint32_t* pixels, int row) { return pixels != nullptr && row >= 1 && row <= textRows; }

}  // namespace

std::string textRow(const uint32_t* pixels, int row) {
    std::string text(textColumns, unknownCell);
    if (!readable(pixels, row)) return text;
    for (int column = 1; column <= textColumns; ++column) {
        text[static_cast<std::size_t>(column - 1)] = readCell(pixels, row, column);
    }
    return text;
}

std::string textRowIn(const uint32_t* pixels, int row, uint32_t foreground, uint32_t background) {
    std::string text(textColumns, unknownCell);
    if (!readable(pixels, row)) return text;
    for (int column = 1; column <= textColumns; ++column) {
        text[static_cast<std::size_t>(column - 1)] = readCellIn(pixels, row, column, foreground, background);
    }
    return text;
}

std::string textRow(int row) { return textRow(windowSurface(), row); }

std::string textRowIn(int row, uint32_t foreground, uint32_t background) {
    return textRowIn(windowSurface(), row, foreground, background);
}

std::string textLine(int row) {
    std::string text = textRow(row);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

}  // namespace vx::test
