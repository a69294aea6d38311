// Painting in Polys mode as a user meets it: the current colour and its strip, the paint keys,
// Shift + click, colours from the picture, palettes from files, and undo of each.
#include <gtest/gtest.h>

#include "io/file_test_support.h"
#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "support/scenario.h"
#include "support/screen_text.h"
#include "ui/paint.h"

namespace vx::test {
namespace {

// The cube's near face, vertices 0..3, spans x 360..440 and y 260..340 on the screen.
struct Painting : InTempFolder {
    Painting() {
        editor.moveTo(400, 300);
        Model& m = model();
        m.polygons[0] = {{0, 1, 2, 3}, twoSidedFlag};
        m.polygonCount = 1;
        editor.key("e");  // Polys mode, drawn with the face's pick codes
    }
    Model& model() { return editor.state().model; }
    int32_t colour() const { return const_cast<Scenario&>(editor).state().paint.colour; }
    int32_t faceColour() { return colourOf(model().polygons[0].flags); }
    void selectFace() { editor.click(400, 300, rightButton); }
    // The middle of colour k's swatch in the strip.
    static int32_t swatchX(int32_t k) { return (stripColumn - 1 + swatchCells * k) * 8 + 8; }
    static constexpr int32_t swatchY = (paintRow - 1) * 16 + 8;
    Scenario editor;
};

TEST_F(Painting, bracketsStepTheCurrentColourRoundAndRowFiveShowsIt) {
    EXPECT_EQ(colour(), 0);
    EXPECT_EQ(textLine(paintRow).substr(0, 9), "colour  0");
    editor.key("[");
    EXPECT_EQ(colour(), 31);
    editor.key("]]]]");
    EXPECT_EQ(colour(), 3);
    EXPECT_EQ(textLine(paintRow).substr(0, 9), "colour  3");
    const uint32_t entry3 = paletteColour(model().palette, 3);
    EXPECT_EQ(editor.windowPixel((currentSwatchColumn - 1) * 8 + 4, swatchY), entry3);
    EXPECT_EQ(editor.windowPixel(swatchX(0), swatchY + 6), 0x7F7F7Fu);  // colour 0 as grey
    EXPECT_EQ(editor.windowPixel(swatchX(31), swatchY + 6), paletteColour(model().palette, 31));
    EXPECT_EQ(textLine(paintRow + 1), "[ ] colour, b paint, = take colour, B from picture, Shift+click paint");
}

TEST_F(Painting, aClickOnASwatchChoosesItAndMakesNoPolygon) {
    editor.click(swatchX(17), swatchY);
    EXPECT_EQ(colour(), 17);
    EXPECT_EQ(model().polygonCount, 1);
    editor.click(swatchX(0) - 6, swatchY);  // the first cell of colour 0's swatch
    EXPECT_EQ(colour(), 0);
    editor.key("v");
    editor.click(swatchX(5), swatchY);  // outside Polys mode the strip is not there
    EXPECT_EQ(colour(), 0);
}

TEST_F(Painting, bPaintsTheSelectedPolygonEqualsTakesItsColourAndEachIsOneUndoStep) {
    editor.key("b");  // nothing selected: nothing painted
    EXPECT_EQ(model().polygons[0].flags, twoSidedFlag);
    selectFace();
    editor.key("]]]]]]]b");
    EXPECT_EQ(faceColour(), 7);
    EXPECT_EQ(model().polygons[0].flags & twoSidedFlag, twoSidedFlag);  // the other bits stay
    const uint32_t drawn = editor.windowPixel(400, 300);
    EXPECT_NE(drawn, 0u);
    editor.key("]b");
    EXPECT_EQ(faceColour(), 8);
    editor.key("[[[");
    editor.key("=");
    EXPECT_EQ(colour(), 8);
    editor.key(ctrlZKey);
    EXPECT_EQ(faceColour(), 7);
    editor.key(ctrlZKey);
    EXPECT_EQ(faceColour(), 0);
}

TEST_F(Painting, shiftClickPaintsThePolygonUnderThePointerOnlyWhenReleasedWhereItWentDown) {
    editor.key("]]]]]]]]]]");
    headless::holdModifiers(shiftModifier);
    editor.moveTo(380, 290);
    editor.press(leftButton);
    editor.moveTo(390, 290);
    editor.release(leftButton);
    EXPECT_EQ(faceColour(), 0);
    editor.click(380, 290);
    EXPECT_EQ(faceColour(), 10);
    editor.click(100, 100);  // the background: nothing
    headless::holdModifiers(0);
    EXPECT_EQ(model().polygonCount, 1);  // no press made a quad
    EXPECT_EQ(editor.state().selection.polygon, 0);
    editor.key(ctrlZKey);
    EXPECT_EQ(faceColour(), 0);
}

TEST_F(Painting, capitalBColoursTheSelectedPolygonFromThePictureBehindIt) {
    EditorState& s = editor.state();
    selectFace();
    editor.key("B");
    EXPECT_EQ(faceColour(), 0);  // no picture yet
    s.background.hasBackground = 1;
    s.background.backgroundWidth = 800;
    s.background.backgroundHeight = 600;
    // Under the face a dither of two reds whose mean is nearest the built-in dark red; elsewhere
    // white, which must not count.
    for (int32_t y = 0; y < 600; ++y)
        for (int32_t x = 0; x < 800; ++x)
            s.screen.backgroundImage[pixelIndex(s.screen, x, y)] =
                x > 350 && x < 450 && y > 250 && y < 350 ? ((x + y) % 2 ? 0xC02A20u : 0xA82218u) : 0xFFFFFFu;
    editor.key("B");
    EXPECT_EQ(paletteColour(model().palette, faceColour()), 0xB3261Eu);
    editor.key(ctrlZKey);
    EXPECT_EQ(faceColour(), 0);
}

TEST_F(Painting, aPaletteFromAFileIsOneUndoStepAndAnEmptyNamePutsBackTheBuiltInOne) {
    writeFile("warm.hex", bytesOf("ff0000\n#00ff00\n\n0000FF\n"));
    editor.key("f");
    headless::typeOneByOne("Pwarm.hex\r");
    editor.run();
    EXPECT_EQ(model().palette[0], 0xFF0000u);
    EXPECT_EQ(model().palette[2], 0x0000FFu);
    EXPECT_EQ(model().palette[3], builtinPalette[3]);  // past the file's colours
    EXPECT_EQ(textLine(4), "palette of 3 colours from a hex list");
    headless::typeOneByOne("P\r");
    editor.run();
    EXPECT_EQ(model().palette, builtinPalette);
    editor.key(ctrlZKey);
    EXPECT_EQ(model().palette[1], 0x00FF00u);
    editor.key(ctrlZKey);
    EXPECT_EQ(model().palette, builtinPalette);
    headless::typeOneByOne("Pmissing.gpl\r");
    editor.run();
    EXPECT_EQ(textLine(4), "cannot read missing.gpl");
}

}  // namespace
}  // namespace vx::test
