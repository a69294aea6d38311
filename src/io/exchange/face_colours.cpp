// Face colours: sRGB conversions, the nearest colour in CIE Lab, and an import's palette.
#include "io/exchange/face_colours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace vx {
namespace {

uint32_t channel(uint32_t rgb, int shift) { return (rgb >> shift) & 0xFF; }

// CIE L*a*b* under D65 daylight: distances in it follow how different colours look.
std::array<double, 3> labOf(uint32_t rgb) {
    const double r = linearOfSrgb(channel(rgb, 16)), g = linearOfSrgb(channel(rgb, 8)),
                 b = linearOfSrgb(channel(rgb, 0));
    const double xyz[3] = {(0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047, 0.2126 * r + 0.7152 * g + 0.0722 * b,
                           (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883};
    double f[3];
    for (int k = 0; k < 3; ++k)
        f[k] = xyz[k] > 216.0 / 24389.0 ? std::cbrt(xyz[k]) : (24389.0 / 27.0 * xyz[k] + 16.0) / 116.0;
    return {116.0 * f[1] - 16.0, 500.0 * (f[0] - f[1]), 200.0 * (f[1] - f[2])};
}

double labDistance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]);
}

// A face's hint is taken when its entry is the face's colour: so a palette that holds a colour
// twice keeps which of the two each face used.
uint16_t entryFor(const Palette& palette, const ExchangeFace& face) {
    const int32_t hint = colourOf(face.flags);
    if (face.colour == noColour) return static_cast<uint16_t>(hint);
    if (hint > 0 && paletteColour(palette, hint) == static_cast<uint32_t>(face.colour))
        return static_cast<uint16_t>(hint);
    return static_cast<uint16_t>(firstEntryOf(palette, static_cast<uint32_t>(face.colour)));
}

bool holdsEveryColour(const Palette& palette, const ExchangeMesh& mesh) {
    return std::all_of(mesh.faces.begin(), mesh.faces.end(), [&](const ExchangeFace& f) {
        return f.colour == noColour || firstEntryOf(palette, static_cast<uint32_t>(f.colour)) > 0;
    });
}

struct Used {
    uint32_t rgb;
    std::size_t faces;
    std::size_t first;  // order of first appearance
};

std::vector<Used> coloursUsed(const ExchangeMesh& mesh) {
    std::map<uint32_t, std::size_t> at;
    std::vector<Used> used;
    for (const ExchangeFace& f : mesh.faces) {
        if (f.colour == noColour) continue;
        const auto rgb = static_cast<uint32_t>(f.colour);
        const auto [slot, added] = at.try_emplace(rgb, used.size());
        if (added) used.push_back({rgb, 0, used.size()});
        ++used[slot->second].faces;
    }
    return used;
}

// The kept colours first, in the order they appear; the built-in entries they leave room for.
Palette paletteOf(const std::vector<Used>& kept) {
    Palette palette{};
    std::size_t n = 0;
    for (const Used& u : kept) palette[n++] = u.rgb;
    for (uint32_t entry : builtinPalette) {
        if (n == palette.size()) break;
        if (std::none_of(kept.begin(), kept.end(), [&](const Used& u) { return u.rgb == entry; })) palette[n++] = entry;
    }
    return palette;
}

int32_t nearestEntry(const Palette& palette, std::size_t entries, uint32_t rgb) {
    const auto lab = labOf(rgb);
    int32_t best = 1;
    for (std::size_t i = 1; i < entries; ++i)
        if (labDistance(lab, labOf(palette[i])) < labDistance(lab, labOf(palette[static_cast<std::size_t>(best - 1)])))
            best = static_cast<int32_t>(i) + 1;
    return best;
}

// Colours the file's palette does not hold make a palette of their own.
ColourChoice paletteFromColours(const ExchangeMesh& mesh) {
    std::vector<Used> used = coloursUsed(mesh), kept = used;
    ColourChoice choice;
    if (kept.size() > paletteSize) {
        std::stable_sort(kept.begin(), kept.end(), [](const Used& a, const Used& b) { return a.faces > b.faces; });
        kept.resize(paletteSize);
        std::sort(kept.begin(), kept.end(), [](const Used& a, const Used& b) { return a.first < b.first; });
        choice.mergedColours = used.size() - kept.size();
    }
    choice.palette = paletteOf(kept);
    std::map<uint32_t, uint16_t> entry;
    for (std::size_t i = 0; i < kept.size(); ++i) entry[kept[i].rgb] = static_cast<uint16_t>(i + 1);
    for (const Used& u : used)
        if (!entry.contains(u.rgb))
            entry[u.rgb] = static_cast<uint16_t>(nearestEntry(choice.palette, kept.size(), u.rgb));
    for (const ExchangeFace& f : mesh.faces)
        choice.colourOfFace.push_back(f.colour == noColour ? uint16_t{0} : entry[static_cast<uint32_t>(f.colour)]);
    return choice;
}

}  // namespace

double linearOfSrgb(uint32_t c) {
    const double s = std::min<uint32_t>(c, 255) / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

uint32_t srgbOfLinear(double light) {
    if (!(light > 0.0)) return 0;
    if (light >= 1.0) return 255;
    const double s = light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1.0 / 2.4) - 0.055;
    return static_cast<uint32_t>(std::lround(s * 255.0));
}

int32_t firstEntryOf(const Palette& palette, uint32_t rgb) {
    for (std::size_t i = 0; i < palette.size(); ++i)
        if (palette[i] == rgb) return static_cast<int32_t>(i) + 1;
    return 0;
}

ColourChoice chooseColours(const ExchangeMesh& mesh) {
    if (!holdsEveryColour(mesh.palette, mesh)) return paletteFromColours(mesh);
    ColourChoice choice;
    choice.palette = mesh.palette;
    for (const ExchangeFace& f : mesh.faces) choice.colourOfFace.push_back(entryFor(mesh.palette, f));
    return choice;
}

}  // namespace vx
