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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <memory>
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

    // The UTF-8 title the window shows (its _NET_WM_NAME), empty without one.
    std::string title(Window window) {
        const Atom property = XInternAtom(display_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, left = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(display_, window, property, 0, 1024, False, utf8, &type, &format, &items, &left,
                               &data) == Success &&
            data && format == 8)
            text.assign(reinterpret_cast<const char*>(data), items);
        if (data) XFree(data);
        return text;
    }

    // The editor's window, of this process when a pid is given: titled "vxedit" as it opens, then
    // "NAME.vx — vxedit" after the document.
    Window findEditorWindow(Window parent, pid_t pid = 0) {
        const std::string name = title(parent);
        const std::string ending = " \u2014 vxedit";
        const bool editorTitle =
            name == "vxedit" || (name.size() > ending.size() && name.ends_with(ending));
        if (editorTitle && (pid == 0 || windowPid(parent) == pid)) return parent;
        Window root = 0, ignored = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display_, parent, &root, &ignored, &children, &count)) {
            for (unsigned i = 0; i < count && !found; ++i) found = findEditorWindow(children[i], pid);
            if (children) XFree(children);
        }
        return found;
    }

    // Waits for the editor's window to be mapped and gives it the keyboard.
    Window awaitWindow(const EditorProcess& editor) {
        Window window = 0;
        eventually([&] {
            window = findEditorWindow(DefaultRootWindow(display_), editor.pid());
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

    // Waits for the first frame, in Rotate mode, then switches mode by key and waits until the
    // help lines show it: keys come in as text, which can arrive after a click made at once.
    void leaveRotateMode(Window window, KeySym key, std::vector<uint32_t>& rotateHelp) {
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(eventually([&] { return pixel(window, 9, 561) == 0x888888u; }));
        rotateHelp = textRowPixels(window, 2);
        tap(key);
        ASSERT_TRUE(eventually([&] { return textRowPixels(window, 2) != rotateHelp; }));
    }

    // Waits for the first frame, then places a vertex in Vertices mode: one unsaved change.
    void placeOneUnsavedVertex(Window window) {
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(eventually([&] { return pixel(window, 9, 561) == 0x888888u; }));
        tap(XK_v);
        clickAt(window, 420, 310);
        ASSERT_TRUE(eventually([&] { return pixel(window, 420, 310) == 0xFFFFFFu; }));  // the new marker
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
        return findEditorWindow(DefaultRootWindow(display_), 0) == window;
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
        if (!window) window = findEditorWindow(DefaultRootWindow(display_), editor.pid());
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
    std::vector<uint32_t> rotateHelp;
    ASSERT_NO_FATAL_FAILURE(leaveRotateMode(window, XK_c, rotateHelp));
    const std::vector<uint32_t> cameraHelp = textRowPixels(window, 2);
    clickAt(window, 160, 568);  // the " Rotate " tab
    EXPECT_TRUE(eventually([&] { return textRowPixels(window, 2) == rotateHelp; }));
    EXPECT_NE(cameraHelp, rotateHelp);
}

// Row 5 of Polys mode: colour k's swatch of the strip has its middle at x 120 + 16k; the current
// colour's swatch stands at x 80..95.
TEST_F(EditorWindow, aQuickClickOnASwatchChoosesTheCurrentColour) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    std::vector<uint32_t> rotateHelp;
    ASSERT_NO_FATAL_FAILURE(leaveRotateMode(window, XK_e, rotateHelp));
    ASSERT_TRUE(eventually([&] { return pixel(window, 84, 78) == 0x7F7F7Fu; }));  // colour 0, grey
    clickAt(window, 120 + 16 * 7, 72);
    EXPECT_TRUE(eventually([&] { return pixel(window, 84, 78) == 0xB3261Eu; }));  // entry 7, dark red
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
    ASSERT_NO_FATAL_FAILURE(placeOneUnsavedVertex(window));
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

// The title names the document as the title bar shows it (through the window system's UTF-8
// name), and marks unsaved changes until a save.
TEST_F(EditorWindow, theTitleNamesTheDocumentAndMarksUnsavedChanges) {
    namespace fs = std::filesystem;
    const fs::path model = fs::temp_directory_path() / ("vxedit-window-new-" + std::to_string(getpid()) + ".vx");
    fs::remove(model);
    EditorProcess editor({model.string()});
    const Window window = awaitWindow(editor);
    ASSERT_NE(window, 0u);
    const std::string name = model.filename().string();
    EXPECT_TRUE(eventually([&] { return title(window) == name + " \u2014 vxedit"; })) << title(window);
    tap(XK_v);
    moveTo(window, 400, 300);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);  // held over a poll: placed for sure
    XSync(display_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
    EXPECT_TRUE(eventually([&] { return title(window) == "*" + name + " \u2014 vxedit"; })) << title(window);
    tap(XK_f);
    tap(XK_s);
    EXPECT_TRUE(eventually([&] { return title(window) == name + " \u2014 vxedit"; })) << title(window);
    EXPECT_TRUE(fs::exists(model));
    expectQuitWithStatusZero(editor);
    fs::remove(model);
}

// Twenty clicks 50 ms apart, each held 20 ms: quicker than the editor polls, so two often fall
// between one poll and the next. Every one places its vertex where it was made.
TEST_F(EditorWindow, aBurstOfQuickClicksPlacesEveryVertexWhereItWasClicked) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    std::vector<uint32_t> rotateHelp;
    ASSERT_NO_FATAL_FAILURE(leaveRotateMode(window, XK_v, rotateHelp));
    std::vector<std::pair<int, int>> clicks;
    for (int i = 0; i < 20; ++i) clicks.emplace_back(150 + 25 * i, 100 + 40 * (i % 7));
    for (const auto& [x, y] : clicks) {
        moveTo(window, x, y);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XSync(display_, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XSync(display_, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    for (const auto& [x, y] : clicks)
        EXPECT_TRUE(eventually([&] { return pixel(window, x, y) == 0xFFFFFFu; })) << "no marker at " << x << "," << y;
}

// A drag whose first move follows the press at once turns from where the button went down: 200
// of the 800 pixels are a quarter turn, the value row reads as after "s", a quarter turn by key.
TEST_F(EditorWindow, aFastDragTurnsFromWhereTheButtonWentDown) {
    std::vector<uint32_t> rows[2];
    for (const bool drag : {false, true}) {
        EditorProcess editor;
        const Window window = awaitWindow(editor);
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(eventually([&] { return pixel(window, 9, 561) == 0x888888u; }));
        const std::vector<uint32_t> start = textRowPixels(window, 1);
        if (drag) {
            moveTo(window, 300, 300);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            XTestFakeButtonEvent(display_, 1, True, CurrentTime);
            moveTo(window, 500, 300);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            XTestFakeButtonEvent(display_, 1, False, CurrentTime);
            XSync(display_, False);
        } else {
            tap(XK_s);
        }
        ASSERT_TRUE(eventually([&] { return textRowPixels(window, 1) != start; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        rows[drag] = textRowPixels(window, 1);
        expectQuitWithStatusZero(editor);
    }
    EXPECT_EQ(rows[true], rows[false]);
}

// One line on standard error names the copy, which holds the cube's eight vertices and the one
// placed before the window system went away.
// A 24-bit BMP of one colour with one dot of another, rows bottom first.
void writeDotPicture(const std::filesystem::path& path, int width, int height, int dotX, int dotY, uint32_t paper,
                     uint32_t ink) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> bytes(54 + static_cast<std::size_t>(rowBytes) * height, 0);
    const auto le32 = [&](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    le32(2, static_cast<uint32_t>(bytes.size()));
    le32(10, 54);
    le32(14, 40);
    le32(18, static_cast<uint32_t>(width));
    le32(22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t colour = x == dotX && y == dotY ? ink : paper;
            const std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * rowBytes + 3 * x;
            bytes[at] = static_cast<unsigned char>(colour);
            bytes[at + 1] = static_cast<unsigned char>(colour >> 8);
            bytes[at + 2] = static_cast<unsigned char>(colour >> 16);
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A model with the front view's picture beside it: in the orthographic front view the picture's
// dot is on the screen, a click on it places a vertex there, and the vertex stays on the dot when
// the view moves.
TEST_F(EditorWindow, aVertexClickedOnADotOfTheFrontViewsPictureStaysOnIt) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("vxedit-window-trace-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const char empty[] = {'V', 'T', 'X', 'F', 0, 0, 0, 0, 0, 0};
    std::ofstream(folder / "trace.vx", std::ios::binary).write(empty, sizeof empty);
    writeDotPicture(folder / "front.bmp", 41, 31, 30, 10, 0xC8C8C8, 0x0040FF);
    // Two units a picture pixel at the start view's half a pixel a unit: a screen pixel each,
    // the middle pixel (20, 15) on the origin, so the dot stands at (410, 295).
    std::ofstream(folder / "trace.vxref") << "front \"front.bmp\" 0 0 0 2 100\n";
    EditorProcess editor({(folder / "trace.vx").string()});
    const Window window = awaitWindow(editor);
    std::vector<uint32_t> rotateHelp;
    ASSERT_NO_FATAL_FAILURE(leaveRotateMode(window, XK_c, rotateHelp));
    tap(XK_p);
    ASSERT_TRUE(eventually([&] { return pixel(window, 410, 295) == 0x0040FFu; }));
    EXPECT_EQ(pixel(window, 409, 295), 0xC8C8C8u);
    tap(XK_v);
    clickAt(window, 410, 295);
    ASSERT_TRUE(eventually([&] { return pixel(window, 410, 295) == 0xFFFFFFu; }));  // the new marker
    tap(XK_Right);  // the view moves a pixel: the picture and the vertex with it
    EXPECT_TRUE(eventually([&] { return pixel(window, 411, 295) == 0xFFFFFFu; }));
    tap(XK_1);  // markers hidden: the dot shows where the vertex is
    EXPECT_TRUE(eventually([&] { return pixel(window, 411, 295) == 0x0040FFu; }));
    expectQuitWithStatusZero(editor);
    fs::remove_all(folder);
}

void expectOneLineNamingACopyOfNineVertices(EditorProcess& editor, const std::string& whyStart) {
    ASSERT_TRUE(eventually([&] { return editor.ended(); }));
    EXPECT_EQ(editor.status(), 1);
    const std::string said = editor.standardError();
    EXPECT_EQ(said.rfind("vxedit: " + whyStart, 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    const std::string kept = "; unsaved changes kept in ";
    const std::size_t at = said.find(kept);
    ASSERT_NE(at, std::string::npos) << said;
    const std::string copy = said.substr(at + kept.size(), said.size() - at - kept.size() - 1);
    EXPECT_EQ(copy.rfind(stateHome() + "/vxedit/recovery/unnamed-", 0), 0u) << copy;
    std::ifstream file(copy, std::ios::binary);
    char header[6] = {};
    file.read(header, sizeof header);
    EXPECT_EQ(std::string(header, 4), "VTXF");
    EXPECT_EQ(header[4] * 256 + header[5], 9) << "vertices in the copy";
    std::filesystem::remove_all(stateHome());
}

TEST_F(EditorWindow, aWindowDestroyedFromOutsideKeepsUnsavedChangesAndEndsWithStatusOne) {
    EditorProcess editor;
    const Window window = awaitWindow(editor);
    ASSERT_NO_FATAL_FAILURE(placeOneUnsavedVertex(window));
    ASSERT_EQ(std::system(("xdotool windowclose " + std::to_string(window)).c_str()), 0);
    // Whichever the editor meets first: a request on the window that is gone, or the news of it.
    expectOneLineNamingACopyOfNineVertices(editor, "the window");
}

// An X server of the test's own, on the first free display, so that killing it leaves the
// server of the other window tests alone.
class OwnXServer {
public:
    explicit OwnXServer(const char* screen = "1024x768x24") {
        int number[2];
        if (pipe(number) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(number[0]);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDERR_FILENO);
            const std::string fd = std::to_string(number[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(number[1]);
        std::string digits;
        char c = 0;
        while (read(number[0], &c, 1) == 1 && c != '\n') digits += c;
        close(number[0]);
        if (!digits.empty()) name_ = ":" + digits;
    }
    ~OwnXServer() { kill(); }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// The window tests' steps on an X server of the test's own.
class OwnScreen : public EditorWindow {
protected:
    explicit OwnScreen(const char* screen = "1024x768x24") : server(screen) {}
    void SetUp() override {
        ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
        display_ = XOpenDisplay(server.name().c_str());
        ASSERT_NE(display_, nullptr);
    }
    OwnXServer server;
};

class LostDisplay : public OwnScreen {
protected:
    // The connection died with the server: closing it would end this test program.
    void TearDown() override { display_ = nullptr; }
};

TEST_F(LostDisplay, killingTheXServerKeepsUnsavedChangesAndEndsWithStatusOne) {
    EditorProcess editor({}, server.name().c_str());
    const Window window = awaitWindow(editor);
    ASSERT_NO_FATAL_FAILURE(placeOneUnsavedVertex(window));
    server.kill();
    expectOneLineNamingACopyOfNineVertices(editor, "the connection to the X display was lost");
}

// A desktop of 2560x1600: four fifths of it take a window of twice 800x600 but not three times,
// and full screen takes twice too, centred with 480 and 200 pixels of black around it.
class LargeScreen : public OwnScreen {
protected:
    LargeScreen() : OwnScreen("2560x1600x24") {}

    Window startAtScale(std::vector<std::string> args, int width, int height) {
        editor = std::make_unique<EditorProcess>(std::move(args), server.name().c_str());
        const Window window = awaitWindow(*editor);
        XWindowAttributes attributes{};
        if (!window || !XGetWindowAttributes(display_, window, &attributes)) return 0;
        EXPECT_EQ(attributes.width, width);
        EXPECT_EQ(attributes.height, height);
        return window;
    }

    // Vertices mode, a click on picture pixel (420, 310) shown at `scale` from `origin`, and the
    // new marker's pixel in the middle of that block.
    void expectAVertexWhereClicked(Window window, int originX, int originY, int scale) {
        const auto at = [&](int x, int y) { return pixel(window, originX + x * scale + scale / 2, originY + y * scale + scale / 2); };
        ASSERT_TRUE(eventually([&] { return at(9, 561) == 0x888888u; })) << "the File tab";
        EXPECT_EQ(at(400, 300), 0x000000u);
        tap(XK_v);
        clickAt(window, originX + 420 * scale + scale - 1, originY + 310 * scale);
        EXPECT_TRUE(eventually([&] { return at(420, 310) == 0xFFFFFFu; })) << "the new marker";
        EXPECT_EQ(pixel(window, originX + 420 * scale + scale / 2, originY + 309 * scale - 1), 0x000000u);
    }

    // With no window manager on the test's server, the test plays its part: it takes the
    // editor's request for full screen and grants it by giving the window the whole screen.
    bool grantFullScreen(Window window) {
        const Atom state = XInternAtom(display_, "_NET_WM_STATE", False);
        const Atom fullScreen = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
        return eventually([&] {
            while (XPending(display_)) {
                XEvent event{};
                XNextEvent(display_, &event);
                const XClientMessageEvent& message = event.xclient;
                if (event.type != ClientMessage || message.window != window || message.message_type != state ||
                    message.data.l[0] != 1 || static_cast<Atom>(message.data.l[1]) != fullScreen)
                    continue;
                XMoveResizeWindow(display_, window, 0, 0, 2560, 1600);
                XSync(display_, False);
                return true;
            }
            return false;
        });
    }

    std::unique_ptr<EditorProcess> editor;
};

TEST_F(LargeScreen, scaleTwoShowsEveryPicturePixelAsATwoByTwoBlockAndClicksMapBack) {
    const Window window = startAtScale({"--scale", "2"}, 1600, 1200);
    ASSERT_NE(window, 0u);
    expectAVertexWhereClicked(window, 0, 0, 2);
    EXPECT_EQ(pixel(window, 2 * 9, 2 * 561), pixel(window, 2 * 9 + 1, 2 * 561 + 1)) << "one block";
}

TEST_F(LargeScreen, withoutAScaleTheWindowIsTheLargestThatFitsFourFifthsOfTheDesktop) {
    EXPECT_NE(startAtScale({}, 1600, 1200), 0u);
    EXPECT_NE(startAtScale({"--scale=1"}, 800, 600), 0u);
}

TEST_F(LargeScreen, fullScreenShowsTheLargestWholeMultipleCentredOnBlack) {
    const Window window = startAtScale({"--scale", "1"}, 800, 600);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(eventually([&] { return pixel(window, 9, 561) == 0x888888u; }));
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureRedirectMask);
    const KeyCode alt = XKeysymToKeycode(display_, XK_Alt_L);
    XTestFakeKeyEvent(display_, alt, True, CurrentTime);
    tap(XK_Return);
    XTestFakeKeyEvent(display_, alt, False, CurrentTime);
    XSync(display_, False);
    ASSERT_TRUE(grantFullScreen(window)) << "Alt+Enter asks for full screen";
    ASSERT_TRUE(eventually([&] {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) && attributes.width == 2560 &&
               attributes.height == 1600;
    }));
    expectAVertexWhereClicked(window, 480, 200, 2);
    EXPECT_EQ(pixel(window, 479, 1000), 0x000000u);
    EXPECT_EQ(pixel(window, 2080, 1000), 0x000000u);
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
