// Drives the real editor window under a virtual X server: XTest input, pixels read back.
// gtest comes before Xlib, whose macros (None, Bool, Status) would break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <string>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto patience = std::chrono::seconds(10);

// Polls a condition every 10 ms until it holds or the patience runs out.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = patience) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

const std::string& stateHome() {
    static const std::string folder = "/tmp/vxedit-window-test-state-" + std::to_string(getpid());
    return folder;
}

// The editor as a child process, killed if a test leaves it running.
class EditorProcess {
public:
    explicit EditorProcess(std::vector<std::string> args = {}, const char* display = nullptr) {
        int errors[2];
        if (pipe(errors) != 0) return;
        stateHome();  // named after this process, not the child
        pid_ = fork();
        if (pid_ == 0) {
            dup2(errors[1], STDERR_FILENO);
            close(errors[0]);
            if (display) setenv("DISPLAY", display, 1);
            setenv("XDG_STATE_HOME", stateHome().c_str(), 1);  // recovery copies stay out of the home
            std::vector<char*> argv{const_cast<char*>(VXEDIT_PATH)};
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(VXEDIT_PATH, argv.data());
            _exit(127);
        }
        close(errors[1]);
        errors_ = errors[0];
        fcntl(errors_, F_SETFL, O_NONBLOCK);
    }
    ~EditorProcess() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (errors_ >= 0) close(errors_);
    }
    bool ended() {
        if (status_ >= 0) return true;
        int raw = 0;
        if (waitpid(pid_, &raw, WNOHANG) != pid_) return false;
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return true;
    }
    int status() const { return status_; }
    pid_t pid() const { return pid_; }
    std::string standardError() {
        std::string text;
        char buffer[256];
        for (ssize_t n; (n = read(errors_, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    int errors_ = -1;
};

class EditorWindow : public testing::Test {
protected:
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "the window tests need an X server (scripts/test starts one)";
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }

    long windowPid(Window window) {
        const Atom property = XInternAtom(display_, "_NET_WM_PID", False);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, left = 0;
        unsigned char* data = nullptr;
        long pid = -1;
        if (XGetWindowProperty(display_, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &items, &left,
                               &data) == Success &&
            data && items == 1)
            pid = *reinterpret_cast<long*>(data);
        if (data) XFree(data);
        return pid;
    }

    // The window with this title, of this process when a pid is given.
    Window findByTitle(Window parent, const std::string& title, pid_t pid = 0) {
        char* name = nullptr;
        if (XFetchName(display_, parent, &name) && name) {
            const bool match = title == name && (pid == 0 || windowPid(parent) == pid);
            XFree(name);
            if (match) return parent;
        }
        Window root = 0, ignored = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display_, parent, &root, &ignored, &children, &count)) {
            for (unsigned i = 0; i < count && !found; ++i) found = findByTitle(children[i], title, pid);
            if (children) XFree(children);
        }
        return found;
    }

    // Waits for the editor's window to be mapped and gives it the keyboard.
    Window awaitWindow(const EditorProcess& editor) {
        Window window = 0;
        eventually([&] {
            window = findByTitle(DefaultRootWindow(display_), "vxedit", editor.pid());
            if (!window) return false;
            XWindowAttributes attributes;
            return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
        });
        if (window) {
            XSetInputFocus(display_, window, RevertToParent, CurrentTime);
            XSync(display_, False);
        }
        return window;
    }

    uint32_t pixel(Window window, int x, int y) {
        XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0xDEADBEEF;
        const auto value = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFFu;
        XDestroyImage(image);
        return value;
    }

    void tap(KeySym symbol) {
        const KeyCode code = XKeysymToKeycode(display_, symbol);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
    }

    // The pixels of one text row (16 pixel rows) of the window.
    std::vector<uint32_t> textRowPixels(Window window, int row) {
        std::vector<uint32_t> pixels;
        XImage* image = XGetImage(display_, window, 0, (row - 1) * 16, 800, 16, AllPlanes, ZPixmap);
        if (!image) return pixels;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 800; ++x) pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
        XDestroyImage(image);
        return pixels;
    }

    void clickAt(Window window, int x, int y) {
        moveTo(window, x, y);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);  // quicker than one poll of the editor
        XSync(display_, False);
    }

    void moveTo(Window window, int x, int y) {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
        XSync(display_, False);
    }

    void expectQuitWithStatusZero(EditorProcess& editor) {
        tap(XK_q);
        ASSERT_TRUE(eventually([&] { return editor.ended(); }));
        EXPECT_EQ(editor.status(), 0);
    }

    void requestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XSync(display_, False);
    }

    bool windowExists(Window window) {
        return findByTitle(DefaultRootWindow(display_), "vxedit", 0) == window;
    }

    Display* display_ = nullptr;
};

TEST_F(EditorWindow, opensOneWindowOf800By600TitledAfterTheExecutable) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display_, window, &attributes));
    EXPECT_EQ(attributes.width, 800);
    EXPECT_EQ(attributes.height, 600);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display_, window, &hints, &supplied));
    EXPECT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize) && hints.min_width == hints.max_width)
        << "the window must not be resizable";
    EXPECT_FALSE(editor.ended());
}

TEST_F(EditorWindow, firstFrameShowsTheTabRowSoonAfterStart) {
    const auto start = Clock::now();
    EditorProcess editor;
    Window window = 0;
    ASSERT_TRUE(eventually([&] {
        if (!window) window = findByTitle(DefaultRootWindow(display_), "vxedit", editor.pid());
        return window && pixel(window, 9, 561) == 0x888888u;  // inside the " File " tab
    }));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    std::printf("first presented frame %lld ms after the editor was started\n",
                static_cast<long long>(elapsed.count()));
    EXPECT_EQ(pixel(window, 60, 561), 0x000000u) << "the picture shows between the tabs";
    for (const auto& [x, y] : {std::pair{360, 260}, {440, 340}, {333, 233}, {467, 367}})
        EXPECT_EQ(pixel(window, x, y), 0xFFFFFFu) << "cube marker at " << x << "," << y;
}

TEST_F(EditorWindow, aKeyChangesTheHelpLinesAndAQuickClickOnATabSwitchesMode) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(eventually([&] { return pixel(window, 9, 561) == 0x888888u; }));
    const std::vector<uint32_t> rotateHelp = textRowPixels(window, 2);
    tap(XK_c);
    ASSERT_TRUE(eventually([&] { return textRowPixels(window, 2) != rotateHelp; }));
    const std::vector<uint32_t> cameraHelp = textRowPixels(window, 2);
    clickAt(window, 160, 568);  // the " Rotate " tab
    EXPECT_TRUE(eventually([&] { return textRowPixels(window, 2) == rotateHelp; }));
    EXPECT_NE(cameraHelp, rotateHelp);
}

TEST_F(EditorWindow, aLeftDragInRotateModeTurnsTheView) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(eventually([&] { return pixel(window, 360, 260) == 0xFFFFFFu; }));
    moveTo(window, 400, 300);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XSync(display_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    moveTo(window, 500, 300);  // an eighth of a turn about the vertical axis
    EXPECT_TRUE(eventually([&] { return pixel(window, 360, 260) != 0xFFFFFFu; }));
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
}

// Shift from the real keyboard reaches the mouse: Shift + right click groups a cube corner,
// which then shows in the group's amber, and a plain right click selects as before.
TEST_F(EditorWindow, shiftRightClickPutsAVertexInTheGroup) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(eventually([&] { return pixel(window, 440, 260) == 0xFFFFFFu; }));
    tap(XK_v);
    const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
    XTestFakeKeyEvent(display_, shift, True, CurrentTime);
    moveTo(window, 440, 260);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XTestFakeButtonEvent(display_, 3, True, CurrentTime);
    XTestFakeButtonEvent(display_, 3, False, CurrentTime);
    XTestFakeKeyEvent(display_, shift, False, CurrentTime);
    XSync(display_, False);
    EXPECT_TRUE(eventually([&] { return pixel(window, 440, 260) == 0xFFC000u; }));
    EXPECT_NE(pixel(window, 441, 260), 0xFF0000u) << "the selection stays empty";
    expectQuitWithStatusZero(editor);
}

TEST_F(EditorWindow, keysSentThroughTheWindowReachTheEditorAndQEndsWithStatusZero) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    tap(XK_f);
    tap(XK_x);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(editor.ended());
    expectQuitWithStatusZero(editor);
}

TEST_F(EditorWindow, theCloseButtonEndsWithStatusZero) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    requestClose(window);
    ASSERT_TRUE(eventually([&] { return editor.ended(); }));
    EXPECT_EQ(editor.status(), 0);
    EXPECT_EQ(editor.standardError(), "");  // nothing changed, so no copy
}

// The window system's library must not take the termination signal for itself: the editor
// ends through its own loop and keeps the unsaved vertex in a copy.
TEST_F(EditorWindow, aTerminationSignalKeepsUnsavedChangesInACopy) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(eventually([&] { return pixel(window, 9, 561) == 0x888888u; }));
    tap(XK_v);
    clickAt(window, 420, 310);
    ASSERT_TRUE(eventually([&] { return pixel(window, 420, 310) == 0xFFFFFFu; }));  // the new marker
    kill(editor.pid(), SIGTERM);
    ASSERT_TRUE(eventually([&] { return editor.ended(); }));
    EXPECT_EQ(editor.status(), 128 + SIGTERM);
    const std::string said = editor.standardError();
    EXPECT_EQ(said.rfind("vxedit: unsaved changes kept in " + stateHome() + "/vxedit/recovery/unnamed-", 0), 0u)
        << said;
    std::filesystem::remove_all(stateHome());
}

TEST_F(EditorWindow, aModelNamedOnTheCommandLineIsOpenedAndQuickSaveWritesIt) {
    namespace fs = std::filesystem;
    const fs::path model = fs::temp_directory_path() / ("vxedit-window-model-" + std::to_string(getpid()) + ".vx");
    // One vertex at the origin, no lines or polygons.
    const char bytes[] = {'V', 'T', 'X', 'F', 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::ofstream(model, std::ios::binary).write(bytes, sizeof bytes);
    EditorProcess editor({model.string()});
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(eventually([&] { return pixel(window, 9, 561) == 0x888888u; }));
    EXPECT_EQ(pixel(window, 400, 300), 0xFFFFFFu) << "the model's one vertex marker";
    EXPECT_NE(pixel(window, 360, 260), 0xFFFFFFu) << "no cube";
    fs::remove(model);
    tap(XK_f);
    tap(XK_s);
    EXPECT_TRUE(eventually([&] { return fs::exists(model) && fs::file_size(model) == sizeof bytes; }));
    expectQuitWithStatusZero(editor);
    fs::remove(model);
}

TEST(NoDisplay, startUpSaysWhyOnOneLineAndEndsWithStatusOne) {
    EditorProcess editor({}, ":9999");
    ASSERT_TRUE(eventually([&] { return editor.ended(); }));
    EXPECT_EQ(editor.status(), 1);
    const std::string printed = editor.standardError();
    EXPECT_NE(printed.find("cannot open the window"), std::string::npos) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
}

}  // namespace
