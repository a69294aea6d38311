// The value row, the mode tabs and the help lines drawn over the picture.
#include "ui/status_bar.h"

#include "platform/display.h"

namespace vx {

int32_t tabRowYFor(int32_t screenHeight) { return (screenHeight / 16 - 1) * 16 - 16; }

void drawValueRow(EditorState&) {}

void drawTabsAndHelp(EditorState& state) {
    state.input.tabRowY = tabRowYFor(state.screen.screenHeight);
    unlockScreen(-1, -1);
}

}  // namespace vx
