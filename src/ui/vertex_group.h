// The vertex group of Vertices mode and the edits that work on all of it at once.
#pragma once

#include <array>
#include <cstdint>

#include "core/editor_state.h"

namespace vx {

// Why an edit of the group changed nothing.
enum class GroupVerdict : uint8_t { done, emptyGroup, tablesFull };

inline bool inGroup(const VertexGroup& group, int32_t vertex) {
    return vertex >= 0 && vertex < maxVertices && group.member[static_cast<std::size_t>(vertex)] != 0;
}

void clearGroup(VertexGroup& group);
void setGroupMember(VertexGroup& group, int32_t vertex, bool member);
// Every vertex joins the group; when every vertex is in it already, it empties instead.
void groupAllOrNone(VertexGroup& group, int32_t vertexCount);
// Vertices at and above vertexCount leave the group (after an undo or a removed last vertex).
void dropGroupPast(VertexGroup& group, int32_t vertexCount);

// The mean of the members' positions.
std::array<double, 3> groupCentre(const Model& model, const VertexGroup& group);

// Copies the members and every line and polygon wholly in the group (flags kept); the copies
// become the group.
GroupVerdict duplicateGroup(Model& model, VertexGroup& group);

// As duplicateGroup, reflected through x = 0; members on x = 0 are shared by both halves and
// each copied polygon's corner order is reversed so that it faces outward as its original does.
GroupVerdict mirrorGroup(Model& model, VertexGroup& group);

// Every member gets a copy; polygons and lines wholly in the group move onto the copies, joined
// to the old corners by side quads, and other members get a line to their copy. The copies
// become the group. The record says what to turn outside out if the extrusion goes backwards.
GroupVerdict extrudeGroup(Model& model, VertexGroup& group, ExtrudeRecord& record);

// Called when the move that follows an extrude is kept: a capped solid pulled back through its
// own faces is turned outside out, so every face still faces out of it.
void finishExtrude(Model& model, const ExtrudeRecord& record, const std::array<double, 3>& move);

// The group becomes one vertex at its centre (on the grid when snap is set); lines and polygons
// that collapse are removed.
GroupVerdict weldGroup(Model& model, VertexGroup& group, Selection& selection, bool snap);

// Deletes the members with every line and polygon that uses them.
GroupVerdict deleteGroup(Model& model, VertexGroup& group, Selection& selection);

// Model coordinates on the 10-unit grid of snapping.
inline constexpr int32_t snapStep = 10;
int32_t snapToStep(double value);

}  // namespace vx
