// Fuzzes the picture reader: a plain 24-bit BMP within the size limits is always shown, with
// exactly the pixels its header and rows describe, black where bytes are missing; any other
// file is refused or shown within the limits, and nothing is read past them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "io/picture/background_image.h"
#include "platform/console/display.h"
#include "platform/headless/headless.h"

namespace {

std::string inputPath;
vx::EditorState* state = nullptr;

// The colour the file holds for a pixel of the picture, 0 where its bytes are missing.
uint32_t storedPixel(const uint8_t* data, std::size_t size, int64_t rowStart, int32_t x) {
    const auto at = static_cast<uint64_t>(rowStart + 3 * static_cast<int64_t>(x));
    return vx::fuzz::byteAt(data, size, at) | vx::fuzz::byteAt(data, size, at + 1) << 8 |
           vx::fuzz::byteAt(data, size, at + 2) << 16;
}

// Checks the part of the screen the picture covers and clears it again for the next input;
// the loader never writes outside that part.
void checkAndClearPicture(const uint8_t* data, std::size_t size) {
    const vx::Background& background = state->background;
    if (background.hasBackground != 1) std::abort();
    if (static_cast<uint32_t>(background.backgroundWidth) != vx::fuzz::le32At(data, size, 18)) std::abort();
    if (static_cast<uint32_t>(background.backgroundHeight) != vx::fuzz::le32At(data, size, 22)) std::abort();
    const int64_t width = background.backgroundWidth, height = background.backgroundHeight;
    vx::ScreenBuffers& screen = state->screen;
    const auto shownWidth = static_cast<int32_t>(std::min<int64_t>(width, screen.screenWidth));
    const auto shownHeight = static_cast<int32_t>(std::min<int64_t>(height, screen.screenHeight));
    const int64_t rowBytes = (3 * width + 3) / 4 * 4;
    for (int32_t y = 0; y < shownHeight; ++y) {
        const int64_t rowsBelow = height - 1 - y;  // rows stored before this one, bottom first
        const int64_t rowStart =
            rowsBelow > static_cast<int64_t>(size) ? static_cast<int64_t>(size) : 54 + rowsBelow * rowBytes;
        for (int32_t x = 0; x < shownWidth; ++x) {
            uint32_t& pixel = screen.backgroundImage[vx::pixelIndex(screen, x, y)];
            if (pixel != storedPixel(data, size, rowStart, x)) std::abort();
            pixel = 0;
        }
    }
}

// A decoded picture stays within the limits and writes only the part of the screen it covers.
void checkAndClearDecoded() {
    const vx::Background& background = state->background;
    if (background.hasBackground != 1 || background.backgroundWidth < 1 || background.backgroundHeight < 1)
        std::abort();
    if (background.backgroundWidth > vx::maxPictureSide || background.backgroundHeight > vx::maxPictureSide)
        std::abort();
    vx::ScreenBuffers& screen = state->screen;
    for (int32_t y = 0; y < screen.screenHeight; ++y) {
        for (int32_t x = 0; x < screen.screenWidth; ++x) {
            uint32_t& pixel = screen.backgroundImage[vx::pixelIndex(screen, x, y)];
            if (pixel > 0xFFFFFFu) std::abort();
            if ((x >= background.backgroundWidth || y >= background.backgroundHeight) && pixel != 0) std::abort();
            pixel = 0;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    inputPath = vx::fuzz::makeTempFolder("vxfuzz-picture") + "/input.bmp";
    vx::headless::reset();
    if (vx::openScreen(19, 32, 0, 0, 0) != 0) std::abort();
    state = new vx::EditorState;
    vx::initEditorState(*state);
    const vx::ScreenInfo info = vx::screenInfo();
    vx::allocateScreenBuffers(*state, info.width, info.height, vx::screenPixels());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vx::fuzz::writeInput(inputPath, data, size);
    state->background.hasBackground = 0;
    vx::PreparedPicture picture;
    const vx::PictureVerdict verdict = vx::preparePicture(inputPath, picture);
    if (!verdict.ok()) {
        if (picture.plainBmp && verdict.problem != vx::PictureProblem::tooLarge) std::abort();
        return 0;
    }
    vx::showPicture(*state, picture);
    if (picture.plainBmp)
        checkAndClearPicture(data, size);
    else
        checkAndClearDecoded();
    return 0;
}
