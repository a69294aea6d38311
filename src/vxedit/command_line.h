// The editor's command line: which files to open, or what to print instead of starting.
#pragma once

#include <string>
#include <vector>

#include "core/editor_state.h"
#include "io/picture/background_image.h"

namespace vx {

struct StartRequest {
    enum class Action : uint8_t { run, help, version, recover, usageError };
    Action action = Action::run;
    std::string modelPath;    // a file that starts with "VTXF", one the importer reads, or a new NAME.vx; empty: the cube
    std::string picturePath;  // any other file; empty: no picture
    std::string problem;      // why the arguments are a usage error
    int32_t windowScale = 0;  // 1-4 from --scale; 0: the largest that fits the desktop
};

// At most one model and one picture, in either order. A single argument is taken whole, and so
// are several words that only together name an existing file, as an unquoted name with spaces.
StartRequest parseCommandLine(const std::vector<std::string>& arguments);

// What --help prints.
const char* helpText();

// Acts on the command line before the window opens: prints the help or the version, or loads
// the model and checks and decodes the picture. Anything unusable ends the program with one
// line on standard error and nothing created: status 2 for a usage error, else 1.
void openCommandLineFiles(EditorState& state, int argc, const char* const* argv, PreparedPicture& picture);

// The text --help prints.
const char* commandLineHelp();

}  // namespace vx
