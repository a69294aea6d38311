// The 3-D pointer of Vertices mode: the model-space point under a screen position.
#pragma once

#include <array>
#include <cstdint>

#include "core/editor_state.h"

namespace vx {

// The inverse of the camera projection: the model point that projects to (screenX, screenY)
// at view depth distance + depth, in perspective or orthographic as the camera is. The screen position excludes the pan.
std::array<float, 3> unprojectPointer(const EditorState& state, int32_t screenX, int32_t screenY, int32_t depth);

}  // namespace vx
