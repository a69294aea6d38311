// Finding vertex markers in the last frame's pick array around the pointer.
#pragma once

#include <array>
#include <cstdint>

#include "core/editor_state.h"

namespace vx {

struct VertexPick {
    int32_t code;   // pick code of the found vertex (i+1 for vertex i), 0 when none
    int32_t depth;  // pickedVertexDepth: the vertex's depth in the last frame minus distance
};

// Largest half-size of the square that findVertexNearPointer searches (17 x 17 pixels).
inline constexpr int32_t vertexPickReach = 8;

// The marker under the pointer or else in the smallest square around it, up to half-size 8,
// that holds one: the topmost, then leftmost, marker of that square.
VertexPick findVertexNearPointer(const EditorState& state);

// The vertices of the first four marker pixels, in row-by-row scan order, of the smallest
// square of half-size 1..maxReach around (x, y) that holds four. False when none does.
bool findFourMarkers(const ScreenBuffers& screen, int32_t x, int32_t y, int32_t maxReach,
                     std::array<int32_t, 4>& vertices);

// A vertex that the last frame drew on the very pixel of the last selected one, where only the
// nearer marker can be clicked: the next such vertex farther away (by depth, then index), or
// after the farthest the nearest again; -1 when there is none. Selected vertices are skipped.
int32_t vertexBehindLastPicked(const EditorState& state);

}  // namespace vx
