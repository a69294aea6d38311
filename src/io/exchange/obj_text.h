// An OBJ's bytes made into the plain text the OBJ library reads: UTF-16 and byte-order marks
// decoded, continued lines joined, corners such as `1//` cut to their vertex, coordinates checked
// to be finite numbers, and faces of more corners than the library counts taken aside.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/exchange/exchange_mesh.h"

namespace vx {

struct ObjText {
    std::string text;  // UTF-8, one record a line
    // Faces the library cannot hold, with their place among the file's faces; corners are vertex
    // numbers from 0, or past every vertex when the file names one it does not have.
    std::vector<std::pair<std::size_t, ExchangeFace>> longFaces;
};

// False, with "line N: ..." in error, for a vertex coordinate that is not a finite number.
bool plainObjText(std::string_view bytes, ObjText& out, std::string& error);

// The most corners one face of the library may have.
inline constexpr std::size_t objLibraryCorners = 255;

}  // namespace vx
