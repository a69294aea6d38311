// The named views' own tracing pictures: File mode's b and B, and Camera mode's placing of them.
#include "ui/view_pictures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/views.h"
#include "io/picture/view_picture_file.h"
#include "platform/console/cp437.h"
#include "platform/console/input.h"
#include "platform/console/line_input.h"
#include "platform/console/text.h"
#include "render/view_picture_draw.h"

namespace vx {
namespace {

constexpr int32_t leftBit = 1;
constexpr int32_t rightBit = 2;
constexpr double scaleDoublingPixels = 200.0;  // a Shift + right drag this far right doubles the picture

ViewPicture* currentPicture(EditorState& state) {
    const std::optional<int> view = viewOfCamera(state.camera);
    if (!view) return nullptr;
    ViewPicture& picture = state.viewPictures.views[static_cast<std::size_t>(*view)];
    return picture.present ? &picture : nullptr;
}

// File mode's messages stand on the cursor's row, and are held over the frame that follows.
void fileMessage(EditorState& state, const std::string& text) {
    const int row = printRow(0, text);
    state.heldMessage = {text, row};
    state.redrawPending = 1;
}

bool shiftHeld(const InputState& input) { return (input.mouseModifiers & shiftModifier) != 0; }

// A length in model units: a positive finite number, decimals allowed.
std::optional<double> parseDistance(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    std::size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    // strtod, not from_chars: the browser build's library has no floating-point from_chars.
    const std::string number = text.substr(first, last + 1 - first);
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !(value > 0) || !std::isfinite(value)) return std::nullopt;
    return value;
}

void finishCalibration(EditorState& state, ViewPicture& picture, std::array<double, 2> second) {
    ViewPictures& pictures = state.viewPictures;
    pictures.tool.gesture = PictureGesture::none;
    state.redrawPending = 1;
    const std::array<double, 2>& first = pictures.tool.firstPoint;
    const double pixels = std::hypot(second[0] - first[0], second[1] - first[1]);
    if (pixels == 0) {
        pictures.message = "the two points are one: the scale stays";
        return;
    }
    printRow(4, {});
    printRow(5, {});
    locate(4, 1);
    promptLine("distance between the two points in model units", true, true);
    const std::optional<double> distance = parseDistance(takeToken());
    if (!distance) {
        pictures.message = "not a positive number: the scale stays";
        return;
    }
    picture.unitsPerPixel = *distance / pixels;
    pictures.message = "calibrated";
}

// The clicks of a calibration, in picture pixels, wherever they land.
void calibrationClick(EditorState& state, ViewPicture& picture, const PicturePlacement& placement) {
    PictureTool& tool = state.viewPictures.tool;
    const std::array<double, 2> at = picturePixelAt(placement, state.input.mouseX, state.input.mouseY);
    if (tool.gesture == PictureGesture::calibrateFirst) {
        tool.firstPoint = at;
        tool.gesture = PictureGesture::calibrateSecond;
        state.redrawPending = 1;
    } else {
        finishCalibration(state, picture, at);
    }
}

void startPictureDrag(EditorState& state, ViewPicture& picture, PictureGesture gesture) {
    PictureTool& tool = state.viewPictures.tool;
    tool.gesture = gesture;
    tool.startX = state.input.mouseX;
    tool.startY = state.input.mouseY;
    tool.startCentre = picture.centre;
    tool.startUnitsPerPixel = picture.unitsPerPixel;
}

// The centre follows the pointer pixel for pixel at the current zoom; the scale doubles for every
// 200 pixels to the right and halves for as many to the left.
void followPictureDrag(EditorState& state, ViewPicture& picture, int view) {
    const PictureTool& tool = state.viewPictures.tool;
    const double movedX = state.input.mouseX - tool.startX, movedY = state.input.mouseY - tool.startY;
    if (tool.gesture == PictureGesture::move) {
        const double unitsPerScreenPixel = static_cast<double>(state.camera.distance) / state.camera.zoom;
        const NamedView& named = namedViews[static_cast<std::size_t>(view)];
        for (std::size_t axis = 0; axis < 3; ++axis)
            picture.centre[axis] = tool.startCentre[axis] +
                                   (named.right[axis] * movedX + named.down[axis] * movedY) * unitsPerScreenPixel;
    } else {
        picture.unitsPerPixel = tool.startUnitsPerPixel * std::exp2(movedX / scaleDoublingPixels);
    }
    state.redrawPending = 1;
}

std::string scaleText(double unitsPerPixel) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", unitsPerPixel);
    return text;
}

// The view a File-mode picture command works on, with the message rows cleared for its answer;
// none, with a message, when the camera shows none of the named views.
std::optional<int> viewForPictureCommand(EditorState& state) {
    printRow(3, {});
    printRow(4, {});
    locate(3, 1);
    const std::optional<int> view = viewOfCamera(state.camera);
    if (!view) fileMessage(state, "choose a view first");
    return view;
}

}  // namespace

void addViewPicture(EditorState& state) {
    const std::optional<int> view = viewForPictureCommand(state);
    if (!view) return;
    const std::string prompt = "picture for the " + std::string(namedViews[static_cast<std::size_t>(*view)].name) + " view:";
    promptLine(prompt, true, true);
    const std::string path = utf8FromCp437(takeToken());
    if (path.empty()) {
        fileMessage(state, "cancelled");
        return;
    }
    ViewPicture& picture = state.viewPictures.views[static_cast<std::size_t>(*view)];
    ViewPicture loaded{};
    std::string problem;
    if (!readViewPicture(path, loaded, problem)) {
        fileMessage(state, path + ": " + problem);
        return;
    }
    // A picture that replaces another keeps its place, scale and opacity; a first one starts
    // centred on the origin at one unit per pixel.
    loaded.present = true;
    loaded.path = path;
    loaded.centre = picture.present ? picture.centre : std::array<double, 3>{0, 0, 0};
    loaded.unitsPerPixel = picture.present ? picture.unitsPerPixel : 1.0;
    loaded.opacity = picture.present ? picture.opacity : 100;
    picture = std::move(loaded);
    fileMessage(state, "done.");
}

void removeViewPicture(EditorState& state) {
    const std::optional<int> view = viewForPictureCommand(state);
    if (!view) return;
    ViewPicture& picture = state.viewPictures.views[static_cast<std::size_t>(*view)];
    const bool had = picture.present;
    picture = ViewPicture{};
    fileMessage(state, had ? "picture removed" : "this view has no picture");
}

bool currentViewHasPicture(const EditorState& state) { return viewPictureShown(state).has_value(); }

void lessOpaque(EditorState& state) {
    ViewPicture& picture = *currentPicture(state);
    picture.opacity = std::max(25, picture.opacity - 25);
    state.redrawPending = 1;
}

void moreOpaque(EditorState& state) {
    ViewPicture& picture = *currentPicture(state);
    picture.opacity = std::min(100, picture.opacity + 25);
    state.redrawPending = 1;
}

void startCalibration(EditorState& state) {
    state.viewPictures.tool.gesture = PictureGesture::calibrateFirst;
    state.redrawPending = 1;
}

bool calibrating(const EditorState& state) {
    const PictureGesture gesture = state.viewPictures.tool.gesture;
    return gesture == PictureGesture::calibrateFirst || gesture == PictureGesture::calibrateSecond;
}

void cancelCalibration(EditorState& state) {
    state.viewPictures.tool.gesture = PictureGesture::none;
    state.viewPictures.message = "cancelled";
    state.redrawPending = 1;
}

bool pictureMouse(EditorState& state) {
    InputState& input = state.input;
    PictureTool& tool = state.viewPictures.tool;
    const std::optional<PicturePlacement> placement = viewPictureShown(state);
    ViewPicture* picture = currentPicture(state);
    // Calibrating goes on only while the view still shows its picture; a drag ends with its button.
    if (!placement || !picture) {
        if (tool.gesture != PictureGesture::none) tool.gesture = PictureGesture::none;
        return false;
    }
    if (calibrating(state)) {
        if (input.leftClick) calibrationClick(state, *picture, *placement);
        return true;
    }
    if (tool.gesture == PictureGesture::none && shiftHeld(input) && (input.leftClick || input.rightClick))
        startPictureDrag(state, *picture, input.leftClick ? PictureGesture::move : PictureGesture::scale);
    if (tool.gesture == PictureGesture::none) return false;
    const int32_t held = tool.gesture == PictureGesture::move ? leftBit : rightBit;
    if (!(input.mouseButtons & held)) {
        tool.gesture = PictureGesture::none;
        return true;
    }
    followPictureDrag(state, *picture, placement->view);
    return true;
}

void drawPictureHelp(const EditorState& state) {
    const ViewPictures& pictures = state.viewPictures;
    if (pictures.message) printRow(5, pictures.message);
    if (!state.camera.orthographic) return;
    const std::optional<PicturePlacement> placement = viewPictureShown(state);
    if (!placement) return;
    if (pictures.tool.gesture == PictureGesture::calibrateFirst) {
        printRow(4, "calibrate: left-click the first point on the picture, Esc to cancel");
        return;
    }
    if (pictures.tool.gesture == PictureGesture::calibrateSecond) {
        printRow(4, "calibrate: left-click the second point, then type their distance");
        return;
    }
    const ViewPicture& picture = *placement->picture;
    std::string text = cp437FromUtf8(picture.path);
    text += ' ';
    text += std::to_string(picture.opacity);
    text += "% ";
    text += scaleText(picture.unitsPerPixel);
    text += " units/pixel; Shift+drag move/scale, [ ] opacity, k calibrate";
    printRow(4, text);
}

}  // namespace vx
