// The named views' own pictures: adding and removing them, placing them in Camera mode, tracing
// on them, and keeping them beside the model in NAME.vxref.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "io/file_test_support.h"
#include "io/model/view_references.h"
#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "support/bmp.h"
#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

constexpr uint32_t paper = 0xC8C8C8;
constexpr uint32_t ink = 0x0040FF;
constexpr int32_t dotX = 30, dotY = 10;  // the dot on the 40x30 picture

std::string textOf(const char* path) {
    const Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// A left click whose pass asks for a line, and what is typed into it once asked.
void clickThenType(Scenario& editor, int32_t x, int32_t y, std::string_view keys) {
    headless::moveMouse(x, y);
    headless::pressButton(leftButton);
    headless::pauseMs(200);
    headless::typeOneByOne(keys);
    editor.run();
    editor.release(leftButton);
}

void typed(Scenario& editor, std::string_view keys) {
    headless::typeOneByOne(keys);
    editor.run();
}

class ViewPictureScenario : public InTempFolder {
protected:
    void SetUp() override {
        InTempFolder::SetUp();
        Picture drawing(40, 30, paper);
        drawing.at(dotX, dotY) = ink;
        ASSERT_TRUE(writeBmp("front.bmp", drawing));
    }

    // The front view, orthographic, at one screen pixel per model unit, with its picture: the
    // picture's 40x30 pixels cover screen columns 380..419 and rows 285..314.
    void frontWithPicture(Scenario& editor) {
        editor.state().camera.zoom = 400.0f;
        typed(editor, "fbfront.bmp\r");
        editor.key("cp");
        ASSERT_TRUE(editor.state().viewPictures.views[0].present);
    }

    static uint32_t shown(Scenario& editor, int32_t x, int32_t y) { return editor.windowPixel(x, y) & 0xFFFFFF; }
};

TEST_F(ViewPictureScenario, aPictureBelongsToANamedViewAndIsDrawnOnlyThereWhenOrthographic) {
    Scenario editor;
    editor.key("f");
    editor.state().camera.axy = 0.3f;
    editor.key("b");
    EXPECT_EQ(textLine(3), "choose a view first");
    EXPECT_FALSE(editor.state().viewPictures.views[0].present);
    editor.state().camera.axy = 0.0f;
    frontWithPicture(editor);
    EXPECT_EQ(shown(editor, 380 + dotX, 285 + dotY), ink);
    EXPECT_EQ(shown(editor, 380, 290), paper);
    EXPECT_EQ(shown(editor, 379, 290), 0u);  // beyond the picture: black
    EXPECT_EQ(textLine(4), "front.bmp 100% 1 units/pixel; Shift+drag move/scale, [ ] opacity, k calibrate");
    editor.key("p");  // perspective: no picture of the view
    EXPECT_EQ(shown(editor, 380, 290), 0u);
    editor.key("ps");  // the side view has none of its own
    EXPECT_EQ(shown(editor, 380, 290), 0u);
    editor.key("a");
    EXPECT_EQ(shown(editor, 380, 290), paper);
    editor.key("fB");
    EXPECT_FALSE(editor.state().viewPictures.views[0].present);
    EXPECT_EQ(shown(editor, 380, 290), 0u);
}

TEST_F(ViewPictureScenario, opacityStepsScaleEachChannelDownAndStopAtTheEnds) {
    Scenario editor;
    frontWithPicture(editor);
    const uint32_t expected[] = {0x969696, 0x646464, 0x323232, 0x323232};  // 75, 50, 25, 25 per cent of 200
    for (const uint32_t colour : expected) {
        editor.key("[");
        EXPECT_EQ(shown(editor, 381, 290), colour);
    }
    EXPECT_EQ(shown(editor, 380 + dotX, 285 + dotY), 0x00103F);  // 0x40 and 0xFF at 25 per cent
    editor.key("]]]]");
    EXPECT_EQ(editor.state().viewPictures.views[0].opacity, 100);
}

TEST_F(ViewPictureScenario, shiftDragsMoveAndScaleThePictureButNotTheView) {
    Scenario editor;
    frontWithPicture(editor);
    headless::holdModifiers(shiftModifier);
    editor.moveTo(100, 100);
    editor.press(leftButton);
    editor.moveTo(110, 105);
    editor.release(leftButton);
    EXPECT_EQ(editor.state().camera.panX, 0);
    EXPECT_EQ(shown(editor, 390 + dotX, 290 + dotY), ink);
    const auto& centre = editor.state().viewPictures.views[0].centre;
    EXPECT_DOUBLE_EQ(centre[0], 10.0);
    EXPECT_DOUBLE_EQ(centre[1], 5.0);
    editor.press(rightButton);
    editor.moveTo(310, 105);  // 200 pixels right doubles the picture about its centre
    editor.release(rightButton);
    headless::holdModifiers(0);
    EXPECT_DOUBLE_EQ(editor.state().viewPictures.views[0].unitsPerPixel, 2.0);
    EXPECT_EQ(editor.state().camera.zoom, 400.0f);
    EXPECT_EQ(shown(editor, 410 - 40 + 2 * dotX, 305 - 30 + 2 * dotY), ink);
    editor.moveTo(100, 100);
    editor.press(leftButton);  // without Shift a drag pans again
    editor.moveTo(103, 100);
    editor.release(leftButton);
    EXPECT_EQ(editor.state().camera.panX, 3);
}

TEST_F(ViewPictureScenario, calibrationScalesThePictureSoTwoClickedPointsLieATypedDistanceApart) {
    Scenario editor;
    frontWithPicture(editor);
    editor.key("k");
    EXPECT_EQ(textLine(4), "calibrate: left-click the first point on the picture, Esc to cancel");
    editor.click(385, 290);
    EXPECT_EQ(textLine(4), "calibrate: left-click the second point, then type their distance");
    clickThenType(editor, 405, 290, "50\r");
    EXPECT_DOUBLE_EQ(editor.state().viewPictures.views[0].unitsPerPixel, 2.5);
    EXPECT_EQ(textLine(5), "calibrated");
    EXPECT_EQ(editor.state().camera.panX, 0);
    editor.key("k");
    editor.click(385, 290);
    clickThenType(editor, 405, 290, "-3\r");
    EXPECT_DOUBLE_EQ(editor.state().viewPictures.views[0].unitsPerPixel, 2.5);
    EXPECT_EQ(textLine(5), "not a positive number: the scale stays");
    editor.key("k");
    editor.key("\x1B");
    EXPECT_EQ(editor.state().viewPictures.tool.gesture, PictureGesture::none);
}

TEST_F(ViewPictureScenario, aVertexPlacedOnADotOfThePictureIsDrawnOnItAtAnyZoomAndPan) {
    Scenario editor;
    frontWithPicture(editor);
    editor.key("v");
    editor.moveTo(380 + dotX, 285 + dotY);
    editor.state().input.pointerDistance = 0;  // the pointer in the picture's plane
    editor.click(380 + dotX, 285 + dotY);
    ASSERT_EQ(editor.state().model.vertexCount, 9);
    EXPECT_EQ(editor.state().model.vertices[8], (Vertex{dotX - 20, dotY - 15, 0}));
    editor.key("c");
    editor.moveTo(200, 200);
    editor.press(leftButton);
    editor.moveTo(237, 171);
    editor.release(leftButton);
    editor.key("++");
    const ProjectedVertex& row = editor.state().projected[8];
    editor.key("1");  // markers off: the dot itself shows under the vertex
    const uint32_t under = shown(editor, row.screenX, row.screenY);
    EXPECT_EQ(under, ink);
}

TEST_F(ViewPictureScenario, theReferencesFileKeepsEachViewsPictureAndPlacementWithTheModel) {
    {
        Scenario editor;
        frontWithPicture(editor);
        editor.key("[[");
        editor.state().viewPictures.views[0].centre = {12.5, -3, 0};
        editor.state().viewPictures.views[0].unitsPerPixel = 0.75;
        typed(editor, "fadrawings.vx\r");
    }
    EXPECT_EQ(textOf("drawings.vxref"), "front \"front.bmp\" 12.5 -3 0 0.75 50\n");
    Scenario editor({"drawings.vx"});
    const ViewPicture& front = editor.state().viewPictures.views[0];
    ASSERT_TRUE(front.present);
    EXPECT_EQ(front.width, 40);
    EXPECT_DOUBLE_EQ(front.centre[0], 12.5);
    EXPECT_DOUBLE_EQ(front.unitsPerPixel, 0.75);
    EXPECT_EQ(front.opacity, 50);
    // Removed pictures leave no file behind.
    typed(editor, "fBs");
    EXPECT_FALSE(std::filesystem::exists("drawings.vxref"));
}

TEST_F(ViewPictureScenario, aMissingPictureIsNamedAndSkippedAndTheModelStillLoads) {
    {
        Scenario editor;
        frontWithPicture(editor);
        typed(editor, "fadrawings.vx\r");
    }
    std::filesystem::remove("front.bmp");
    writeFile("drawings.vxref", bytesOf(textOf("drawings.vxref") + "top \"nowhere.png\" 0 0 0 1 100\nnonsense\n"));
    Scenario editor;
    typed(editor, "fldrawings.vx\r");
    EXPECT_EQ(editor.state().currentFileName, "drawings.vx");
    EXPECT_FALSE(editor.state().viewPictures.views[0].present);
    EXPECT_FALSE(editor.state().viewPictures.views[4].present);
    EXPECT_EQ(editor.state().heldMessage.text, "");  // shown once, on the frame after the load
    EXPECT_EQ(textLine(4).substr(textLine(4).find("front.bmp")),
              "front.bmp (no such file), nowhere.png (no such file), a line that is not a view's picture");
}

// Every cut and many damaged copies of a good file: the loader keeps only what it can read
// whole, and a picture it keeps is placed sensibly.
TEST_F(ViewPictureScenario, aCutOrDamagedReferencesFileNeverGivesAPictureABadPlacement) {
    const std::string good = "front \"front.bmp\" 12.5 -3 0 0.75 50\nright \"front.bmp\" 1 2 3 4 100\n";
    auto state = std::make_unique<EditorState>();
    initEditorState(*state);
    std::mt19937 random(33);
    for (std::size_t trial = 0; trial < good.size() + 300; ++trial) {
        std::string text = good.substr(0, std::min(trial, good.size()));
        if (trial >= good.size())
            text[random() % text.size()] = static_cast<char>(random() % 256);
        writeFile("m.vxref", bytesOf(text));
        loadViewReferences(*state, "m.vx");
        for (const ViewPicture& picture : state->viewPictures.views) {
            if (!picture.present) continue;
            EXPECT_GT(picture.unitsPerPixel, 0.0) << text;
            EXPECT_TRUE(picture.opacity % 25 == 0 && picture.opacity >= 25 && picture.opacity <= 100) << text;
            EXPECT_EQ(picture.width, 40);
        }
    }
    writeFile("m.vxref", bytesOf(good));
    EXPECT_EQ(loadViewReferences(*state, "m.vx"), "");
    EXPECT_TRUE(state->viewPictures.views[0].present && state->viewPictures.views[2].present);
}

TEST(ViewReferences, thePathIsKeptRelativeToTheModelsFolderWithQuotesEscaped) {
    ViewPictures pictures{};
    pictures.views[5] = {true, "models/pics/under \"b\".png", 1, 1, {0}, {1, 2, 3}, 0.5, 25};
    EXPECT_EQ(encodeViewReferences(pictures, "models/car.vx"), "bottom \"pics/under \\\"b\\\".png\" 1 2 3 0.5 25\n");
    EXPECT_EQ(referencesPathFor("a/car.vx"), "a/car.vxref");
    EXPECT_EQ(referencesPathFor("car.model"), "car.model.vxref");
}

}  // namespace
}  // namespace vx::test
