// The picture of an orthographic named view, drawn behind the model in model units.
//
// The picture is laid in the view's plane: the centre of its middle pixel on a model point, each
// of its pixels unitsPerPixel model units wide. A screen pixel shows the picture pixel that holds the model
// position the orthographic projection puts on that pixel, so a vertex placed on a dot of the
// picture is drawn on that dot at every pan and zoom.
#include "render/view_picture_draw.h"

#include <algorithm>
#include <cmath>

#include "core/views.h"

namespace vx {
namespace {

uint32_t dimmed(uint32_t colour, int32_t opacity) {
    const auto channel = [&](int shift) { return ((colour >> shift & 0xFFu) * static_cast<uint32_t>(opacity) / 100u) << shift; };
    return channel(16) | channel(8) | channel(0);
}

}  // namespace

std::optional<PicturePlacement> viewPictureShown(const EditorState& state) {
    const Camera& camera = state.camera;
    if (!camera.orthographic) return std::nullopt;
    const std::optional<int> view = viewOfCamera(camera);
    if (!view) return std::nullopt;
    const ViewPicture& picture = state.viewPictures.views[static_cast<std::size_t>(*view)];
    if (!picture.present || picture.width <= 0 || picture.height <= 0) return std::nullopt;
    const double perUnit = static_cast<double>(camera.zoom) / camera.distance;  // screen pixels per model unit
    const std::array<double, 2> middle = viewPlaneOf(namedViews[static_cast<std::size_t>(*view)], picture.centre);
    const double scale = picture.unitsPerPixel * perUnit;
    const double centreX = state.screen.screenWidth / 2 + static_cast<double>(camera.panX) + middle[0] * perUnit;
    const double centreY = state.screen.screenHeight / 2 + static_cast<double>(camera.panY) + middle[1] * perUnit;
    // The centre of pixel (width div 2, height div 2) lies on the placement point, so at whole
    // units per pixel every pixel's centre lies on whole model units, where clicks put vertices.
    return PicturePlacement{&picture, *view, centreX - (picture.width / 2 + 0.5) * scale,
                            centreY - (picture.height / 2 + 0.5) * scale, scale};
}

std::array<double, 2> picturePixelAt(const PicturePlacement& placement, double screenX, double screenY) {
    return {(screenX - placement.left) / placement.scale, (screenY - placement.top) / placement.scale};
}

void drawViewPicture(ScreenBuffers& screen, const PicturePlacement& placement, const RowBand& rows) {
    const ViewPicture& picture = *placement.picture;
    for (int32_t y = rows.first; y < rows.last; ++y) {
        uint32_t* row = screen.colorBuffer.data() + pixelIndex(screen, 0, y);
        std::fill(row, row + screen.screenWidth, 0u);
        const double v = std::floor((y - placement.top) / placement.scale);
        if (!(v >= 0 && v < picture.height)) continue;
        const uint32_t* source = picture.pixels.data() + static_cast<std::size_t>(v) * static_cast<std::size_t>(picture.width);
        for (int32_t x = 0; x < screen.screenWidth; ++x) {
            const double u = std::floor((x - placement.left) / placement.scale);
            if (u >= 0 && u < picture.width) row[x] = dimmed(source[static_cast<std::size_t>(u)], picture.opacity);
        }
    }
}

}  // namespace vx
