// The program's arguments as start-up hands them over: the command line and the executable path.
#include "platform/console/arguments.h"

namespace vx {
namespace {

struct Arguments {
    std::string executablePath;
    std::string commandLine;
};

Arguments& arguments() {
    static Arguments instance;
    return instance;
}

}  // namespace

void initPlatform(int argc, const char* const* argv) {
    Arguments& a = arguments();
    a.executablePath = argc > 0 && argv[0] ? argv[0] : "";
    a.commandLine.clear();
    for (int i = 1; i < argc; ++i) {
        if (i > 1) a.commandLine += ' ';
        a.commandLine += argv[i];
    }
}

const std::string& commandLine() { return arguments().commandLine; }

const std::string& executablePath() { return arguments().executablePath; }

}  // namespace vx
