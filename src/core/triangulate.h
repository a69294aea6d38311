// Splitting a flat outline of any corner count, convex or not, into triangles and convex quads.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vx {

// One piece of an outline: four indices into the outline's corners, in the outline's turning
// order; a triangle repeats its third corner, as the editor's polygons do.
using OutlinePiece = std::array<uint32_t, 4>;

// The outline's corners in order, in 3-D; they are split in the plane that fits them best, so a
// slightly bent outline splits as its flat shadow would. Ears are clipped one by one, never
// across the outline's own edges, so a concave outline (a ring closed by a cut to its hole
// included) is covered exactly once; corners on a straight edge add no piece of zero area.
// Neighbouring triangles that make a convex quad are then joined. An outline of fewer than three
// corners, or whose corners all lie on one line, gives no piece.
std::vector<OutlinePiece> splitOutline(std::span<const std::array<double, 3>> corners);

// True when the outline, seen in its plane, turns the same way at every corner (straight corners
// allowed): such a quad is drawn as it is.
bool outlineIsConvex(std::span<const std::array<double, 3>> corners);

}  // namespace vx
