// The BMP picture shown behind the model.
#pragma once

#include <string>

#include "core/editor_state.h"

namespace vx {

// Reads the picture named on the command line into BackgroundImage. A file that is not a BMP
// picture ends the program with status 0 after a message.
void loadBackgroundImage(EditorState& state, const std::string& imagePath);

}  // namespace vx
