// Start-up and the passes of the main loop: frame, status, wait, act, pace.
#include "vxedit/main_loop.h"

#include <cstdio>

#include "io/picture/background_image.h"
#include "platform/console/arguments.h"
#include "platform/console/display.h"
#include "platform/console/input.h"
#include "render/frame.h"
#include "ui/dispatch.h"
#include "ui/paint.h"
#include "ui/recovery.h"
#include "ui/recovery_offer.h"
#include "ui/status_bar.h"
#include "ui/undo.h"
#include "ui/window_title.h"
#include "vxedit/command_line.h"

namespace vx {
namespace {

constexpr int32_t idleSleepMs = 60;
// An idle editor still polls at least at every fourth poll time, for a stop requested by a
// signal (whose handler can wake nothing) and for the recovery copy's clock.
constexpr int32_t idleLongestSleepPolls = 4;

void openDisplay(EditorState& state) {
    if (openScreen(19, 32, 0, 0, 0) != 0) {
        std::fprintf(stderr, "vxedit: cannot open the window: %s\n", screenOpenError().c_str());
        endProgram(1);
    }
    uint32_t* pixels = screenPixels();
    const ScreenInfo info = screenInfo();
    allocateScreenBuffers(state, info.width, info.height, pixels);
}

// Steps A to C: compose a whole frame, copy it to the screen and print the value row.
void drawFullFrame(EditorState& state) {
    composeFrame(state);
    lockScreen();
    copyFrameToScreen(state);
    drawValueRow(state);
    drawHeldMessage(state);  // before the help lines, which win where they share a row
    state.loop.screenLocked = true;
    ++state.loop.framesDrawn;
}

// Step D: the tab row and help lines; the unlock at its end presents the pass.
void drawStatus(EditorState& state) {
    if (!state.loop.screenLocked) lockScreen();
    state.loop.screenLocked = false;
    drawTabsAndHelp(state);
    showDocumentTitle(state);
}

// Steps F to H once input has arrived.
void act(EditorState& state) {
    if (takeTabClick(state) || takeSwatchClick(state)) {
        state.loop.next = LoopStep::frame;
        return;
    }
    if (!takeOfferKey(state)) dispatchInput(state);
    recordModelStep(state);
    state.loop.next = state.redrawPending ? LoopStep::frame : LoopStep::pace;
}

}  // namespace

void startEditor(EditorState& state, int argc, const char* const* argv) {
    initPlatform(argc, argv);
    initEditorState(state);
    setDefaultModelAndView(state);
    // Every file is opened and checked before the window, so a failure opens no window. The
    // picture's name never becomes the model's file name: a quick save must not write over it.
    PreparedPicture picture;
    openCommandLineFiles(state, argc, argv, picture);
    offerRecoveredWork(state);
    openDisplay(state);
    if (!picture.path.empty()) showPicture(state, picture);
    watchForStop(state);
    state.loop.next = LoopStep::frame;
}

void runUntilWaiting(EditorState& state) {
    for (;;) {
        switch (state.loop.next) {
            case LoopStep::frame:
                drawFullFrame(state);
                state.loop.next = LoopStep::status;
                break;
            case LoopStep::status:
                drawStatus(state);
                state.loop.next = LoopStep::wait;
                break;
            case LoopStep::wait:
                // Between frames, so neither a stop request nor the copy holds up a picture.
                takeStopRequest();
                refreshRecoveryCopy(state);
                state.redrawPending = 0;
                if (!pollInput(state)) return;
                state.loop.next = LoopStep::act;
                break;
            case LoopStep::act:
                act(state);
                break;
            case LoopStep::pace:
                sleepMs(idleSleepMs);
                state.loop.next = LoopStep::status;
                break;
        }
    }
}

// The wait polls every 60 ms while nothing changes, but a poll that follows no input finds nothing
// changed: the loop sleeps through those and polls at the first poll time after input arrives.
// Polls fall as they would every 60 ms, so every pass sees what it would have seen.
void runMainLoop(EditorState& state) {
    for (;;) {
        runUntilWaiting(state);
        sleepThroughIdlePolls(idleSleepMs, idleLongestSleepPolls);
    }
}

}  // namespace vx
