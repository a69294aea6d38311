// A tracing picture that belongs to one named view, placed in model units.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vx {

inline constexpr int viewCount = 6;  // front, back, right, left, top, bottom

struct ViewPicture {
    bool present;                  // the view has a picture of its own
    std::string path;              // as typed or as the reference file names it (absolute there)
    int32_t width, height;         // pixels
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    std::array<double, 3> centre;  // model point under the centre of pixel (width div 2, height div 2)
    double unitsPerPixel;          // model units per picture pixel; > 0
    int32_t opacity;               // per cent: 100, 75, 50 or 25
};

// Camera mode's gestures on the current view's picture.
enum class PictureGesture : uint8_t { none, move, scale, calibrateFirst, calibrateSecond };

struct PictureTool {
    PictureGesture gesture;          // what the pointer does now
    int32_t startX, startY;          // pointer when a move or scale began
    std::array<double, 3> startCentre;
    double startUnitsPerPixel;
    std::array<double, 2> firstPoint;  // calibration: the first click in picture pixels
};

struct ViewPictures {
    std::array<ViewPicture, viewCount> views;  // indexed as namedViews
    PictureTool tool;
    const char* message;  // Camera mode's message row until the next input; null for none
};

}  // namespace vx
