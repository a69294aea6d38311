// The editor's command line as a user meets it: a model and a picture in either order, names
// with spaces, and every start-up failure ending before the window opens with one line.
#include <gtest/gtest.h>

#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "platform/console/display.h"
#include "support/picture_writer.h"
#include "support/scenario.h"
#include "support/screen_text.h"
#include "vxedit/command_line.h"

namespace vx::test {
namespace {

class StartUpArguments : public InTempFolder {
protected:
    // A model of three vertices, unlike the default cube.
    void writeModel(const std::string& name) {
        auto state = std::make_unique<EditorState>();
        initEditorState(*state);
        state->model.vertexCount = 3;
        state->model.vertices[2] = {7, 8, 9};
        ASSERT_TRUE(saveModel(*state, name));
    }
    void writePicture(const std::string& name) {
        picture = Picture(3, 2);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = 0x112233u * static_cast<uint32_t>(i + 1);
        ASSERT_TRUE(writePng(name, picture));
    }
    void expectPictureShown(const EditorState& state) {
        EXPECT_EQ(state.background.hasBackground, 1);
        EXPECT_EQ(state.screen.backgroundImage[pixelIndex(state.screen, 2, 1)], picture.at(2, 1));
    }
    Picture picture;
};

TEST_F(StartUpArguments, aModelArgumentIsLoadedAndQuickSaveWritesItBack) {
    writeModel("model.vx");
    Scenario editor({"model.vx"});
    ASSERT_FALSE(editor.ended());
    EXPECT_EQ(editor.state().model.vertexCount, 3);
    EXPECT_EQ(editor.state().currentFileName, "model.vx");
    EXPECT_EQ(editor.state().background.hasBackground, 0);
    // The opened model is the saved state: nothing to recover, and no undo back to the cube.
    EXPECT_FALSE(editor.state().history.unsavedChanges);
    editor.key("\x1a");
    EXPECT_EQ(editor.state().model.vertexCount, 3);
    editor.key("v");
    editor.click(400, 300);  // places a fourth vertex
    editor.key("fs");
    EXPECT_EQ(readFile("model.vx").size(), modelFileBytes(4, 0, 0));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"model.vx"});
}

TEST_F(StartUpArguments, modelAndPictureAreTakenInEitherOrder) {
    writeModel("model.vx");
    writePicture("trace.png");
    for (const auto& args : {std::vector<std::string>{"model.vx", "trace.png"}, {"trace.png", "model.vx"}}) {
        Scenario editor(args);
        ASSERT_FALSE(editor.ended()) << args[0];
        EXPECT_EQ(editor.state().model.vertexCount, 3) << args[0];
        EXPECT_EQ(editor.state().currentFileName, "model.vx") << args[0];
        expectPictureShown(editor.state());
    }
}

TEST_F(StartUpArguments, aNameWithSpacesWorksQuotedOrNotAndIsNeverTheModelsName) {
    writePicture("my trace.png");
    const Bytes pictureBytes = readFile("my trace.png");
    for (const auto& args : {std::vector<std::string>{"my trace.png"}, {"my", "trace.png"}}) {
        Scenario editor(args);
        ASSERT_FALSE(editor.ended()) << args.size();
        expectPictureShown(editor.state());
        EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
        editor.key("fs");
        EXPECT_EQ(readFile("my trace.png"), pictureBytes);
    }
}

TEST_F(StartUpArguments, everyUnusableStartEndsBeforeTheWindowWithOneLineAndCreatesNothing) {
    writeModel("model.vx");
    writeModel("other.vx");
    writePicture("a.png");
    writePicture("b.png");
    writeFile("notes.txt", bytesOf("just some text\n"));
    writeFile("broken.vx", {'V', 'T', 'X', 'F', 0x17, 0x71, 0, 0, 0, 0, 0, 0});  // 6001 vertices
    const auto before = folderEntries();
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string line;
    };
    const Case cases[] = {
        {{"missing.png"}, 1, "vxedit: missing.png: no such file"},
        {{"missing"}, 1, "vxedit: missing: no such file"},
        {{"model.vx", "missing.png"}, 1, "vxedit: missing.png: no such file"},
        {{"notes.txt"}, 1, "vxedit: notes.txt: infile is not a 'BM': neither a PNG, JPEG or BMP picture nor a model"},
        {{"broken.vx"}, 1, "vxedit: broken.vx: invalid file"},
        {{"a.png", "b.png"}, 2, "vxedit: 'a.png' and 'b.png' are both pictures; give at most one"},
        {{"model.vx", "other.vx"}, 2, "vxedit: 'model.vx' and 'other.vx' are both models; give at most one"},
        {{"model.vx", "a.png", "b.png"}, 2, "vxedit: too many files; give at most one model and one picture"},
        {{"--frobnicate", "model.vx"}, 2, "vxedit: unknown option '--frobnicate' (vxedit --help lists the options)"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        Scenario editor(c.args);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line + "\n") << c.args[0];
        EXPECT_TRUE(editor.ended()) << c.args[0];
        EXPECT_EQ(editor.exitStatus(), c.status) << c.args[0];
        EXPECT_EQ(screenPixels(), nullptr) << c.args[0] << ": the window opened";
    }
    EXPECT_EQ(folderEntries(), before);
}

TEST_F(StartUpArguments, aNameAfterTheEndOfOptionsIsAFileAndAnEmptyOneIsNone) {
    writePicture("-x.png");
    Scenario editor({"", "--", "-x.png"});
    ASSERT_FALSE(editor.ended());
    expectPictureShown(editor.state());
}

// A name ending in .vx that does not exist yet starts the default model under that name, with
// or without a picture; nothing is written before a save.
TEST_F(StartUpArguments, aNewModelByNameStartsTheCubeAndCreatesNothingUntilASave) {
    writePicture("trace.png");
    for (const auto& args : {std::vector<std::string>{"new.vx"}, {"trace.png", "new.vx"}}) {
        Scenario editor(args);
        ASSERT_FALSE(editor.ended()) << args.size();
        EXPECT_EQ(editor.state().currentFileName, "new.vx");
        EXPECT_EQ(editor.state().model.vertexCount, 8);
        EXPECT_FALSE(editor.state().history.unsavedChanges);
        EXPECT_EQ(folderEntries(), std::vector<std::string>{"trace.png"});
        editor.key("fs");
        EXPECT_EQ(readFile("new.vx").size(), modelFileBytes(8, 0, 0));
        fs::remove("new.vx");
    }
}

TEST_F(StartUpArguments, aModelThatEndsEarlyOpensWithTheWarningOnStandardErrorAndInTheWindow) {
    writeFile("cut.vx", {'V', 'T', 'X', 'F', 0, 2, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0});
    testing::internal::CaptureStderr();
    Scenario editor({"cut.vx"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "vxedit: cut.vx: file ends early: missing data read as 0\n");
    ASSERT_FALSE(editor.ended());
    EXPECT_EQ(editor.state().model.vertexCount, 2);
    EXPECT_EQ(editor.state().model.vertices[0].x, 9);
    EXPECT_EQ(textLine(4), "file ends early: missing data read as 0");
}

}  // namespace
}  // namespace vx::test

namespace vx::test {
namespace {

TEST(ScaleOption, takesOneToFourAloneOrJoinedAndAnythingElseIsAUsageError) {
    const struct {
        std::vector<std::string> args;
        int32_t scale;  // -1: a usage error
    } cases[] = {
        {{}, 0},
        {{"--scale", "2", "m.vx"}, 2},
        {{"m.vx", "--scale=4"}, 4},
        {{"--scale=1"}, 1},
        {{"--", "--scale", "3"}, 0},  // names of files
        {{"--scale", "0"}, -1},
        {{"--scale=5"}, -1},
        {{"--scale", "two"}, -1},
        {{"--scale"}, -1},
        {{"--scale="}, -1},
    };
    for (const auto& c : cases) {
        const StartRequest request = parseCommandLine(c.args);
        const std::string shown = c.args.empty() ? "(none)" : c.args[0] + " ...";
        if (c.scale < 0) {
            EXPECT_EQ(request.action, StartRequest::Action::usageError) << shown;
            EXPECT_EQ(request.problem, "--scale takes 1, 2, 3 or 4") << shown;
        } else {
            EXPECT_NE(request.action, StartRequest::Action::usageError) << shown << ": " << request.problem;
            EXPECT_EQ(request.windowScale, c.scale) << shown;
        }
    }
}

}  // namespace
}  // namespace vx::test
