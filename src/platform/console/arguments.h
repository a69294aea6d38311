// The program's arguments as start-up hands them over: the command line and the executable path.
#pragma once

#include <string>

namespace vx {

// Remembers the program's arguments; called once, first thing at start-up.
void initPlatform(int argc, const char* const* argv);

// The program's arguments joined with single spaces.
const std::string& commandLine();

// The path the program was started by, as argv[0] gave it; the window's title comes from it.
const std::string& executablePath();

}  // namespace vx
