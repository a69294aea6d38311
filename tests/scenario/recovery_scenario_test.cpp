// Recovery copies: the editor's end by "q", the close button and signals, the 30-second refresh,
// removal after a save, the 20-copy limit, copies of running editors, privacy and a folder that
// cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdlib>

#include "io/file_test_support.h"
#include "io/model/model_file.h"
#include "platform/console/input.h"
#include "platform/headless/headless.h"
#include "platform/seam/input_feed.h"
#include "render/render_threads.h"
#include "support/scenario.h"
#include "support/screen_text.h"
#include "ui/recovery.h"

namespace vx::test {
namespace {

// The model as a save writes it, which is what a copy must hold.
Bytes modelBytes(Scenario& editor) {
    EXPECT_TRUE(saveModel(editor.state(), "snapshot.vx"));
    return readFile("snapshot.vx");
}

void placeVertex(Scenario& editor) {
    editor.moveTo(400, 300);
    editor.key("v");
    editor.click(420, 310);
}

class Recovery : public InTempFolder {
protected:
    void SetUp() override {
        InTempFolder::SetUp();
        previousStateHome = std::getenv("XDG_STATE_HOME");
        pointStateHomeAt(folder / "state");
    }
    void TearDown() override {
        ::setenv("XDG_STATE_HOME", previousStateHome.c_str(), 1);
        InTempFolder::TearDown();
    }
    void pointStateHomeAt(const fs::path& path) { ::setenv("XDG_STATE_HOME", path.c_str(), 1); }
    // The folder as the editor makes it: readable by its user alone, or it is refused.
    void makeCopyFolder() const {
        fs::create_directories(copyFolder());
        fs::permissions(copyFolder(), fs::perms::owner_all);
    }
    fs::path copyFolder() const { return folder / "state" / "vxedit" / "recovery"; }
    std::vector<fs::path> copies() const {
        std::vector<fs::path> found;
        if (!fs::exists(copyFolder())) return found;
        for (const auto& entry : fs::directory_iterator(copyFolder()))
            if (entry.path().extension() == ".vx") found.push_back(entry.path());  // not locks nor records
        std::sort(found.begin(), found.end());
        return found;
    }
    std::string previousStateHome;
};

// "q" and the close button end at once with status 0; with unsaved changes a copy named after
// the file and the time is left behind, and one line on standard error names it.
TEST_F(Recovery, anEndWithUnsavedChangesLeavesACopyThatHoldsTheModel) {
    // "unnamed-YYYYMMDD-HHMMSS.vx"
    const auto isCopyName = [](const std::string& name) {
        const std::string shape = "unnamed-00000000-000000.vx";
        if (name.size() != shape.size()) return false;
        for (std::size_t i = 0; i < shape.size(); ++i)
            if (shape[i] == '0' ? !std::isdigit(static_cast<unsigned char>(name[i])) : name[i] != shape[i])
                return false;
        return true;
    };
    for (const bool closeButton : {false, true}) {
        SCOPED_TRACE(closeButton ? "close button" : "q");
        fs::remove_all(copyFolder());
        Scenario editor;
        placeVertex(editor);
        const Bytes model = modelBytes(editor);
        testing::internal::CaptureStderr();
        if (closeButton) {
            headless::requestClose();
            editor.run();
        } else {
            editor.key("q");
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(editor.ended());
        EXPECT_EQ(editor.exitStatus(), 0);
        ASSERT_EQ(copies().size(), 1u);
        EXPECT_TRUE(isCopyName(copies()[0].filename().string()));
        EXPECT_EQ(readFile(copies()[0]), model);
        EXPECT_EQ(said, "vxedit: unsaved changes kept in " + copies()[0].string() + "\n");
    }
}

TEST_F(Recovery, anEndWithoutUnsavedChangesLeavesNoCopyAndSaysNothing) {
    Scenario editor;
    placeVertex(editor);
    editor.key("fs");  // the save removes the copy the change brought
    EXPECT_TRUE(copies().empty());
    testing::internal::CaptureStderr();
    editor.key("q");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(copies().empty());
    EXPECT_EQ(editor.exitStatus(), 0);
}

// A load replaces unsaved edits that no file holds: their copy stays for good, even though the
// loaded model leaves nothing unsaved at the end.
TEST_F(Recovery, editsReplacedByALoadKeepTheirCopy) {
    Scenario editor;
    editor.key("fs");
    placeVertex(editor);
    editor.click(380, 310);  // the copy now lags this second vertex
    const Bytes edited = modelBytes(editor);
    testing::internal::CaptureStderr();
    editor.key("fL");
    editor.key("q");
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_EQ(readFile(copies()[0]), edited);
    EXPECT_EQ(said, "vxedit: unsaved changes kept in " + copies()[0].string() + "\n");
}

// The copy catches up with each change within 30 s of the loop's clock, idle or not, and is
// written no more often than that.
TEST_F(Recovery, theCopyCatchesUpWithin30SecondsAndNoSooner) {
    Scenario editor;
    placeVertex(editor);
    ASSERT_EQ(copies().size(), 1u);
    const fs::path copy = copies()[0];
    EXPECT_EQ(readFile(copy), modelBytes(editor));
    const int64_t firstWrite = editor.state().recovery.writtenAtMs;
    editor.click(380, 310);
    const Bytes changed = modelBytes(editor);
    EXPECT_NE(readFile(copy), changed);
    sleepMs(static_cast<int32_t>(firstWrite + recoveryRefreshMs - 100 - headless::nowMs()));
    editor.run();
    EXPECT_NE(readFile(copy), changed);
    sleepMs(100);
    editor.run();
    EXPECT_EQ(readFile(copy), changed);
    EXPECT_EQ(copies(), std::vector<fs::path>{copy});
}

// Only the 20 newest copies of ended editors stay; files the editor did not name stay too.
TEST_F(Recovery, theTwentyNewestCopiesAreKept) {
    makeCopyFolder();
    for (int i = 0; i < 25; ++i) {
        const fs::path old = copyFolder() / ("old-20260101-0000" + std::to_string(10 + i) + ".vx");
        writeFile(old, bytesOf("VTXF"));
        fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(100 - i));
    }
    writeFile(copyFolder() / "notes.txt", bytesOf("mine"));
    writeFile(copyFolder() / "keep.vx", bytesOf("VTXF"));
    Scenario editor;
    placeVertex(editor);
    const auto left = copies();
    EXPECT_EQ(left.size(), 22u);
    EXPECT_TRUE(fs::exists(copyFolder() / "notes.txt"));
    EXPECT_TRUE(fs::exists(copyFolder() / "keep.vx"));
    EXPECT_FALSE(fs::exists(copyFolder() / "old-20260101-000014.vx"));  // the fifth oldest
    EXPECT_TRUE(fs::exists(copyFolder() / "old-20260101-000015.vx"));
}

// A recovery folder that cannot be made or trusted is said once, and the copies go beside the
// model instead.
TEST_F(Recovery, anUnusableFolderSendsTheCopyBesideTheModel) {
    writeFile("plain-file", bytesOf("x"));
    pointStateHomeAt(folder / "plain-file");  // no folder can be made inside a file
    Scenario editor;
    testing::internal::CaptureStderr();
    placeVertex(editor);
    editor.key("q");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("recovery folder " + (folder / "plain-file").string() + "/vxedit/recovery refused"),
              std::string::npos);
    EXPECT_TRUE(editor.ended());
    EXPECT_EQ(editor.exitStatus(), 0);
    const auto entries = folderEntries();
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(), [](const std::string& n) { return n.ends_with(".vx"); }),
              1);
}

// "q" once threw the edits away, status 0, when no copy could be written. Now the window says
// why at once and at the first "q", and only a second "q" ends.
TEST_F(Recovery, quitWithNoPlaceForACopyAsksAgainFirst) {
    writeFile("plain-file", bytesOf("x"));
    pointStateHomeAt(folder / "plain-file");
    Scenario editor;
    editor.state().currentFileName = "gone/m.vx";  // beside the model is no folder either
    testing::internal::CaptureStderr();
    placeVertex(editor);
    EXPECT_EQ(textLine(recoveryMessageRow), "recovery copy failed: no such file or folder");
    editor.key("q");
    EXPECT_FALSE(editor.ended());
    EXPECT_EQ(textLine(recoveryMessageRow), "changes not kept: no such file or folder; q again quits without them");
    editor.key("q");
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(editor.ended());
}

// The folder is made private, the copies are the user's alone, and a link planted at a copy's
// name is replaced, never written through. A folder open to others is refused.
TEST_F(Recovery, theFolderAndTheCopiesArePrivateAndPlantedLinksAreNotFollowed) {
    writeFile("victim", bytesOf("precious"));
    Scenario editor;
    placeVertex(editor);
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_EQ(fs::status(copyFolder()).permissions() & fs::perms::all, fs::perms::owner_all);
    const fs::path copy = copies()[0];
    EXPECT_EQ(fs::status(copy).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    fs::remove(copy);
    fs::create_symlink(folder / "victim", copy);
    sleepMs(static_cast<int32_t>(recoveryRefreshMs));
    editor.click(380, 310);
    editor.run();
    EXPECT_EQ(readFile("victim"), bytesOf("precious"));
    EXPECT_FALSE(fs::is_symlink(copy));
    EXPECT_EQ(readFile(copy), modelBytes(editor));

    fs::permissions(copyFolder(), fs::perms::group_read | fs::perms::group_exec, fs::perm_options::add);
    EXPECT_EQ(preparePrivateFolder(copyFolder().string()), "others may open it");
    fs::remove_all(copyFolder());
    fs::create_directories(folder / "elsewhere");
    fs::create_symlink(folder / "elsewhere", copyFolder());
    EXPECT_EQ(preparePrivateFolder(copyFolder().string()), "it is a symbolic link");
}

// Another editor's pruning once deleted the copy of the editor left open longest. A copy whose
// editor still runs is neither counted nor deleted, and at "q" the copy named is on disk.
TEST_F(Recovery, pruningSparesTheCopiesOfRunningEditors) {
    makeCopyFolder();
    const fs::path live = copyFolder() / "live-20200101-000000.vx";
    writeFile(live, bytesOf("VTXF"));
    fs::last_write_time(live, fs::file_time_type::clock::now() - std::chrono::hours(1000));
    int lock = holdCopy(live.string());  // as another running editor holds it
    ASSERT_GE(lock, 0);
    for (int i = 0; i < 25; ++i) {
        const fs::path old = copyFolder() / ("old-20260101-0000" + std::to_string(10 + i) + ".vx");
        writeFile(old, bytesOf("VTXF"));
        fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(100 - i));
    }
    Scenario editor;
    placeVertex(editor);
    EXPECT_TRUE(fs::exists(live));
    EXPECT_FALSE(fs::exists(copyFolder() / "old-20260101-000014.vx"));  // 20 ended copies stay
    EXPECT_TRUE(fs::exists(copyFolder() / "old-20260101-000015.vx"));
    const std::string mine = editor.state().recovery.path;
    EXPECT_TRUE(copyIsLive(mine));
    fs::remove(mine);  // whatever took it, "q" writes it again before naming it
    testing::internal::CaptureStderr();
    editor.key("q");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "vxedit: unsaved changes kept in " + mine + "\n");
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_FALSE(copyIsLive(mine));
    releaseCopy(live.string(), lock);
}

// A model name of 237 to 255 bytes once made a copy name past the system's limit.
TEST_F(Recovery, copyNamesFitIn255BytesWithoutSplittingACharacter) {
    for (const std::size_t length : {200u, 237u, 255u}) {
        std::string stem;
        while (stem.size() + 2 <= length - 3) stem += "\xC3\xA9";  // "é", two bytes
        const std::string name = newCopyPath("/f", stem + ".vx");
        const std::string file = name.substr(3);
        EXPECT_LE(file.size(), 255u);
        EXPECT_TRUE(isCopyName(file));
        EXPECT_NE(static_cast<unsigned char>(file[file.size() - 23]) & 0xC0u, 0x80u);
    }
}

// Getting work back once took 79 inputs and a 56-character path. Opening a model whose copy is
// newer than its file now offers it on the message row: Enter restores it as one undo step under
// the model's own name; Esc keeps it for later; a copy older than the file is not offered.
TEST_F(Recovery, aNewerCopyIsOfferedBackAndEnterRestoresItAsOneStep) {
    for (const char* answer : {"\r", "\x1b", "older"}) {
        SCOPED_TRACE(answer);
        fs::remove_all(copyFolder());
        Bytes edited;
        {
            Scenario earlier({"m.vx"});
            EXPECT_TRUE(saveModel(earlier.state(), "m.vx"));
            earlier.state().currentFileName = "m.vx";
            placeVertex(earlier);  // its copy now holds the cube and one vertex more
            edited = modelBytes(earlier);
            ASSERT_EQ(copies().size(), 1u);
            releaseCopy(earlier.state().recovery.path, earlier.state().recovery.lockFd);  // as if it ended
        }
        const auto copyTime = fs::last_write_time(copies()[0]);
        fs::last_write_time("m.vx", copyTime + std::chrono::seconds(std::string(answer) == "older" ? 5 : -60));
        Scenario editor({"m.vx"});
        const int32_t cube = editor.state().model.vertexCount;
        if (std::string(answer) == "older") {
            EXPECT_EQ(textLine(4).find("unsaved work"), std::string::npos);
            continue;
        }
        EXPECT_EQ(textLine(4).rfind("unsaved work from ", 0), 0u) << textLine(4);
        EXPECT_NE(textLine(4).find("\xC4 Enter restores, Esc keeps it for later"), std::string::npos) << textLine(4);
        editor.key(answer);
        const bool restored = std::string(answer) == "\r";
        EXPECT_EQ(editor.state().model.vertexCount, restored ? cube + 1 : cube);
        EXPECT_EQ(editor.state().history.unsavedChanges, restored);
        EXPECT_EQ(editor.state().currentFileName, "m.vx");
        EXPECT_TRUE(fs::exists(copies()[0]));
        if (restored) {
            EXPECT_EQ(modelBytes(editor), edited);
            editor.keyCode(26);  // Ctrl+Z
            EXPECT_EQ(editor.state().model.vertexCount, cube);
        }
    }
}

// The close button works while a name is typed, and the half-typed name is never used.
TEST_F(Recovery, theCloseButtonEndsTheEditorWhileANameIsTyped) {
    Scenario editor;
    placeVertex(editor);
    editor.key("f");
    headless::typeOneByOne("apartial");
    headless::requestClose();
    editor.run();
    EXPECT_TRUE(editor.ended());
    EXPECT_EQ(editor.exitStatus(), 0);
    EXPECT_EQ(copies().size(), 1u);
    EXPECT_FALSE(fs::exists("partial"));
}

// The window system going away ends the editor with status 1 at its next poll, in a line that says
// why, and names the copy when there is one.
TEST_F(Recovery, theWindowSystemGoingAwayEndsWithStatusOneAndOneLineSayingWhy) {
    for (const bool change : {true, false}) {
        SCOPED_TRACE(change ? "unsaved change" : "nothing unsaved");
        fs::remove_all(copyFolder());
        Scenario editor;
        if (change) placeVertex(editor);
        testing::internal::CaptureStderr();
        windowSystemLost("the window went away");
        editor.run();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(editor.exitStatus(), 1);
        ASSERT_EQ(copies().size(), change ? 1u : 0u);
        EXPECT_EQ(said, change ? "vxedit: the window went away; unsaved changes kept in " + copies()[0].string() + "\n"
                               : "vxedit: the window went away\n");
    }
}

// A signal ends the editor through its main loop: the child process waits for the signal
// with it blocked, so it cannot arrive before the handler is ready, and then runs one pass.
int endBySignal(int signalNumber, bool change) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    // A child has none of its parent's threads: the drawing threads an earlier test started are
    // stopped before the fork, and the child draws on its own thread.
    setRenderThreads(1);
    runInBands([](void*, int, int) {}, nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        sigset_t stops, before;
        sigemptyset(&stops);
        for (const int s : {SIGTERM, SIGHUP, SIGINT}) sigaddset(&stops, s);
        sigprocmask(SIG_BLOCK, &stops, &before);
        Scenario editor;
        if (change) placeVertex(editor);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDERR_FILENO);
        installStopSignals();
        if (::write(ready[1], "r", 1) != 1) ::_exit(97);
        while (stopRequested() < 0) sigsuspend(&before);
        editor.run();
        ::_exit(editor.ended() ? editor.exitStatus() : 98);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (started) ::kill(child, signalNumber);
    int status = 0;
    ::waitpid(child, &status, 0);
    setRenderThreads(0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Recovery, termHangupAndInterruptEndWithACopyOfUnsavedChanges) {
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        fs::remove_all(copyFolder());
        EXPECT_EQ(endBySignal(signalNumber, true), 128 + signalNumber);
        EXPECT_EQ(copies().size(), 1u);
    }
    fs::remove_all(copyFolder());
    EXPECT_EQ(endBySignal(SIGTERM, false), 128 + SIGTERM);
    EXPECT_TRUE(copies().empty());
}

}  // namespace
}  // namespace vx::test
