// Composition of a rendered frame and its copy into the display surface.
#include "render/frame.h"

#include <algorithm>
#include <cstring>

namespace vx {

void composeFrame(EditorState& state) {
    ScreenBuffers& screen = state.screen;
    if (!state.background.hasBackground) std::fill(screen.colorBuffer.begin(), screen.colorBuffer.end(), 0u);
    std::fill(screen.pickBuffer.begin(), screen.pickBuffer.end(), int16_t{0});
    std::memset(screen.depthBuffer.data(), 0x7F, screen.depthBuffer.size() * sizeof(int32_t));
}

void copyFrameToScreen(const EditorState& state) {
    if (!state.screen.frameBuffer) return;
    std::memcpy(state.screen.frameBuffer, state.screen.colorBuffer.data(),
                state.screen.colorBuffer.size() * sizeof(uint32_t));
}

}  // namespace vx
