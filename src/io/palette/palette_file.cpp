// Reading palettes from GIMP palettes, hex lists and pictures.
#include "io/palette/palette_file.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "io/picture/picture_decoder.h"

namespace vx {
namespace {

constexpr std::size_t maxTextBytes = 1 << 20;  // a palette of text is a few kilobytes

std::string trimmed(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(maxTextBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return true;
}

// "R G B name" with each channel 0..255; other lines (Name:, Columns:, comments) give nothing.
bool gplColour(const std::string& line, uint32_t& colour) {
    if (line.empty() || line[0] == '#' || line.find(':') != std::string::npos) return false;
    std::istringstream fields(line);
    int r = -1, g = -1, b = -1;
    if (!(fields >> r >> g >> b)) return false;
    if (std::min({r, g, b}) < 0 || std::max({r, g, b}) > 255) return false;
    colour = static_cast<uint32_t>(r << 16 | g << 8 | b);
    return true;
}

std::vector<uint32_t> gplColours(const std::string& text) {
    std::vector<uint32_t> colours;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);  // "GIMP Palette"
    uint32_t colour = 0;
    while (std::getline(lines, line))
        if (gplColour(trimmed(line), colour)) colours.push_back(colour);
    return colours;
}

// False when any line that is not blank is not six hex digits.
bool hexColours(const std::string& text, std::vector<uint32_t>& colours) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty()) continue;
        if (line[0] == '#') line.erase(0, 1);
        if (line.size() != 6 || line.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
        colours.push_back(static_cast<uint32_t>(std::stoul(line, nullptr, 16)));
    }
    return true;
}

// The first distinct colours in reading order; one more than a palette holds, to tell whether
// any was left out.
std::vector<uint32_t> pictureColours(const DecodedPicture& picture, std::size_t wanted) {
    std::vector<uint32_t> colours;
    for (const uint32_t pixel : picture.pixels) {
        if (std::find(colours.begin(), colours.end(), pixel) != colours.end()) continue;
        colours.push_back(pixel);
        if (colours.size() == wanted) break;
    }
    return colours;
}

bool colourList(const std::string& path, std::vector<uint32_t>& colours, PaletteRead& read, std::string& problem) {
    std::string text;
    if (!readText(path, text)) {
        problem = "cannot read " + path;
        return false;
    }
    if (text.rfind("GIMP Palette", 0) == 0) {
        colours = gplColours(text);
        read.source = "GIMP palette";
        return true;
    }
    if (hexColours(text, colours)) {
        read.source = "hex list";
        return true;
    }
    colours.clear();
    DecodedPicture picture;
    if (!decodePicture(path, picture, problem)) {
        problem = "not a palette or a picture: " + path;
        return false;
    }
    colours = pictureColours(picture, paletteSize + 1);
    read.source = "picture";
    return true;
}

}  // namespace

bool readPaletteFile(const std::string& path, PaletteRead& read, std::string& problem) {
    std::vector<uint32_t> colours;
    read = {builtinPalette, 0, 0, {}};
    if (!colourList(path, colours, read, problem)) return false;
    if (colours.empty()) {
        problem = "no colours in " + path;
        return false;
    }
    const std::size_t taken = std::min<std::size_t>(colours.size(), paletteSize);
    std::copy_n(colours.begin(), taken, read.palette.begin());
    read.given = static_cast<int32_t>(taken);
    read.leftOut = static_cast<int32_t>(colours.size() - taken);
    return true;
}

}  // namespace vx
