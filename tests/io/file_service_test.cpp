// The file service: numbers, positions from 1, zero-filled reads, and whole-or-nothing saves.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "io/file_test_support.h"
#include "platform/console/files.h"

namespace vx::test {
namespace {

using FileNumbers = InTempFolder;

TEST_F(FileNumbers, theLowestFreeNumberIsHandedOutAndComesBackOnClose) {
    EXPECT_EQ(freeFileNumber(), 1);
    openFile("a", 1);
    EXPECT_EQ(freeFileNumber(), 2);
    closeFile(1);
    EXPECT_EQ(freeFileNumber(), 1);

    for (int32_t n = 1; n <= maxFileNumber; ++n) openFile("a", n);
    EXPECT_EQ(freeFileNumber(), 0);
    for (int32_t n = 1; n <= maxFileNumber; ++n) closeFile(n);
    EXPECT_EQ(freeFileNumber(), 1);
}

TEST_F(FileNumbers, illegalCallsDoNothingButSetErrorOne) {
    uint8_t byte = 7;
    for (const int32_t number : {0, -1, maxFileNumber + 1}) {
        openFile("a", number);
        EXPECT_EQ(fileError(), fileIllegalCall) << number;
    }
    EXPECT_TRUE(folderEntries().empty());
    getBytes(3, 0, &byte, 1);  // never opened
    EXPECT_EQ(fileError(), fileIllegalCall);
    openFile("a", 1);
    openFile("b", 1);  // already open
    EXPECT_EQ(fileError(), fileIllegalCall);
    getBytes(1, -1, &byte, 1);
    EXPECT_EQ(fileError(), fileIllegalCall);
    EXPECT_EQ(byte, 7);
    closeFile(1);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"a"});
}

using Transfers = InTempFolder;

TEST_F(Transfers, writesFollowOneAnotherFromTheFirstByte) {
    openFile("f", 1);
    putFixedText(1, 0, {'V', 'T', 'X', 'F', '\0'});
    const uint8_t one = 1, two = 2;
    putBytes(1, 0, &one, 1);
    putBytes(1, 0, &two, 1);
    closeFile(1);
    EXPECT_EQ(readFile("f"), (Bytes{'V', 'T', 'X', 'F', 1, 2}));
}

TEST_F(Transfers, positionsCountFromOneAndWritingInsideKeepsTheRest) {
    writeFile("f", bytesOf("abcdef"));
    openFile("f", 1);
    putBytes(1, 3, "X", 1);
    char got[2] = {};
    getBytes(1, 2, got, 1);
    getBytes(1, 0, got + 1, 1);  // continues just past the byte read
    closeFile(1);
    EXPECT_EQ(readFile("f"), bytesOf("abXdef"));
    EXPECT_EQ(std::string(got, 2), "bX");
}

TEST_F(Transfers, bytesPastTheEndReadAsZeroWithoutError) {
    writeFile("f", {0x41, 0x42});
    openFileForReading("f", 1);
    uint8_t got[4] = {9, 9, 9, 9};
    EXPECT_EQ(getBytes(1, 0, got, 4), 2u);
    EXPECT_EQ(fileError(), fileOk);
    EXPECT_EQ(Bytes(got, got + 4), (Bytes{0x41, 0x42, 0, 0}));

    std::array<char, 5> field{'x', 'x', 'x', 'x', 'x'};
    getFixedText(1, 2, field);
    EXPECT_EQ(field[0], 'B');
    EXPECT_EQ(field[1], '\0');
    EXPECT_EQ(field[4], '\0');
    closeFile(1);
}

TEST_F(Transfers, aFailedOpenLeavesLaterDestinationsAsTheyWere) {
    openFile("no/such/folder/f", 1);
    EXPECT_EQ(fileError(), fileNotOpened);
    EXPECT_EQ(freeFileNumber(), 1);
    std::array<char, 5> field{'V', 'T', 'X', 'F', '\0'};
    getFixedText(1, 1, field);
    EXPECT_EQ(fileError(), fileIllegalCall);
    EXPECT_TRUE(fixedTextEquals(field, {'V', 'T', 'X', 'F', '\0'}));
    closeFile(1);
    EXPECT_EQ(fileError(), fileIllegalCall);
}

TEST(FixedText, comparesUpToTheFirstZeroByte) {
    const std::array<char, 5> magic{'V', 'T', 'X', 'F', '\0'};
    EXPECT_TRUE(fixedTextEquals(magic, {'V', 'T', 'X', 'F', '\0'}));
    EXPECT_FALSE(fixedTextEquals(magic, {'V', 'T', 'X', '\0', '\0'}));
    EXPECT_FALSE(fixedTextEquals(magic, {'V', '\0', 'X', 'F', '\0'}));
    EXPECT_FALSE(fixedTextEquals(magic, {'v', 'T', 'X', 'F', '\0'}));
    EXPECT_FALSE(fixedTextEquals(magic, {'\xD6', 'T', 'X', 'F', '\0'}));
}

using ReadOnlyOpen = InTempFolder;

TEST_F(ReadOnlyOpen, neverCreatesAFile) {
    openFileForReading("missing", 1);
    EXPECT_EQ(fileError(), fileNotOpened);
    EXPECT_EQ(freeFileNumber(), 1);
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(ReadOnlyOpen, cannotWrite) {
    writeFile("f", bytesOf("abc"));
    openFileForReading("f", 1);
    putBytes(1, 1, "X", 1);
    EXPECT_EQ(fileError(), fileShortWrite);
    closeFile(1);
    EXPECT_EQ(readFile("f"), bytesOf("abc"));
}

// "l" of a named pipe once froze the editor for good: a pipe, a device or a folder is refused
// at once, by the open itself and by the check made before any reader sees the name.
TEST_F(ReadOnlyOpen, refusesAnythingButARegularFileWithoutWaiting) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    fs::create_directory("dir");
    writeFile("f", bytesOf("abc"));
    fs::create_symlink("f", "link");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"pipe", "not a regular file"}, {"/dev/null", "not a regular file"}, {"dir", "a folder, not a file"},
        {"missing", "no such file or folder"}, {"f", ""}, {"link", ""}};
    for (const auto& [name, problem] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(regularFileProblem(name), problem);
        openFileForReading(name, 1);
        EXPECT_EQ(fileError() == fileOk, problem.empty());
        if (fileError() == fileOk) closeFile(1);
        EXPECT_EQ(freeFileNumber(), 1);
    }
}

using Saves = InTempFolder;

void saveBytes(const std::string& name, const Bytes& bytes, bool& committed) {
    openFileForSaving(name, 1);
    putBytes(1, 1, bytes.data(), bytes.size());
    committed = commitSave(1);
}

TEST_F(Saves, replaceTheWholeFileAndLeaveNothingElse) {
    writeFile("m", Bytes(500, 0xEE));
    bool committed = false;
    saveBytes("m", bytesOf("new"), committed);
    EXPECT_TRUE(committed);
    EXPECT_EQ(readFile("m"), bytesOf("new"));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"m"});
    EXPECT_EQ(freeFileNumber(), 1);
}

TEST_F(Saves, keepThePermissionBitsOfTheFileTheyReplace) {
    writeFile("m", bytesOf("old"));
    fs::permissions("m", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    bool committed = false;
    saveBytes("m", bytesOf("new"), committed);
    ASSERT_TRUE(committed);
    EXPECT_EQ(fs::status("m").permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    saveBytes("fresh", bytesOf("x"), committed);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status("fresh").permissions()), 0666 & ~mask);
}

TEST_F(Saves, writeThroughASymbolicLinkToTheFileItNames) {
    fs::create_directory("real");
    writeFile("real/m", bytesOf("old"));
    fs::create_symlink("real/m", "link");
    bool committed = false;
    saveBytes("link", bytesOf("new"), committed);
    ASSERT_TRUE(committed);
    EXPECT_TRUE(fs::is_symlink("link"));
    EXPECT_EQ(readFile("real/m"), bytesOf("new"));
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"link", "real"}));
}

TEST_F(Saves, thatCannotBeWrittenLeaveTheTargetAndTheFolderUntouched) {
    writeFile("m", bytesOf("old"));
    fs::create_directory("dir");
    bool committed = true;
    saveBytes("missing/m", bytesOf("new"), committed);
    EXPECT_FALSE(committed);
    saveBytes("dir", bytesOf("new"), committed);  // a folder is no file to replace
    EXPECT_FALSE(committed);
    saveBytes("", bytesOf("new"), committed);
    EXPECT_FALSE(committed);

    // The file size limit makes a long write come up short, as a full disk does.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previousLimit{};
    ::getrlimit(RLIMIT_FSIZE, &previousLimit);
    rlimit small = previousLimit;
    small.rlim_cur = 2;
    ::setrlimit(RLIMIT_FSIZE, &small);
    saveBytes("m", bytesOf("longer than two bytes"), committed);
    ::setrlimit(RLIMIT_FSIZE, &previousLimit);
    EXPECT_FALSE(committed);

    EXPECT_EQ(readFile("m"), bytesOf("old"));
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"dir", "m"}));
    EXPECT_EQ(freeFileNumber(), 1);
}

TEST_F(Saves, closedWithoutCommitAreThrownAway) {
    writeFile("m", bytesOf("old"));
    openFileForSaving("m", 1);
    putBytes(1, 1, "new", 3);
    closeFile(1);
    EXPECT_EQ(readFile("m"), bytesOf("old"));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"m"});
}

// A save killed midway left its temporary file behind for good. The next save in that folder
// removes such files once they are a minute old, unless a running save still holds them.
TEST_F(Saves, removeTemporaryFilesLeftByKilledSaves) {
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    for (const char* name : {".vxsave-killed", ".vxsave-in_use", ".vxsave-recent", ".vxsave-notour"})
        writeFile(name, bytesOf("partial"));
    for (const char* name : {".vxsave-killed", ".vxsave-in_use"}) fs::last_write_time(name, old);
    fs::rename(".vxsave-notour", ".vxsave-not-ours");
    fs::last_write_time(".vxsave-not-ours", old);
    const int held = ::open(".vxsave-in_use", O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    bool committed = false;
    saveBytes("m", bytesOf("new"), committed);
    ::close(held);
    EXPECT_TRUE(committed);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{".vxsave-in_use", ".vxsave-not-ours", ".vxsave-recent", "m"}));
}

// A full disk once fell back to writing in place, failed partway and left the model cut short.
// Only a folder that refuses the user a new file may be written in place; a name too long for
// the temporary file, no free inode or no free space refuse the save and keep the old file.
TEST_F(Saves, thatCannotMakeTheirTemporaryFileKeepTheOldFileWhole) {
    std::string path;
    for (int i = 0; i < 17; ++i) path += std::string(239, 'd') + "/";
    path += std::string(9, 'e') + "/";  // 4090 characters: "m" fits within PATH_MAX, ".vxsave-XXXXXX" does not
    fs::create_directories(path);
    writeFile(path + "m", Bytes(500, 0xEE));
    bool committed = true;
    saveBytes(path + "m", bytesOf("new"), committed);
    EXPECT_FALSE(committed);
    EXPECT_EQ(fileErrorReason(), "name too long");
    EXPECT_EQ(readFile(path + "m"), Bytes(500, 0xEE));
    EXPECT_EQ(std::distance(fs::directory_iterator(path), fs::directory_iterator()), 1);
}

// A small disk of its own, filled to the brim in one way or the other.
class FullDisk : public InTempFolder {
protected:
    void SetUp() override {
        InTempFolder::SetUp();
        fs::create_directory("disk");
    }
    void TearDown() override {
        if (mounted) ::umount2((folder / "disk").c_str(), MNT_DETACH);
        InTempFolder::TearDown();
    }
    bool mount(const char* options) {
        mounted = ::mount("tmpfs", (folder / "disk").c_str(), "tmpfs", 0, options) == 0;
        return mounted;
    }
    bool mounted = false;
};

TEST_F(FullDisk, withNoFreeInodeOrNoFreeSpaceKeepsTheOldFile) {
    for (const bool inodes : {true, false}) {
        SCOPED_TRACE(inodes ? "no inode" : "no space");
        if (mounted) ::umount2((folder / "disk").c_str(), MNT_DETACH);
        if (!mount(inodes ? "size=1m,nr_inodes=8" : "size=64k")) GTEST_SKIP() << "cannot mount a small disk here";
        writeFile("disk/m", Bytes(3000, 0xEE));
        // Fill what is left: files until no inode is free, or one file until no block is.
        for (int i = 0; inodes && i < 100; ++i) writeFile("disk/f" + std::to_string(i), {});
        if (!inodes) writeFile("disk/fill", Bytes(128 * 1024, 1));
        const Bytes bigger(20000, 0x11);
        bool committed = true;
        saveBytes("disk/m", bigger, committed);
        EXPECT_FALSE(committed);
        EXPECT_EQ(fileErrorReason(), "no space left on the disk");
        EXPECT_EQ(readFile("disk/m"), Bytes(3000, 0xEE));
        for (const auto& entry : fs::directory_iterator("disk"))
            EXPECT_EQ(entry.path().filename().string().rfind(".vxsave-", 0), std::string::npos);
    }
}

}  // namespace
}  // namespace vx::test
