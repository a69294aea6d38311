// Other model formats in the editor: opened from the command line or typed after "l", they come
// in at a usable size as NAME.vx beside the file, unsaved, and the file itself is never written.
#include <gtest/gtest.h>

#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "platform/console/display.h"
#include "platform/headless/headless.h"
#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

// A cube of edge 2, as most files in metres hold one, with a line across it.
constexpr std::string_view cubeObj =
    "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\nl 1 7\n";

class OpeningOtherFormats : public InTempFolder {
protected:
    void expectImportedCube(const EditorState& state, const std::string& name) {
        EXPECT_EQ(state.currentFileName, name);
        EXPECT_TRUE(state.history.unsavedChanges);
        EXPECT_EQ(state.model.vertexCount, 8);
        EXPECT_EQ(state.model.polygonCount, 6);
        EXPECT_EQ(state.model.lineCount, 1);
        for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(std::abs(state.model.vertices[static_cast<std::size_t>(i)].x), 100);
    }
};

TEST_F(OpeningOtherFormats, anObjOnTheCommandLineIsTheUnsavedModelNamedBesideIt) {
    fs::create_directories("models");
    writeFile("models/box.obj", bytesOf(cubeObj));
    testing::internal::CaptureStderr();
    Scenario editor({"models/box.obj"});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("vxedit: note: models/box.obj: scaled by 100"),
              std::string::npos);
    ASSERT_FALSE(editor.ended());
    expectImportedCube(editor.state(), "models/box.vx");
    editor.key("\x1a");  // the import is where undo starts
    EXPECT_EQ(editor.state().model.vertexCount, 8);
    EXPECT_EQ(fs::directory_iterator("models")->path().filename(), "box.obj");  // nothing written yet
    editor.key("fs");
    EXPECT_FALSE(editor.state().history.unsavedChanges);
    EXPECT_EQ(readFile("models/box.obj"), bytesOf(cubeObj));
    auto saved = std::make_unique<EditorState>();
    initEditorState(*saved);
    ASSERT_EQ(loadModel(*saved, "models/box.vx"), LoadVerdict::loaded);
    EXPECT_TRUE(sameModel(saved->model, editor.state().model));
}

TEST_F(OpeningOtherFormats, theLoadPromptImportsAnObjAndStillRefusesText) {
    writeFile("box.obj", bytesOf(cubeObj));
    writeFile("notes.txt", bytesOf("not a model"));
    Scenario editor;
    editor.key("f");
    headless::typeOneByOne("lbox.obj\r");
    editor.run();
    expectImportedCube(editor.state(), "box.vx");
    headless::typeOneByOne("lnotes.txt\r");
    editor.run();
    EXPECT_EQ(textLine(4), "invalid file");
    EXPECT_EQ(editor.state().currentFileName, "box.vx");
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"box.obj", "notes.txt"}));
}

// A model past the limits, or a damaged one, ends the start with one line that says what to do.
TEST_F(OpeningOtherFormats, anObjThatCannotComeInEndsTheStartWithItsReason) {
    std::string big;
    for (int i = 0; i < 5001; ++i) big += "v " + std::to_string(i) + " 0 0\nv " + std::to_string(i) + " 1 0\n";
    for (int i = 1; i + 2 <= 10002; i += 2) big += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " +
                                                  std::to_string(i + 2) + "\n";
    writeFile("big.obj", bytesOf(big));
    writeFile("broken.obj", bytesOf("v 1 2\nf 1 9 7\n"));
    for (const char* name : {"big.obj", "broken.obj"}) {
        testing::internal::CaptureStderr();
        Scenario editor({name});
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(editor.ended()) << name;
        EXPECT_EQ(editor.exitStatus(), 1) << name;
        EXPECT_EQ(said.rfind(std::string("vxedit: ") + name + ": ", 0), 0u) << said;
        EXPECT_EQ(screenPixels(), nullptr) << name;
    }
    testing::internal::CaptureStderr();
    Scenario editor({"big.obj"});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("vxtool convert --simplify"), std::string::npos);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"big.obj", "broken.obj"}));
}

// Hostile files once ended the session with status 139: 40 KB of nested brackets overflowed the
// glTF library's stack, SHORT indices made the index reader read past its buffer, and a
// LightWave scene crashed the importer library. Each is now a one-line refusal, the model as it
// was and the editor running; the same files are fuzz seeds.
TEST_F(OpeningOtherFormats, hostileFilesAreRefusedAndTheSessionGoesOn) {
    const fs::path hostile = fs::path(VX_SOURCE_DIR) / "tests/exchange/hostile";
    const std::pair<const char*, const char*> cases[] = {
        {"nested-brackets.gltf", "nests deeper than 64 levels"},
        {"short-indices.gltf", "indices of a type other than unsigned byte, short or int"},
        {"lightwave-scene.lws", "invalid file"}};
    Scenario editor;
    editor.key("v");
    editor.click(420, 310);
    const int32_t vertices = editor.state().model.vertexCount;
    editor.key("f");
    for (const auto& [name, refusal] : cases) {
        SCOPED_TRACE(name);
        fs::copy_file(hostile / name, name);
        headless::typeOneByOne(std::string("l") + name + "\r");
        editor.run();
        EXPECT_FALSE(editor.ended());
        EXPECT_NE(textLine(4).find(refusal), std::string::npos) << textLine(4);
        EXPECT_EQ(editor.state().model.vertexCount, vertices);
        EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
    }
}

// A companion file that is a symbolic link (data.bin -> a file elsewhere) is never read.
TEST_F(OpeningOtherFormats, aCompanionThatIsALinkIsNotRead) {
    const std::string gltf =
        R"({"asset":{"version":"2.0"},"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
        R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
        R"("bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"byteLength":36,"uri":"data.bin"}]})";
    writeFile("tri.gltf", bytesOf(gltf));
    writeFile("elsewhere.bin", Bytes(36, 0));
    fs::create_symlink(folder / "elsewhere.bin", "data.bin");
    Scenario editor;
    editor.key("f");
    headless::typeOneByOne("ltri.gltf\r");
    editor.run();
    EXPECT_NE(textLine(4).find("data.bin"), std::string::npos) << textLine(4);
    EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
    fs::remove("data.bin");
    fs::copy_file("elsewhere.bin", "data.bin");  // the same bytes as a plain file are read
    headless::typeOneByOne("ltri.gltf\r");
    editor.run();
    EXPECT_EQ(editor.state().currentFileName, "tri.vx");
    EXPECT_EQ(editor.state().model.vertexCount, 3);
}

}  // namespace
}  // namespace vx::test
