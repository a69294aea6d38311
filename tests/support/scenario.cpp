// Runs the whole editor on the headless back end with scripted input and a virtual clock.
#include "support/scenario.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/console/input.h"
#include "platform/seam/presenter.h"
#include "vxedit/main_loop.h"

namespace vx::test {
namespace {

// Recovery copies the editor keeps on "q" go to a folder of the test run, never to the home of
// whoever runs the tests. Tests of the copies point XDG_STATE_HOME at folders of their own.
std::string& testStateHome() {
    static std::string folder = "/tmp/vxedit-test-state-" + std::to_string(::getpid());
    return folder;
}

const bool stateHomeSet = [] {
    const bool set = ::setenv("XDG_STATE_HOME", testStateHome().c_str(), 1) == 0;
    std::atexit([] { std::filesystem::remove_all(testStateHome()); });  // before the name goes
    return set;
}();

}  // namespace

Scenario::Scenario(std::vector<std::string> args, bool windowAvailable) : state_(std::make_unique<EditorState>()) {
    headless::reset(windowAvailable);
    std::vector<const char*> argv{"vxedit"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    try {
        startEditor(*state_, static_cast<int>(argv.size()), argv.data());
    } catch (const headless::ProcessExit& exit) {
        ended_ = true;
        exitStatus_ = exit.status;
        return;
    }
    run();
}

void Scenario::run() {
    if (ended_) return;
    try {
        for (;;) {
            runUntilWaiting(*state_);
            if (!headless::eventsPending()) {
                // The real loop sleeps now, and the presenter shows the pass within 10 ms.
                presenterCycle();
                return;
            }
            sleepMs(60);  // as the real loop does; the presenter takes in the scripted events
        }
    } catch (const headless::ProcessExit& exit) {
        ended_ = true;
        exitStatus_ = exit.status;
    }
}

void Scenario::key(std::string_view keys) {
    for (const char c : keys) keyCode(static_cast<unsigned char>(c));
}

void Scenario::keyCode(int32_t code) {
    headless::keyCode(code);
    run();
}

void Scenario::moveTo(int32_t x, int32_t y) {
    headless::moveMouse(x, y);
    run();
}

void Scenario::press(int32_t button) {
    headless::pressButton(button);
    run();
}

void Scenario::release(int32_t button) {
    headless::releaseButton(button);
    run();
}

void Scenario::click(int32_t x, int32_t y, int32_t button) {
    headless::moveMouse(x, y);
    headless::pressButton(button);
    run();
    release(button);
}

void Scenario::wheel(int32_t notches) {
    headless::turnWheel(notches);
    run();
}

uint32_t Scenario::windowPixel(int32_t x, int32_t y) const {
    return headless::windowPixels()[static_cast<std::size_t>(y) * static_cast<std::size_t>(headless::windowWidth()) +
                                    static_cast<std::size_t>(x)];
}

}  // namespace vx::test
