// The display service: window, FrameBuffer, lock count and the changed rows the presenter shows.
#include "platform/console/display.h"

#include <algorithm>
#include <vector>

#include "platform/console/arguments.h"
#include "platform/console/text.h"
#include "platform/seam/backend.h"

namespace vx {
namespace {

constexpr int editorMode = 19;
constexpr int editorWidth = 800;
constexpr int editorHeight = 600;
constexpr uint32_t openingBlack = 0xFF000000u;

struct Display {
    std::recursive_mutex mutex;
    std::vector<uint32_t> frameBuffer;  // rows top first, pitch exactly width * 4
    std::vector<uint8_t> changedRows;   // one flag per pixel row
    int width = 0;
    int height = 0;
    bool open = false;
    bool locked = false;  // touched only by the editor's thread
    int lockCount = 0;
    std::string openError;
    int32_t windowScale = 0;  // 0: the back end picks
};

Display& display() {
    static Display instance;
    return instance;
}

}  // namespace

namespace platform {

std::recursive_mutex& displayMutex() { return display().mutex; }

void markRowsChanged(int firstRow, int lastRow) {
    Display& d = display();
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, d.height - 1);
    for (int row = firstRow; row <= lastRow; ++row) d.changedRows[static_cast<std::size_t>(row)] = 1;
    // The presenter sleeps until asked; inside the editor's lock it wakes and waits for the unlock.
    if (firstRow <= lastRow) backend::wakePresenter();
}

int32_t requestedWindowScale() { return display().windowScale; }
int screenWidth() { return display().width; }
int screenHeight() { return display().height; }

}  // namespace platform

void setWindowScale(int32_t scale) { display().windowScale = scale; }

int32_t fittingScale(int32_t areaWidth, int32_t areaHeight, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 1;
    return std::max(1, std::min(areaWidth / width, areaHeight / height));
}

std::string windowTitleFor(const std::string& executablePath) {
    const std::string path = executablePath.substr(0, 127);
    const auto slash = path.find_last_of("/\\");
    std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = title.find_last_of('.');
    if (dot != std::string::npos) title.erase(dot);
    return title;
}

int openScreen(int mode, int depth, int /*pages*/, int /*flags*/, int /*refresh*/) {
    Display& d = display();
    if (d.open) return 0;
    if (mode != editorMode || depth != 32) {
        d.openError = "only mode 19 at 32 bits per pixel is offered";
        return 1;
    }
    {
        std::lock_guard guard(d.mutex);
        d.frameBuffer.assign(static_cast<std::size_t>(editorWidth) * editorHeight, openingBlack);
        d.changedRows.assign(editorHeight, 0);
        d.width = editorWidth;
        d.height = editorHeight;
    }
    if (!backend::openWindow(editorWidth, editorHeight, windowTitleFor(executablePath()), d.openError)) {
        std::lock_guard guard(d.mutex);
        d.frameBuffer.clear();
        d.changedRows.clear();
        d.width = 0;
        d.height = 0;
        return 1;
    }
    {
        std::lock_guard guard(d.mutex);  // the presenter reads it when the window asks for a repaint
        d.open = true;
    }
    d.openError.clear();
    platform::resetTextState();
    return 0;
}

void setWindowTitle(const std::string& title) {
    Display& d = display();
    std::lock_guard guard(d.mutex);  // the presenter may be taking events with the window's state
    if (d.open) backend::setWindowTitle(title);
}

const std::string& screenOpenError() { return display().openError; }

uint32_t* screenPixels() {
    Display& d = display();
    return d.open ? d.frameBuffer.data() : nullptr;
}

ScreenInfo screenInfo() {
    Display& d = display();
    if (!d.open) return {editorWidth, editorHeight, 32, 0, 0, 0, ""};
    return {d.width, d.height, 32, 4, d.width * 4, backend::refreshRate(), backend::name()};
}

void lockScreen() {
    Display& d = display();
    if (d.locked) {
        ++d.lockCount;
        return;
    }
    d.mutex.lock();
    ++d.lockCount;
    d.locked = true;
}

void unlockScreen(int firstRow, int lastRow) {
    Display& d = display();
    if (firstRow < 0) firstRow = 0;
    if (lastRow < 0) lastRow = d.height - 1;
    if (firstRow <= lastRow && lastRow < d.height) {
        std::lock_guard guard(d.mutex);
        platform::markRowsChanged(firstRow, lastRow);
    }
    if (d.lockCount > 0 && --d.lockCount == 0) {
        d.locked = false;
        d.mutex.unlock();
    }
}

void endProgram(int status) { backend::exitProcess(status); }

namespace platform {

const uint32_t* frameBuffer() { return display().frameBuffer.data(); }

bool changedBand(int& firstRow, int& lastRow) {
    Display& d = display();
    const auto first = std::find(d.changedRows.begin(), d.changedRows.end(), 1);
    if (first == d.changedRows.end()) return false;
    const auto last = std::find(d.changedRows.rbegin(), d.changedRows.rend(), 1);
    firstRow = static_cast<int>(first - d.changedRows.begin());
    lastRow = d.height - 1 - static_cast<int>(last - d.changedRows.rbegin());
    return true;
}

void unmarkRows() { std::fill(display().changedRows.begin(), display().changedRows.end(), 0); }

void resetDisplayState() {
    Display& d = display();
    if (d.locked) d.mutex.unlock();  // a test may have ended the program inside a lock
    std::lock_guard guard(d.mutex);
    d.frameBuffer.clear();
    d.changedRows.clear();
    d.width = 0;
    d.height = 0;
    d.open = false;
    d.locked = false;
    d.lockCount = 0;
    d.openError.clear();
    d.windowScale = 0;
}

}  // namespace platform

}  // namespace vx
