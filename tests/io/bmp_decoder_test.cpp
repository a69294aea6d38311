// The BMP layouts the editor reads itself: run-length pictures with every code, including
// deltas and a stream left unfinished, 16-bit pictures with channel masks, and 24-bit pictures
// that carry a colour table, all made here byte by byte.
#include <gtest/gtest.h>

#include <random>

#include "io/byte_order.h"
#include "io/file_test_support.h"
#include "io/picture/background_image.h"

namespace vx::test {
namespace {

constexpr uint32_t rle8 = 1, rle4 = 2, channelMasks = 3;

struct BmpSpec {
    int bits;
    uint32_t compression;
    int32_t width, height;
    uint32_t infoBytes = 40;
    std::vector<uint32_t> colourTable;  // written after the header (and masks) even where unused
    std::vector<uint32_t> masks;        // red, green, blue for channelMasks
};

Bytes bmpFile(const BmpSpec& spec, const Bytes& pixelData) {
    Bytes file(14 + spec.infoBytes, 0);
    file[0] = 'B';
    file[1] = 'M';
    putLe32(&file[14], spec.infoBytes);
    putLe32(&file[18], static_cast<uint32_t>(spec.width));
    putLe32(&file[22], static_cast<uint32_t>(spec.height));
    putLe16(&file[26], 1);
    putLe16(&file[28], static_cast<uint16_t>(spec.bits));
    putLe32(&file[30], spec.compression);
    putLe32(&file[46], static_cast<uint32_t>(spec.colourTable.size()));
    const auto append32 = [&file](uint32_t value) {
        file.resize(file.size() + 4);
        putLe32(&file[file.size() - 4], value);
    };
    if (spec.infoBytes == 40)
        for (const uint32_t mask : spec.masks) append32(mask);
    else
        for (std::size_t i = 0; i < spec.masks.size(); ++i) putLe32(&file[54 + 4 * i], spec.masks[i]);
    for (const uint32_t colour : spec.colourTable) append32(colour);
    putLe32(&file[10], static_cast<uint32_t>(file.size()));
    file.insert(file.end(), pixelData.begin(), pixelData.end());
    return file;
}

class OwnBmp : public InTempFolder {
protected:
    // The picture as the editor decodes it, top row first; an empty picture when refused.
    DecodedPicture decode(const Bytes& file, PictureProblem expected = PictureProblem::none) {
        writeFile("p.bmp", file);
        PreparedPicture picture;
        const PictureVerdict verdict = preparePicture("p.bmp", picture);
        EXPECT_EQ(verdict.problem, expected) << describePictureProblem(verdict);
        EXPECT_FALSE(picture.plainBmp);
        return picture.decoded;
    }
};

// Index 0 is not black, so a pixel no code reaches is told from one of colour 0.
const std::vector<uint32_t> palette = {0x123456, 0xFF0000, 0x00FF00, 0x0000FF, 0xABCDEF};

TEST_F(OwnBmp, runLengthCodesPaintRunsLiteralsDeltasAndLeaveTheUnreachedBlack) {
    const Bytes rle8Stream = {
        2, 1,              // bottom row: two of colour 1
        0, 2, 1, 1,        // delta: one right, one up, to x = 3 of the middle row
        1, 2,              // colour 2 there
        0, 0,              // end of line: the top row from x = 0
        0, 3, 3, 4, 3, 0,  // three literal indices, padded to an even count of bytes
                           // the file ends here, without the end-of-picture code
    };
    EXPECT_EQ(decode(bmpFile({8, rle8, 4, 3, 40, palette, {}}, rle8Stream)).pixels,
              (std::vector<uint32_t>{
                  0x0000FF, 0xABCDEF, 0x0000FF, 0,         // top row
                  0, 0, 0, 0x00FF00,                       //
                  0xFF0000, 0xFF0000, 0, 0,                // bottom row
              }));

    const Bytes rle4Stream = {
        5, 0x12,                      // bottom row: 1 2 1 2, the fifth nibble past the edge dropped
        0, 0,                         // end of line
        1, 0x30,                      // one nibble
        0, 2, 2, 0,                   // delta two right
        1, 0x40,                      //
        0, 0,                         //
        0, 5, 0x01, 0x23, 0x40, 0,    // five literal nibbles in three bytes, padded
        0, 1,                         // end of picture
        9, 0x11,                      // never read
    };
    EXPECT_EQ(decode(bmpFile({4, rle4, 4, 3, 40, palette, {}}, rle4Stream)).pixels,
              (std::vector<uint32_t>{
                  0x123456, 0xFF0000, 0x00FF00, 0x0000FF,  // colour 0 is no black
                  0x0000FF, 0, 0, 0xABCDEF,                //
                  0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00,  //
              }));
}

// Codes of every kind made by a small encoder from random pictures, read back exactly.
Bytes encodeRunLength(const std::vector<std::vector<uint8_t>>& rowsBottomUp, bool fourBits) {
    Bytes out;
    for (const std::vector<uint8_t>& row : rowsBottomUp) {
        for (std::size_t x = 0; x < row.size();) {
            std::size_t same = 1;
            while (x + same < row.size() && row[x + same] == row[x] && same < 255) ++same;
            if (same >= 2 || row.size() - x < 3) {
                out.push_back(static_cast<uint8_t>(same));
                out.push_back(fourBits ? static_cast<uint8_t>(row[x] << 4 | row[x]) : row[x]);
                x += same;
                continue;
            }
            std::size_t count = 3;  // a literal of whatever follows, at most 255
            while (x + count < row.size() && count < 255 && row[x + count] != row[x + count - 1]) ++count;
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(count));
            std::size_t bytes = 0;
            for (std::size_t i = 0; i < count; i += fourBits ? 2 : 1, ++bytes) {
                const uint8_t low = fourBits && i + 1 < count ? row[x + i + 1] : 0;
                out.push_back(fourBits ? static_cast<uint8_t>(row[x + i] << 4 | low) : row[x + i]);
            }
            if (bytes % 2 == 1) out.push_back(0);
            x += count;
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}

TEST_F(OwnBmp, randomRunLengthPicturesOfBothDepthsReadBackExactly) {
    std::mt19937 random(17);
    for (int round = 0; round < 40; ++round) {
        const bool fourBits = round % 2 == 0;
        const int32_t width = 1 + static_cast<int32_t>(random() % 300), height = 1 + static_cast<int32_t>(random() % 9);
        std::vector<uint32_t> colours(fourBits ? 16 : 256);
        for (uint32_t& colour : colours) colour = random() & 0xFFFFFF;
        std::vector<std::vector<uint8_t>> rows(static_cast<std::size_t>(height));
        for (auto& row : rows) {
            uint8_t value = 0;
            for (int32_t x = 0; x < width; ++x) {
                if (random() % 3 != 0) value = static_cast<uint8_t>(random() % colours.size());
                row.push_back(value);
            }
        }
        const Bytes file = bmpFile({fourBits ? 4 : 8, fourBits ? rle4 : rle8, width, height, 40, colours, {}},
                                   encodeRunLength(rows, fourBits));
        const DecodedPicture p = decode(file);
        ASSERT_EQ(p.width, width);
        ASSERT_EQ(p.height, height);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                ASSERT_EQ(p.pixels[static_cast<std::size_t>(y * width + x)],
                          colours[rows[static_cast<std::size_t>(height - 1 - y)][static_cast<std::size_t>(x)]])
                    << round << " at " << x << "," << y;
    }
}

TEST_F(OwnBmp, sixteenBitMasksAndTwentyFourBitPicturesWithAnUnusedColourTable) {
    // 5-6-5: full red, full green, full blue, and the smallest step of each channel.
    const Bytes rows565 = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x41, 0x08};  // bottom row first
    const DecodedPicture p565 = decode(bmpFile({16, channelMasks, 2, 2, 40, palette, {0xF800, 0x07E0, 0x001F}}, rows565));
    EXPECT_EQ(p565.pixels, (std::vector<uint32_t>{0x0000FF, 0x080808, 0xFF0000, 0x00FF00}));

    // 24 bits after a colour table, bottom-up and top-down, behind a 124-byte header.
    const Bytes rows24 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0xA, 0xB, 0xC, 0xD, 0xE, 0xF, 0x10, 0x11, 0x12, 0, 0, 0};
    const std::vector<uint32_t> bottomUp = {0x0C0B0A, 0x0F0E0D, 0x121110, 0x030201, 0x060504, 0x090807};
    EXPECT_EQ(decode(bmpFile({24, 0, 3, 2, 40, palette, {}}, rows24)).pixels, bottomUp);
    const DecodedPicture topDown = decode(bmpFile({24, 0, 3, -2, 124, palette, {}}, rows24));
    EXPECT_EQ(topDown.pixels, (std::vector<uint32_t>{0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x121110}));

    // Cut short: what is missing is black.
    const DecodedPicture cut = decode(bmpFile({24, 0, 3, 2, 40, palette, {}}, Bytes(rows24.begin(), rows24.begin() + 7)));
    EXPECT_EQ(cut.pixels, (std::vector<uint32_t>{0, 0, 0, 0x030201, 0x060504, 0x000007}));
}

TEST_F(OwnBmp, headersThatCannotBeAPictureAreRefusedAsDamagedOrTooLarge) {
    decode(bmpFile({8, rle8, 4, -3, 40, palette, {}}, {0, 1}), PictureProblem::damaged);  // top-down codes
    decode(bmpFile({4, rle4, 0, 3, 40, palette, {}}, {0, 1}), PictureProblem::damaged);
    decode(bmpFile({16, 0, 5, 0, 40, {}, {}}, {}), PictureProblem::damaged);
    decode(bmpFile({8, rle8, 20000, 3, 40, palette, {}}, {0, 1}), PictureProblem::tooLarge);
}

}  // namespace
}  // namespace vx::test
