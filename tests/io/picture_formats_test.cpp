// Pictures other than plain 24-bit BMP: each format lands pixel for pixel where the plain reader
// puts its pixels, and a picture that cannot be shown gets its reason without being read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "core/editor_state.h"
#include "io/byte_order.h"
#include "io/file_test_support.h"
#include "io/picture/background_image.h"
#include "support/bmp.h"
#include "support/picture_writer.h"

namespace vx::test {
namespace {

// Distinct colours with every channel in use; each channel a multiple of 8, so that 5-bit
// channels hold them exactly.
Picture pattern(int32_t width, int32_t height) {
    Picture picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.at(x, y) = static_cast<uint32_t>((x * 8) & 0xF8) << 16 |
                               static_cast<uint32_t>((y * 8) & 0xF8) << 8 |
                               static_cast<uint32_t>(((x + y) * 24) & 0xF8);
    return picture;
}

// At most 251 colours, as a palette holds them.
Picture fewColours(int32_t width, int32_t height) {
    Picture picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.at(x, y) = 0x010305u * static_cast<uint32_t>((x * 7 + y * 13) % 251) & 0xFFFFFFu;
    return picture;
}

// Solid 16x16 blocks, which a JPEG encoder keeps within a few steps of each channel.
Picture blocks(int32_t width, int32_t height) {
    Picture picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.at(x, y) = 0x102030u * static_cast<uint32_t>(1 + (x / 16 + 3 * (y / 16)) % 7);
    return picture;
}

// An uncompressed BMP of 8 (palette), 16 (5-5-5) or 32 bits a pixel, bottom row first unless
// topDown.
Bytes bmpOfDepth(const Picture& picture, int bits, bool topDown = false) {
    const int32_t w = picture.width, h = picture.height;
    const std::size_t paletteBytes = bits == 8 ? 256 * 4 : 0;
    const std::size_t stride = (static_cast<std::size_t>(w) * static_cast<std::size_t>(bits) / 8 + 3) / 4 * 4;
    const std::size_t offset = 54 + paletteBytes;
    Bytes file(offset + stride * static_cast<std::size_t>(h), 0);
    file[0] = 'B';
    file[1] = 'M';
    putLe32(&file[10], static_cast<uint32_t>(offset));
    putLe32(&file[14], 40);
    putLe32(&file[18], static_cast<uint32_t>(w));
    putLe32(&file[22], static_cast<uint32_t>(topDown ? -h : h));
    putLe16(&file[26], 1);
    putLe16(&file[28], static_cast<uint16_t>(bits));
    std::vector<uint32_t> palette;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = &file[offset + stride * static_cast<std::size_t>(topDown ? y : h - 1 - y)];
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = picture.at(x, y);
            if (bits == 8) {
                auto found = std::find(palette.begin(), palette.end(), c);
                if (found == palette.end()) found = palette.insert(palette.end(), c);
                row[x] = static_cast<uint8_t>(found - palette.begin());
            } else if (bits == 16) {
                putLe16(&row[2 * x], static_cast<uint16_t>((c >> 19 & 31) << 10 | (c >> 11 & 31) << 5 | (c >> 3 & 31)));
            } else {
                putLe32(&row[4 * x], c | 0x7F000000u);  // the fourth byte means nothing here
            }
        }
    }
    if (palette.size() > 256) ADD_FAILURE() << "more colours than a palette holds";
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i) putLe32(&file[54 + 4 * i], palette[i]);
    return file;
}

// A PNG of only its signature and header chunk: enough for its size to be read.
Bytes pngHeaderOnly(uint32_t width, uint32_t height, uint8_t bits = 8, uint8_t colourType = 2) {
    Bytes file(33, 0);
    const char* start = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";
    std::copy(start, start + 16, file.begin());
    for (int i = 0; i < 4; ++i) {
        file[static_cast<std::size_t>(16 + i)] = static_cast<uint8_t>(width >> (24 - 8 * i));
        file[static_cast<std::size_t>(20 + i)] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    file[24] = bits;  // a sample
    file[25] = colourType;
    return file;
}

class OtherPictures : public InTempFolder {
protected:
    OtherPictures() : state(std::make_unique<EditorState>()) {
        initEditorState(*state);
        allocateScreenBuffers(*state, 800, 600, nullptr);
        setDefaultModelAndView(*state);
    }
    PictureVerdict show(const std::string& path) {
        std::fill(state->screen.backgroundImage.begin(), state->screen.backgroundImage.end(), 0u);
        state->background.hasBackground = 0;
        PreparedPicture picture;
        const PictureVerdict verdict = preparePicture(path, picture);
        if (verdict.ok()) showPicture(*state, picture);
        return verdict;
    }
    // The picture's top-left part on the screen, black beyond it; channels within `tolerance`.
    void expectShown(const Picture& picture, int tolerance, const std::string& what) const {
        const ScreenBuffers& screen = state->screen;
        EXPECT_EQ(state->background.hasBackground, 1) << what;
        EXPECT_EQ(state->background.backgroundWidth, picture.width) << what;
        EXPECT_EQ(state->background.backgroundHeight, picture.height) << what;
        for (int32_t y = 0; y < 600; ++y) {
            for (int32_t x = 0; x < 800; ++x) {
                const uint32_t shown = screen.backgroundImage[pixelIndex(screen, x, y)];
                const uint32_t wanted = x < picture.width && y < picture.height ? picture.at(x, y) : 0u;
                for (int shift : {0, 8, 16}) {
                    const int difference =
                        static_cast<int>(shown >> shift & 0xFF) - static_cast<int>(wanted >> shift & 0xFF);
                    ASSERT_LE(std::abs(difference), tolerance)
                        << what << " at " << x << "," << y << ": " << std::hex << shown << " for " << wanted;
                }
                ASSERT_EQ(shown >> 24, 0u) << what;
            }
        }
    }
    std::unique_ptr<EditorState> state;
};

TEST_F(OtherPictures, eachFormatLandsTopLeftCutToTheScreen) {
    const Picture odd = pattern(37, 23);  // rows that need padding in every BMP depth
    const Picture wide = pattern(900, 650);
    const Picture indexed = fewColours(37, 23);
    struct Case {
        const char* name;
        const Picture& picture;
        std::function<void(const std::string&)> write;
        int tolerance;
    };
    const Case cases[] = {
        {"rgb.png", odd, [&](const std::string& p) { writePng(p, odd); }, 0},
        {"alpha.png", odd, [&](const std::string& p) { writePng(p, odd, true); }, 0},
        {"wide.png", wide, [&](const std::string& p) { writePng(p, wide); }, 0},
        {"palette.bmp", indexed, [&](const std::string& p) { writeFile(p, bmpOfDepth(indexed, 8)); }, 0},
        {"16-bit.bmp", odd, [&](const std::string& p) { writeFile(p, bmpOfDepth(odd, 16)); }, 7},
        {"32-bit.bmp", odd, [&](const std::string& p) { writeFile(p, bmpOfDepth(odd, 32)); }, 0},
        {"top-down-32.bmp", odd, [&](const std::string& p) { writeFile(p, bmpOfDepth(odd, 32, true)); }, 0},
        {"top-down-24.bmp", wide, [&](const std::string& p) { writeFile(p, encodeBmp(wide, true)); }, 0},
    };
    for (const Case& c : cases) {
        c.write(c.name);
        const PictureVerdict verdict = show(c.name);
        ASSERT_TRUE(verdict.ok()) << c.name << ": " << describePictureProblem(verdict);
        expectShown(c.picture, c.tolerance, c.name);
    }
}

TEST_F(OtherPictures, jpegColoursStayWithinTheCodecsError) {
    const Picture picture = blocks(816, 608);
    ASSERT_TRUE(writeJpeg("photo.jpg", picture, 100));
    ASSERT_TRUE(show("photo.jpg").ok());
    expectShown(picture, 6, "photo.jpg");
}

TEST_F(OtherPictures, thatCannotBeShownSayWhyAndLeaveTheScreenBlack) {
    writeFile("notes.txt", bytesOf("just some text\n"));
    writeFile("short.bmp", bytesOf("BM"));
    ASSERT_TRUE(writePng("whole.png", pattern(40, 40)));
    Bytes cut = readFile("whole.png");
    cut.resize(cut.size() / 2);
    writeFile("cut.png", cut);
    Bytes plain = encodeBmp(pattern(2, 2));
    putLe32(&plain[18], 1u << 30);
    writeFile("huge.bmp", plain);
    Bytes empty = encodeBmp(pattern(2, 2));
    putLe32(&empty[22], 0);  // no rows, and a compression field the plain reader leaves to the decoder
    putLe32(&empty[30], 0xFE000000u);
    writeFile("empty.bmp", empty);
    writeFile("tall.png", pngHeaderOnly(10, 16385));
    writeFile("heavy.png", pngHeaderOnly(9000, 9000));        // within the sides, over 256 MiB
    writeFile("wide.png", pngHeaderOnly(6000, 6000, 16, 6));  // 8 bytes a pixel while decoding
    writeFile("vast.png", pngHeaderOnly(60000, 60000));       // once "a damaged picture"
    fs::create_directory("folder.png");
    const std::pair<const char*, PictureProblem> cases[] = {
        {"missing.png", PictureProblem::missing},   {"folder.png", PictureProblem::unreadable},
        {"notes.txt", PictureProblem::notAPicture}, {"short.bmp", PictureProblem::damaged},
        {"cut.png", PictureProblem::damaged},       {"huge.bmp", PictureProblem::tooLarge},
        {"tall.png", PictureProblem::tooLarge},     {"heavy.png", PictureProblem::tooLarge},
        {"wide.png", PictureProblem::tooLarge},     {"empty.bmp", PictureProblem::damaged},
        {"vast.png", PictureProblem::tooLarge},
    };
    for (const auto& [name, problem] : cases) {
        EXPECT_EQ(show(name).problem, problem) << name;
        EXPECT_EQ(state->background.hasBackground, 0) << name;
        EXPECT_TRUE(std::all_of(state->screen.backgroundImage.begin(), state->screen.backgroundImage.end(),
                                [](uint32_t pixel) { return pixel == 0; }))
            << name;
    }
    EXPECT_EQ(describePictureProblem(show("tall.png")),
              "too large at 10 x 16385 pixels (at most 16384 on a side and 256 MiB)");
    EXPECT_EQ(describePictureProblem(show("vast.png")),
              "too large at 60000 x 60000 pixels (at most 16384 on a side and 256 MiB)");
    // At the limits exactly the size passes, and only the missing data stops the picture.
    writeFile("limit.png", pngHeaderOnly(8192, 8192));
    EXPECT_EQ(show("limit.png").problem, PictureProblem::damaged);
}

}  // namespace
}  // namespace vx::test
