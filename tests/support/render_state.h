// An editor state with 800x600 screen arrays for renderer tests, and readers of its pixels.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "core/editor_state.h"
#include "render/pixel_writers.h"

namespace vx::test {

inline constexpr int32_t clearDepth = 0x7F7F7F7F;

// Arrays as at the start of a frame, so single passes can be drawn into them.
inline void clearFrameArrays(EditorState& state) {
    std::fill(state.screen.colorBuffer.begin(), state.screen.colorBuffer.end(), 0u);
    std::fill(state.screen.depthBuffer.begin(), state.screen.depthBuffer.end(), clearDepth);
    std::fill(state.screen.pickBuffer.begin(), state.screen.pickBuffer.end(), int16_t{0});
}

// The start-up state (default cube and camera) without a display: no FrameBuffer.
inline std::unique_ptr<EditorState> makeRenderState() {
    auto state = std::make_unique<EditorState>();
    initEditorState(*state);
    setDefaultModelAndView(*state);
    allocateScreenBuffers(*state, 800, 600, nullptr);
    clearFrameArrays(*state);
    return state;
}

// Replaces the model's vertices; lines and polygons stay as they are.
inline void setVertices(EditorState& state, std::initializer_list<Vertex> vertices) {
    state.model.vertexCount = 0;
    for (const Vertex& v : vertices) state.model.vertices[static_cast<std::size_t>(state.model.vertexCount++)] = v;
}

inline uint32_t colourAt(const EditorState& s, int32_t x, int32_t y) {
    return s.screen.colorBuffer[pixelIndex(s.screen, x, y)];
}
inline int32_t depthAt(const EditorState& s, int32_t x, int32_t y) {
    return s.screen.depthBuffer[pixelIndex(s.screen, x, y)];
}
inline int16_t pickAt(const EditorState& s, int32_t x, int32_t y) {
    return s.screen.pickBuffer[pixelIndex(s.screen, x, y)];
}

inline int countPixels(const EditorState& s, uint32_t colour) {
    return static_cast<int>(std::count(s.screen.colorBuffer.begin(), s.screen.colorBuffer.end(), colour));
}

}  // namespace vx::test
