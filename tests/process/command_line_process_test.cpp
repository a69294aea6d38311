// The real editor program started with the command lines a user types, without any display:
// everything here must end before the window would open, with the right status and output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Runs the editor in `folder` with no display to open a window on.
Outcome runEditor(const fs::path& folder, std::vector<std::string> args) {
    const fs::path out = folder.parent_path() / "stdout", err = folder.parent_path() / "stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(126);
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        std::vector<char*> argv{const_cast<char*>(VXEDIT_PATH)};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(VXEDIT_PATH, argv.data());
        _exit(127);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    const int outFd = open(out.c_str(), O_RDONLY), errFd = open(err.c_str(), O_RDONLY);
    outcome.out = readAll(outFd);
    outcome.err = readAll(errFd);
    close(outFd);
    close(errFd);
    return outcome;
}

class EditorCommandLine : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("vxedit-process-test-" + std::to_string(getpid()));
        fs::remove_all(root);
        folder = root / "work";
        fs::create_directories(folder);
        std::ofstream(folder / "notes.txt") << "just some text\n";
    }
    void TearDown() override { fs::remove_all(root); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path root, folder;
};

TEST_F(EditorCommandLine, helpAndVersionPrintOnStandardOutputAndEndWithStatusZero) {
    const Outcome help = runEditor(folder, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("Usage: vxedit [--scale N] [MODEL] [PICTURE]\n", 0), 0u) << help.out;
    // Every mode's bindings, undo and redo among them, the recovery folder and the options.
    for (const char* part :
         {"Keys in every mode", "Ctrl+Z       undo", "Ctrl+Y or Ctrl+Shift+Z  redo", "Rotate mode:\n  left drag",
          "Camera mode:\n  left drag", "Vertices mode:\n  left click", "right click  select a vertex",
          "Polys mode:\n  left click", "File mode:\n  s save", "wheel  zoom", "$XDG_STATE_HOME/vxedit/recovery/",
          "--version"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    // Every mode's keys, but still short enough to take in at once.
    EXPECT_LE(std::count(help.out.begin(), help.out.end(), '\n'), 72) << "the help stays within a tall terminal";
    EXPECT_EQ(runEditor(folder, {"-h"}).out, help.out);

    const Outcome version = runEditor(folder, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vxedit " VX_VERSION "\n");
}

TEST_F(EditorCommandLine, failuresSayWhyOnOneLineBeforeAnyWindowAndCreateNothing) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {{"--frobnicate"}, 2, "unknown option '--frobnicate'"},
        {{"missing.png"}, 1, "missing.png: no such file"},
        {{"notes.txt"}, 1, "notes.txt: infile is not a 'BM'"},
        {{"notes.txt", "notes.txt"}, 2, "both pictures"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = runEditor(folder, c.args);
        EXPECT_EQ(outcome.status, c.status) << c.args[0];
        EXPECT_EQ(outcome.out, "") << c.args[0];
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_EQ(outcome.err.rfind("vxedit: ", 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(entries(), std::vector<std::string>{"notes.txt"});
}

// A named pipe given as the model or picture once stalled the start for good: it is refused at
// once, as no regular file.
TEST_F(EditorCommandLine, aNamedPipeIsRefusedWithoutWaiting) {
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    const Outcome outcome = runEditor(folder, {"pipe"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind("vxedit: pipe", 0), 0u) << outcome.err;
}

// "--recover" lists every copy, newest first, with the model it came from and its time, and
// marks the copies whose editors still run.
TEST_F(EditorCommandLine, recoverListsTheCopiesWithTheirModels) {
    const fs::path copies = root / "state" / "vxedit" / "recovery";
    fs::create_directories(copies);
    fs::permissions(root / "state" / "vxedit", fs::perms::owner_all);
    fs::permissions(copies, fs::perms::owner_all);
    std::ofstream(copies / "box-20261207-101530.vx") << "VTXF";
    std::ofstream(copies / "box-20261207-101530.vx.from") << "/home/you/box.vx";
    std::ofstream(copies / "unnamed-20261208-090000.vx") << "VTXF";
    fs::last_write_time(copies / "box-20261207-101530.vx", fs::file_time_type::clock::now() - std::chrono::hours(5));
    setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    const Outcome outcome = runEditor(folder, {"--recover"});
    EXPECT_EQ(outcome.status, 0);
    const std::size_t unnamed = outcome.out.find((copies / "unnamed-20261208-090000.vx").string() + "  from (unknown)\n");
    const std::size_t box = outcome.out.find((copies / "box-20261207-101530.vx").string() + "  from /home/you/box.vx\n");
    EXPECT_NE(unnamed, std::string::npos) << outcome.out;
    EXPECT_NE(box, std::string::npos) << outcome.out;
    EXPECT_LT(unnamed, box);  // newest first
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 2);
}

}  // namespace
