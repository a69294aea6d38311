// The File-mode commands as a user meets them: quick save, save as, load and reload.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST_F(FileCommands, anEmptyEntryCancelsOnRowFourAndKeepsTheCurrentName) {
    Scenario editor;
    editor.key("f");
    command(editor, "a\r");
    EXPECT_EQ(textLine(3), "save to file:?");
    EXPECT_EQ(textLine(4), "cancelled");
    command(editor, "l\r");
    EXPECT_EQ(textLine(4), "cancelled");
    EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
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

// A 4,095-character name once went into the page's store and filled its file list: a name, or a
// folder on its path, of more than 255 bytes is refused, and 255 are taken. A long name wraps
// over several rows, and the message follows it.
bool someRowSays(std::string_view message) {
    for (int row = 3; row <= 12; ++row) {
        if (textLine(row) == message) return true;
    }
    return false;
}

TEST_F(FileCommands, namesOfMoreThan255BytesAreRefusedBeforeAnyFileIsTouched) {
    Scenario editor;
    editor.key("f");
    for (const std::string& name : {std::string(256, 'n'), std::string(256, 'd') + "/m.vx"}) {
        command(editor, "a" + name + "\r");
        EXPECT_TRUE(someRowSays("name too long: at most 255 bytes"));
        command(editor, "L");
        command(editor, "l" + name + "\r");
        EXPECT_TRUE(someRowSays("name too long: at most 255 bytes"));
    }
    EXPECT_TRUE(folderEntries().empty());
    EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
    command(editor, "a" + std::string(252, 'n') + ".vx\r");
    EXPECT_TRUE(someRowSays("done."));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{std::string(252, 'n') + ".vx"});
}

// Each message replaces the one before it whole, on row 3 (quick commands) and row 4 (after a
// typed name): "save failed" over "invalid file" once left "save failede".
TEST_F(FileCommands, eachMessageReplacesTheEarlierOneWhole) {
    Scenario editor;
    editor.key("f");
    editor.state().currentFileName = "missing/m.vx";
    editor.key("L");
    EXPECT_EQ(textLine(3), "load failed: no such file or folder");
    editor.key("s");
    EXPECT_EQ(textLine(3), "save failed: no such file or folder");
    writeFile("notes.txt", bytesOf("not a model"));
    command(editor, "anotes.txt\r");
    EXPECT_EQ(textLine(4), "not a model file: save refused");
    command(editor, "lnotes.txt\r");
    EXPECT_EQ(textLine(4), "invalid file");
    command(editor, "a\r");
    EXPECT_EQ(textLine(4), "cancelled");
    editor.key("L");
    EXPECT_EQ(textLine(3), "load failed: no such file or folder");
    EXPECT_EQ(textLine(4), "");
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

// A new user typed a text file's name after "l"; the quick save that followed replaced the text
// with a model. A failed load or save-as now keeps the current name, and no save replaces a file
// that is not a model file.
TEST_F(FileCommands, failedCommandsKeepTheNameAndNoTextFileIsEverReplaced) {
    Scenario editor;
    editor.key("f");
    const Bytes notes = bytesOf("not a model");
    writeFile("notes.txt", notes);
    command(editor, "lnotes.txt\r");
    EXPECT_EQ(textLine(4), "invalid file");
    EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
    command(editor, "amissing/m.vx\r");
    EXPECT_EQ(textLine(4), "save failed: no such file or folder");
    command(editor, "anotes.txt\r");
    EXPECT_EQ(textLine(4), "not a model file: save refused");
    EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
    editor.key("s");
    EXPECT_EQ(textLine(3), "done.");
    EXPECT_EQ(readFile("notes.txt"), notes);
    writeFile("empty.vx", {});  // an empty file may be replaced, as may a model file
    command(editor, "aempty.vx\r");
    EXPECT_EQ(readFile("empty.vx"), readFile("unnamed.vx"));
    EXPECT_EQ(editor.state().currentFileName, "empty.vx");
}

// Typed names are code page 437, names on disk UTF-8; the status row shows a name from elsewhere
// in code page 437, with "?" for what the page lacks.
TEST_F(FileCommands, typedNamesAreStoredAsUtf8AndShownInCodePage437) {
    Scenario editor;
    editor.key("f");
    command(editor, "amod\x8Ale.vx\r");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"mod\xC3\xA8le.vx"});
    EXPECT_EQ(textLine(2), "File mode. l=load, a=save as, s=quick save, current file:mod\x8Ale.vx");
    editor.state().currentFileName = "\xE6\x97\xA5\xC3\xA8.vx";
    editor.key("f");
    EXPECT_EQ(textLine(2), "File mode. l=load, a=save as, s=quick save, current file:?\x8A.vx");
}

// A file cut short still loads, with what is missing read as 0, and says so over the frame the
// load brings; a file of just the signature is a whole empty model and says nothing.
TEST_F(FileCommands, aFileThatEndsEarlySaysSoAndLoadsWithZerosForWhatIsMissing) {
    Bytes cut = bytesOf(std::string("VTXF\0\x08\0\0\0\0\0\0", 12));  // promises 8 vertices
    for (const int32_t v : {-5, 6, 7, 300, -400}) {
        const auto u = static_cast<uint32_t>(v);
        cut.insert(cut.end(), {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)});
    }
    cut.resize(30);  // the second vertex stops after 2 bytes of its y
    writeFile("cut.vx", cut);
    writeFile("empty.vx", bytesOf("VTXF"));
    Scenario editor;
    editor.key("f");
    command(editor, "lcut.vx\r");
    const Model& model = editor.state().model;
    EXPECT_EQ(textLine(4), "file ends early: missing data read as 0");
    EXPECT_EQ(model.vertexCount, 8);
    EXPECT_TRUE(model.vertices[0].x == -5 && model.vertices[0].y == 6 && model.vertices[0].z == 7);
    EXPECT_TRUE(model.vertices[1].x == 300 && model.vertices[1].y == (-400 & 0xFFFF) && model.vertices[1].z == 0);
    EXPECT_TRUE(model.vertices[7].x == 0 && model.vertices[7].y == 0 && model.vertices[7].z == 0);
    editor.key("L");
    EXPECT_EQ(textLine(3), "file ends early: missing data read as 0");
    EXPECT_EQ(textLine(4), "");
    command(editor, "lempty.vx\r");
    EXPECT_EQ(model.vertexCount, 0);
    EXPECT_EQ(textLine(3), "");
    EXPECT_EQ(textLine(4), "");
}

// The title names the document and marks unsaved changes, through edits, saves, undo and loads.
TEST_F(FileCommands, theWindowTitleNamesTheDocumentAndMarksUnsavedChanges) {
    const std::string dash = " \u2014 vxedit";
    Scenario editor;
    EXPECT_EQ(headless::windowTitle(), "unnamed.vx" + dash);
    editor.key("v");
    editor.click(420, 310);
    EXPECT_EQ(headless::windowTitle(), "*unnamed.vx" + dash);
    editor.keyCode(26);  // Ctrl+Z: back to what was saved
    EXPECT_EQ(headless::windowTitle(), "unnamed.vx" + dash);
    editor.keyCode(25);
    editor.key("f");
    command(editor, "asub/../m\x82.vx\r");  // typed in the keyboard's code page, kept in UTF-8
    EXPECT_TRUE(folderEntries().empty());     // no such folder: the save failed, nothing changes
    EXPECT_EQ(headless::windowTitle(), "*unnamed.vx" + dash);
    fs::create_directory("sub");
    command(editor, "asub/../m\x82.vx\r");
    EXPECT_EQ(headless::windowTitle(), "m\xC3\xA9.vx" + dash);
    editor.state().currentFileName.clear();
    editor.key("S");
    EXPECT_EQ(headless::windowTitle(), "vxedit");
}

// Two editors on one file, or a converter writing a file that is open: the next "s" once
// replaced the other's work silently. The first save now asks; a second one replaces; a file
// only touched, with the same content, is saved at once.
TEST_F(FileCommands, aSaveOverAFileChangedOnDiskAsksFirst) {
    Scenario editor;
    editor.key("f");
    command(editor, "acube.vx\r");
    const Bytes theirs = bytesOf("VTXF\0\0\0\0\0\0\0\0");
    writeFile("cube.vx", theirs);
    editor.key("s");
    EXPECT_EQ(textLine(3).rfind("changed on disk at ", 0), 0u) << textLine(3);
    EXPECT_NE(textLine(3).find(": s again to replace it, a to save as"), std::string::npos);
    EXPECT_EQ(readFile("cube.vx"), theirs);
    editor.key("s");
    EXPECT_EQ(textLine(3), "done.");
    const Bytes ours = readFile("cube.vx");
    EXPECT_NE(ours, theirs);

    fs::last_write_time("cube.vx", fs::file_time_type::clock::now() + std::chrono::hours(1));
    editor.key("s");
    EXPECT_EQ(textLine(3), "done.");
    writeFile("cube.vx", theirs);  // changed again after that save: asked again
    editor.key("s");
    EXPECT_EQ(readFile("cube.vx"), theirs);
    fs::remove("cube.vx");  // gone: the save makes it again
    editor.key("s");
    EXPECT_EQ(textLine(3), "done.");
    EXPECT_EQ(readFile("cube.vx"), ours);
}

// "l" of a named pipe once froze the editor for good, "q" ignored. A pipe, a device or a folder
// is refused at once, with the reason.
TEST_F(FileCommands, loadingAnythingButARegularFileIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    fs::create_directory("dir");
    Scenario editor;
    editor.key("f");
    for (const auto& [typed, said] : {std::pair<std::string, std::string>{"lpipe\r", "load failed: not a regular file"},
                                      {"l/dev/zero\r", "load failed: not a regular file"},
                                      {"ldir\r", "load failed: a folder, not a file"}}) {
        command(editor, typed);
        EXPECT_EQ(textLine(4), said);
        EXPECT_EQ(editor.state().currentFileName, "unnamed.vx");
    }
    editor.key("q");
    EXPECT_TRUE(editor.ended());
}

}  // namespace
}  // namespace vx::test
