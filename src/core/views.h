// The six named views (front, back, the two sides, top and bottom): their names and angles.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/editor_state.h"

namespace vx {

// Model axes: x right, y down, z away from the viewer of the front view. Each view looks at the
// named side of the model, upright: front along +z, back along -z, right along -x, left along +x,
// top along +y with the front towards the bottom of the screen, bottom along -y with the front
// towards the top.
struct NamedView {
    std::string_view name;       // as vxtool's --view and the .vxref file spell it
    float axy, axz, ayz;         // radians, quarter turns of the editor's own pi
    std::array<int, 3> right;    // the model axis that points right on the screen, exactly
    std::array<int, 3> down;     // the model axis that points down
};

// The view-plane coordinates (right, down) of a model point: what the view shows it at before
// zoom and pan, exact where the turned angles are off by a last bit.
std::array<double, 2> viewPlaneOf(const NamedView& view, const std::array<double, 3>& point);

extern const std::array<NamedView, viewCount> namedViews;

// The index of the view called `name`, if any.
std::optional<int> viewNamed(std::string_view name);

// The index of the view the camera's angles show, if any: each angle within a thousandth of a
// radian of the view's, a whole turn either way, so turning back and forth by quarter turns in
// Rotate mode finds the view again.
std::optional<int> viewOfCamera(const Camera& camera);

// Sets the camera's angles to those of view `index`; pan, zoom and the rest stay.
void turnToView(Camera& camera, int index);

}  // namespace vx
