// The picture of an orthographic named view, drawn behind the model in model units.
#pragma once

#include <optional>

#include "core/editor_state.h"
#include "render/render_threads.h"

namespace vx {

// Where the current view's own picture lies on the screen: its top-left corner and how many
// screen pixels one picture pixel spans.
struct PicturePlacement {
    const ViewPicture* picture;
    int view;             // index into namedViews
    double left, top;     // screen position of the picture's top-left corner, pan included
    double scale;         // screen pixels per picture pixel
};

// The placement while the camera is orthographic and shows a named view with a picture of its
// own; otherwise none, and the start-up picture (if any) stands behind the view as always.
std::optional<PicturePlacement> viewPictureShown(const EditorState& state);

// The picture pixel under a screen position, which may lie outside the picture.
std::array<double, 2> picturePixelAt(const PicturePlacement& placement, double screenX, double screenY);

// Fills the band's rows of the colour array: a screen pixel shows the picture pixel its own
// position falls in, each channel scaled to the opacity and rounded down, and black beyond.
void drawViewPicture(ScreenBuffers& screen, const PicturePlacement& placement, const RowBand& rows);

}  // namespace vx
