// The File-mode commands as a user meets them: quick save, save as, load and reload.
#include <gtest/gtest.h>

#include "io/file_test_support.h"
#include "platform/headless/headless.h"
#include "support/scenario.h"
#include "support/screen_text.h"

namespace vx::test {
namespace {

using FileCommands = InTempFolder;

TEST_F(FileCommands, quickSaveWritesTheCurrentFileOnlyInFileMode) {
    Scenario editor;
    editor.key("s");  // a quarter turn in Rotate mode
    EXPECT_TRUE(folderEntries().empty());
    editor.key("f");
    const auto frames = editor.state().loop.framesDrawn;
    editor.key("SA");
    EXPECT_TRUE(folderEntries().empty());
    editor.key("s");
    EXPECT_EQ(readFile("unnamed.vx").size(), 108u);
    EXPECT_EQ(editor.state().loop.framesDrawn, frames);  // a save leaves its message standing
}

TEST_F(FileCommands, reloadBringsBackTheSavedModelAndDrawsIt) {
    Scenario editor;
    editor.key("fs");
    editor.state().model.vertexCount = 3;
    editor.state().model.vertices[0].x = 5;
    const auto frames = editor.state().loop.framesDrawn;
    editor.key("L");
    EXPECT_EQ(editor.state().model.vertexCount, 8);
    EXPECT_EQ(editor.state().model.vertices[0].x, -100);
    EXPECT_EQ(editor.state().loop.framesDrawn, frames + 1);
}

TEST_F(FileCommands, reloadOfAMissingFileChangesNothingAndCreatesNothing) {
    Scenario editor;
    editor.key("f");
    const auto frames = editor.state().loop.framesDrawn;
    editor.key("L");
    EXPECT_EQ(editor.state().model.vertexCount, 8);
    EXPECT_EQ(editor.state().loop.framesDrawn, frames);
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(FileCommands, withoutACurrentNameNothingIsSavedOrLoaded) {
    Scenario editor;
    editor.key("f");
    editor.state().currentFileName.clear();
    editor.key("sL");
    EXPECT_TRUE(folderEntries().empty());
    EXPECT_EQ(editor.state().model.vertexCount, 8);
}

// Scripts the whole entry before the pass runs: the line editor blocks the pass until Enter.
void command(Scenario& editor, std::string_view keys) {
    headless::typeOneByOne(keys);
    editor.run();
}

TEST_F(FileCommands, anEmptyEntryCancelsOnRowFourAndLeavesNoCurrentName) {
    Scenario editor;
    editor.key("f");
    command(editor, "a\r");
    EXPECT_EQ(textLine(3), "save to file:?");
    EXPECT_EQ(textLine(4), "cancelled");
    EXPECT_EQ(editor.state().currentFileName, "");
    EXPECT_EQ(textLine(2), "File mode. l=load, a=save as, s=quick save, current file:");
    editor.key("s");  // without a name a quick save cancels too, on row 3
    EXPECT_EQ(textLine(3), "cancelled");
    EXPECT_EQ(textLine(4), "");
    command(editor, "l\r");
    EXPECT_EQ(textLine(4), "cancelled");
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(FileCommands, saveAsWritesTheNamedFileAndMakesItCurrent) {
    Scenario editor;
    editor.key("f");
    command(editor, "amine.vx\r");
    EXPECT_EQ(textLine(3), "save to file:? mine.vx");
    EXPECT_EQ(textLine(4), "done.");
    EXPECT_EQ(editor.state().currentFileName, "mine.vx");
    EXPECT_EQ(readFile("mine.vx").size(), 108u);
    editor.key("s");
    EXPECT_EQ(textLine(3), "done.");
    EXPECT_EQ(textLine(4), "");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"mine.vx"});
}

TEST_F(FileCommands, aSaveThatCannotBeWrittenSaysSoAndKeepsTheOldFile) {
    Scenario editor;
    editor.key("fs");
    const Bytes before = readFile("unnamed.vx");
    editor.state().model.vertexCount = 2;
    command(editor, "amissing/m.vx\r");
    EXPECT_EQ(textLine(4), "save failed");
    editor.key("s");
    EXPECT_EQ(textLine(3), "save failed");
    EXPECT_EQ(textLine(4), "");  // no letter of the longer message is left behind
    EXPECT_EQ(readFile("unnamed.vx"), before);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"unnamed.vx"});
}

TEST_F(FileCommands, loadReplacesTheModelAndTheNextFrameCoversTheMessageRows) {
    Scenario editor;
    editor.key("f");
    command(editor, "acube.vx\r");
    editor.state().model.vertexCount = 1;
    command(editor, "lcube.vx\r");
    EXPECT_EQ(editor.state().model.vertexCount, 8);
    EXPECT_EQ(textLine(3), "");
    EXPECT_EQ(textLine(4), "");
    EXPECT_EQ(textLine(1), "axy  0 axz  0 ayz  0 distance  400 zoom  200 verts  8 polys  0 drawdepth  600");
}

TEST_F(FileCommands, aRefusedLoadSaysInvalidFileButKeepsTheEnteredName) {
    Scenario editor;
    editor.key("f");
    editor.key("L");
    EXPECT_EQ(textLine(3), "invalid file");
    EXPECT_TRUE(folderEntries().empty());
    writeFile("notes.txt", bytesOf("not a model"));
    command(editor, "lnotes.txt\r");
    EXPECT_EQ(textLine(4), "invalid file");
    EXPECT_EQ(editor.state().model.vertexCount, 8);
    EXPECT_EQ(editor.state().currentFileName, "notes.txt");
    editor.key("s");  // the entered name stays current, so a quick save writes it
    EXPECT_EQ(readFile("notes.txt").size(), 108u);
}

}  // namespace
}  // namespace vx::test
