// Writing a finished file in one piece: a temporary file renamed into place.
#pragma once

#include <string>

namespace vx {

// False when the file could not be written; then no new file is left and an existing one is
// as it was.
bool writeWholeFile(const std::string& path, const std::string& bytes);

}  // namespace vx
