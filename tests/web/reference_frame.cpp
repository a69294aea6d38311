// Writes what the headless editor's window shows after start-up and a script of input, as raw
// red, green, blue bytes row by row: the picture the web page must show for the same input.
// Usage: vxreferenceframe OUTPUT [SCRIPT]
// The script's steps are separated by " / "; each step's events, separated by ", ", arrive
// together and the editor then runs until it waits: "key TEXT", "code N" (extended key N),
// "char N" (character N), "enter", "move X Y", "down BIT", "up BIT", "wheel N", "hold MASK"
// (Shift 1 and Ctrl 2 held from then on).
#include <cstdio>
#include <sstream>
#include <string>

#include "platform/headless/headless.h"
#include "platform/seam/input_feed.h"
#include "support/scenario.h"

namespace {

std::string nextPart(const std::string& text, std::size_t& at, const std::string& separator) {
    const std::size_t end = text.find(separator, at);
    std::string part = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + separator.size();
    return part;
}

bool queueEvent(const std::string& event) {
    std::istringstream words(event);
    std::string verb;
    int a = 0, b = 0;
    words >> verb;
    namespace hl = vx::headless;
    if (verb == "key")
        hl::type(event.substr(4));
    else if (verb == "enter")
        hl::keyCode(13);
    else if (verb == "char" && words >> a)
        hl::keyCode(a);
    else if (verb == "code" && words >> a)
        hl::keyCode(vx::extendedKey(a));
    else if (verb == "move" && words >> a >> b)
        hl::moveMouse(a, b);
    else if (verb == "down" && words >> a)
        hl::pressButton(a);
    else if (verb == "up" && words >> a)
        hl::releaseButton(a);
    else if (verb == "wheel" && words >> a)
        hl::turnWheel(a);
    else if (verb == "hold" && words >> a)
        hl::holdModifiers(a);
    else
        return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT [SCRIPT]\n", argv[0]);
        return 2;
    }
    vx::test::Scenario editor;
    const std::string script = argc > 2 ? argv[2] : "";
    for (std::size_t at = 0; at < script.size();) {
        const std::string step = nextPart(script, at, " / ");
        for (std::size_t inStep = 0; inStep < step.size();) {
            const std::string event = nextPart(step, inStep, ", ");
            if (!queueEvent(event)) {
                std::fprintf(stderr, "%s: not an event: %s\n", argv[0], event.c_str());
                return 2;
            }
        }
        editor.run();
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    for (const uint32_t pixel : vx::headless::windowPixels()) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16), static_cast<unsigned char>(pixel >> 8),
                                      static_cast<unsigned char>(pixel)};
        std::fwrite(rgb, 1, 3, out);
    }
    return std::fclose(out) == 0 && !editor.ended() ? 0 : 1;
}
