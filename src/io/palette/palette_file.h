// Palettes from files: a GIMP palette (.gpl), a list of hex colours (.hex), or a picture.
#pragma once

#include <string>

#include "core/palette.h"

namespace vx {

struct PaletteRead {
    Palette palette;     // entries the file gives, in its order; the built-in colours past them
    int32_t given;       // how many entries came from the file, 1..31
    int32_t leftOut;     // colours past the 31st, not taken (of a picture: 1 when it has any)
    std::string source;  // "GIMP palette", "hex list" or "picture"
};

// A file that starts "GIMP Palette" is read as one; a file whose every line that is not blank is
// six hex digits (a leading # allowed) as a hex list; anything else as a picture, whose first 31
// distinct colours in reading order are taken. False, with the reason, for a file that is none of
// these or gives no colour.
bool readPaletteFile(const std::string& path, PaletteRead& read, std::string& problem);

}  // namespace vx
