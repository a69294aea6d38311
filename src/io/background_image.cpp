// The BMP picture shown behind the model, and the block reader that hands out its bytes.
#include "io/background_image.h"

#include <array>
#include <cstdio>

#include "io/byte_order.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/text.h"

namespace vx {
namespace {

static_assert(sizeof(Background::readBuffer) == readBlockBytes);

// File positions count from 1: these reach offsets 18, 22 and 53.
constexpr int64_t widthPosition = 19;
constexpr int64_t heightPosition = 23;
constexpr int64_t lastHeaderBytePosition = 54;

int32_t readInt32(int32_t number, int64_t position) {
    std::array<uint8_t, 4> bytes{};
    getBytes(number, position, bytes.data(), bytes.size());
    return getLe32Signed(bytes.data());
}

// A missing file, one that cannot be opened and one shorter than two bytes all fail here.
bool hasSignature(int32_t number) {
    std::array<uint8_t, 2> signature{};
    getBytes(number, 1, signature.data(), signature.size());
    return signature[0] == 'B' && signature[1] == 'M';
}

// The window closes with the program at once, so the message also goes to standard error,
// where someone who started the editor from a terminal can read it.
[[noreturn]] void rejectPicture() {
    printString("infile is not a 'BM'", 1);
    std::fputs("infile is not a 'BM'\n", stderr);
    endProgram(0);
}

// Rows are padded to a multiple of 4 bytes. The product may wrap, which keeps it right mod 4.
uint32_t rowPadding(int32_t width) { return (4u - (3u * static_cast<uint32_t>(width)) % 4u) % 4u; }

// The first row in the file is the bottom row. Pixels off the screen are read and dropped.
// Reading stops where the file ends: every later pixel would be 0, which BackgroundImage
// already holds, so a header claiming far more pixels than the file has costs nothing.
void decodePixels(ScreenBuffers& screen, const Background& background, BufferedByteReader& reader) {
    const int32_t width = background.backgroundWidth;
    const uint32_t padding = rowPadding(width);
    for (int32_t y = background.backgroundHeight - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            if (reader.exhausted()) return;
            const uint32_t blue = reader.nextByte();
            const uint32_t green = reader.nextByte();
            const uint32_t red = reader.nextByte();
            if (x < screen.screenWidth && y < screen.screenHeight) {
                screen.backgroundImage[pixelIndex(screen, x, y)] = blue | (green << 8) | (red << 16);
            }
        }
        for (uint32_t i = 0; i < padding; ++i) reader.nextByte();
    }
}

}  // namespace

BufferedByteReader::BufferedByteReader(Background& background, int32_t fileNumber)
    : background_(background), fileNumber_(fileNumber) {
    background_.readIndex = 0;
}

void BufferedByteReader::fillBlock() {
    validBytes_ = static_cast<int32_t>(getBlock(fileNumber_, 0, background_.readBuffer));
    atEnd_ = validBytes_ < blockBytes;
}

// Expects BackgroundImage all zero, as start-up leaves it.
bool readBackgroundImage(EditorState& state, const std::string& imagePath) {
    const int32_t number = freeFileNumber();
    openFileForReading(imagePath, number);
    if (fileError() != fileOk || !hasSignature(number)) {
        closeFile(number);
        return false;
    }
    Background& background = state.background;
    background.backgroundWidth = readInt32(number, widthPosition);
    background.backgroundHeight = readInt32(number, heightPosition);
    // A one-byte read leaves the position at offset 54, where the pixel rows start.
    uint8_t lastHeaderByte = 0;
    getBytes(number, lastHeaderBytePosition, &lastHeaderByte, 1);
    background.hasBackground = 1;
    BufferedByteReader reader(background, number);
    if (background.backgroundWidth >= 1 && background.backgroundHeight >= 1) {
        decodePixels(state.screen, background, reader);
    }
    closeFile(number);
    return true;
}

void loadBackgroundImage(EditorState& state, const std::string& imagePath) {
    if (imagePath.empty()) return;
    if (!readBackgroundImage(state, imagePath)) rejectPicture();
}

}  // namespace vx
