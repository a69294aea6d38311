// CIE Lab and the nearest palette entry.
#include "core/colour_match.h"

#include <cmath>

namespace vx {
namespace {

double linearOf(uint32_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The cube root with the linear piece near black, as Lab defines it.
double labCurve(double t) {
    constexpr double delta = 6.0 / 29.0;
    return t > delta * delta * delta ? std::cbrt(t) : t / (3.0 * delta * delta) + 4.0 / 29.0;
}

}  // namespace

std::array<double, 3> labOf(uint32_t rgb) {
    const double r = linearOf(rgb >> 16 & 0xFF), g = linearOf(rgb >> 8 & 0xFF), b = linearOf(rgb & 0xFF);
    // sRGB to XYZ, each divided by the D65 white's.
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = labCurve(x), fy = labCurve(y), fz = labCurve(z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

int32_t nearestPaletteEntry(const Palette& palette, uint32_t rgb) {
    const std::array<double, 3> want = labOf(rgb);
    int32_t best = 1;
    double bestDistance = INFINITY;
    for (int32_t i = 1; i <= paletteSize; ++i) {
        const std::array<double, 3> lab = labOf(paletteColour(palette, i));
        const double dl = lab[0] - want[0], da = lab[1] - want[1], db = lab[2] - want[2];
        const double distance = dl * dl + da * da + db * db;
        if (distance < bestDistance) best = i, bestDistance = distance;
    }
    return best;
}

}  // namespace vx
