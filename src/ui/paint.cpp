// Painting in Polys mode: stepping and taking the current colour, painting the selected polygon
// or the one under the pointer, colours from the picture, and the strip of swatches.
#include "ui/paint.h"

#include <array>
#include <optional>

#include "core/colour_match.h"
#include "platform/console/input.h"
#include "ui/modes.h"

namespace vx {
namespace {

constexpr int32_t leftBit = 1;
constexpr int cellWidth = 8, cellHeight = 16;
constexpr uint32_t noColourSwatch = 0x7F7F7F;  // the grey polygons without a colour are outlined in

std::optional<std::size_t> polygonOfCode(const EditorState& state, int32_t code) {
    if (code >= 0) return std::nullopt;
    const int64_t i = -int64_t{code} - 1;
    if (i >= state.model.polygonCount) return std::nullopt;
    return static_cast<std::size_t>(i);
}

void paintPolygon(EditorState& state, std::size_t i, int32_t colour) {
    uint16_t& flags = state.model.polygons[i].flags;
    flags = static_cast<uint16_t>((flags & ~colourMask) | (colour & colourMask));
    state.redrawPending = 1;
}

void showMessage(EditorState& state, const char* text) {
    state.heldMessage = {text, paintRow + 2};
    state.redrawPending = 1;
}

// The mean colour of the picture's pixels where the polygon is what the pointer would pick: the
// part of it the picture shows through. False where it covers none.
bool meanPictureColour(const EditorState& state, int32_t code, uint32_t& mean) {
    const ScreenBuffers& screen = state.screen;
    const int32_t width = std::min(state.background.backgroundWidth, screen.screenWidth);
    const int32_t height = std::min(state.background.backgroundHeight, screen.screenHeight);
    std::array<uint64_t, 3> sum{};
    uint64_t count = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const std::size_t at = pixelIndex(screen, x, y);
            if (screen.pickBuffer[at] != code) continue;
            const uint32_t pixel = screen.backgroundImage[at];
            sum[0] += pixel >> 16 & 0xFF, sum[1] += pixel >> 8 & 0xFF, sum[2] += pixel & 0xFF;
            ++count;
        }
    }
    if (count == 0) return false;
    const auto channel = [&](int k) { return static_cast<uint32_t>((sum[k] + count / 2) / count); };
    mean = channel(0) << 16 | channel(1) << 8 | channel(2);
    return true;
}

}  // namespace

uint32_t swatchColour(const Palette& palette, int32_t colour) {
    return colour == 0 ? noColourSwatch : paletteColour(palette, colour);
}

int32_t swatchAt(int32_t x, int32_t y) {
    if (y < (paintRow - 1) * cellHeight || y >= paintRow * cellHeight) return -1;
    const int32_t left = (stripColumn - 1) * cellWidth;
    if (x < left || x >= left + stripColours * swatchCells * cellWidth) return -1;
    return (x - left) / (swatchCells * cellWidth);
}

bool takeSwatchClick(EditorState& state) {
    InputState& input = state.input;
    if (state.mode != EditorMode::polys || !input.leftClick) return false;
    const int32_t colour = swatchAt(input.mouseX, input.mouseY);
    if (colour < 0) return false;
    state.paint.colour = colour;
    input.holdAfterTabClick = 1;
    return true;
}

bool paintWithPointer(EditorState& state) {
    const InputState& input = state.input;
    Paint& paint = state.paint;
    if (input.leftClick && (input.mouseModifiers & shiftModifier)) {
        paint = {paint.colour, true, input.mouseX, input.mouseY};
        return true;
    }
    if (!paint.pressed) return false;
    if (input.mouseButtons & leftBit) return true;  // still held
    paint.pressed = false;
    if (!(input.prevMouseButtons & leftBit)) return false;  // let go in another mode
    if (input.mouseX != paint.pressX || input.mouseY != paint.pressY) return true;
    const ScreenBuffers& screen = state.screen;
    if (input.mouseX < 0 || input.mouseX >= screen.screenWidth || input.mouseY < 0 ||
        input.mouseY >= screen.screenHeight)
        return true;
    const std::optional<std::size_t> i =
        polygonOfCode(state, screen.pickBuffer[pixelIndex(screen, input.mouseX, input.mouseY)]);
    if (i) paintPolygon(state, *i, paint.colour);
    return true;
}

void previousColour(EditorState& state) {
    state.paint.colour = (state.paint.colour + stripColours - 1) % stripColours;
    state.redrawPending = 1;
}

void nextColour(EditorState& state) {
    state.paint.colour = (state.paint.colour + 1) % stripColours;
    state.redrawPending = 1;
}

void paintSelectedPolygon(EditorState& state) {
    if (const std::optional<std::size_t> i = polygonOfCode(state, state.selection.polygon))
        paintPolygon(state, *i, state.paint.colour);
}

void takeSelectedPolygonColour(EditorState& state) {
    if (const std::optional<std::size_t> i = polygonOfCode(state, state.selection.polygon)) {
        state.paint.colour = colourOf(state.model.polygons[*i].flags);
        state.redrawPending = 1;
    }
}

void paintFromPicture(EditorState& state) {
    const std::optional<std::size_t> i = polygonOfCode(state, state.selection.polygon);
    if (!i) return;
    if (!state.background.hasBackground) return showMessage(state, "no picture to take a colour from");
    uint32_t mean = 0;
    if (!meanPictureColour(state, state.selection.polygon, mean))
        return showMessage(state, "the polygon covers none of the picture");
    paintPolygon(state, *i, nearestPaletteEntry(state.model.palette, mean));
}

}  // namespace vx
