// Palettes from files: what each kind gives, in what order, and what is refused; the nearest
// entry in Lab.
#include "io/palette/palette_file.h"

#include <gtest/gtest.h>

#include "core/colour_match.h"
#include "io/file_test_support.h"
#include "support/picture_writer.h"

namespace vx::test {
namespace {

using PaletteFile = InTempFolder;

PaletteRead readOk(const std::string& path) {
    PaletteRead read;
    std::string problem;
    EXPECT_TRUE(readPaletteFile(path, read, problem)) << problem;
    return read;
}

TEST_F(PaletteFile, givesTheColoursOfEachKindInOrderAndTheBuiltInOnesPastThem) {
    writeFile("a.gpl", bytesOf("GIMP Palette\nName: Warm\nColumns: 4\n# a comment\n255   0   0\tRed\n"
                               "  0 128 255 Sky blue\n\n 10  20  30\n"));
    writeFile("b.hex", bytesOf("ff8000\r\n#00FF7f\n\n123456\n"));
    struct Case {
        const char* file;
        std::vector<uint32_t> colours;
        const char* source;
    };
    const Case cases[] = {{"a.gpl", {0xFF0000, 0x0080FF, 0x0A141E}, "GIMP palette"},
                          {"b.hex", {0xFF8000, 0x00FF7F, 0x123456}, "hex list"}};
    for (const Case& c : cases) {
        const PaletteRead read = readOk(c.file);
        EXPECT_EQ(read.source, c.source);
        ASSERT_EQ(read.given, 3) << c.file;
        for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(read.palette[i], c.colours[i]) << c.file << " entry " << i + 1;
        EXPECT_EQ(read.palette[3], builtinPalette[3]) << c.file;
        EXPECT_EQ(read.leftOut, 0) << c.file;
    }
}

TEST_F(PaletteFile, ofAPictureTakesItsFirstDistinctColoursInReadingOrder) {
    Picture picture(8, 8, 0x102030);
    picture.at(3, 0) = 0xFF0000;
    picture.at(0, 1) = 0x00FF00;
    picture.at(5, 1) = 0xFF0000;
    ASSERT_TRUE(writePng("few.png", picture));
    PaletteRead read = readOk("few.png");
    EXPECT_EQ(read.given, 3);
    EXPECT_EQ(read.palette[0], 0x102030u);
    EXPECT_EQ(read.palette[1], 0xFF0000u);
    EXPECT_EQ(read.palette[2], 0x00FF00u);
    for (int32_t i = 0; i < 64; ++i) picture.pixels[static_cast<std::size_t>(i)] = static_cast<uint32_t>(i * 3);
    ASSERT_TRUE(writePng("many.png", picture));
    read = readOk("many.png");
    EXPECT_EQ(read.given, 31);
    EXPECT_EQ(read.palette[30], 90u);
    EXPECT_GT(read.leftOut, 0);
}

TEST_F(PaletteFile, isRefusedWhenItGivesNoColourOrIsNoPaletteAtAll) {
    writeFile("empty.gpl", bytesOf("GIMP Palette\nName: none\n"));
    writeFile("words.hex", bytesOf("ff0000\nnot a colour\n"));
    for (const char* name : {"empty.gpl", "words.hex", "missing.hex"}) {
        PaletteRead read;
        std::string problem;
        EXPECT_FALSE(readPaletteFile(name, read, problem)) << name;
        EXPECT_NE(problem.find(name), std::string::npos) << problem;
    }
}

TEST(ColourMatch, findsEachEntryItselfAndTheEyesNearestForOthers) {
    for (int32_t i = 1; i <= paletteSize; ++i)
        EXPECT_EQ(nearestPaletteEntry(builtinPalette, paletteColour(builtinPalette, i)), i) << "entry " << i;
    const auto lab = labOf(0xFFFFFF);
    EXPECT_NEAR(lab[0], 100.0, 1e-3);
    EXPECT_NEAR(lab[1], 0.0, 1e-2);
    EXPECT_EQ(paletteColour(builtinPalette, nearestPaletteEntry(builtinPalette, 0xB4281C)), 0xB3261Eu);
}

}  // namespace
}  // namespace vx::test
