// The File-mode commands as a user meets them: quick save, save as, load and reload.
#include <gtest/gtest.h>

#include "io/file_test_support.h"
#include "support/scenario.h"

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

}  // namespace
}  // namespace vx::test
