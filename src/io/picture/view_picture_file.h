// Reading a named view's tracing picture from its file.
#pragma once

#include <string>

#include "core/view_picture.h"

namespace vx {

// Reads any picture the editor can show into picture's size and pixels; its path, placement and
// opacity are left alone. False, with one line saying why, when it cannot be used; the picture
// is then untouched.
bool readViewPicture(const std::string& path, ViewPicture& picture, std::string& problem);

}  // namespace vx
