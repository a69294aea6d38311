// Runs the whole editor on the headless back end with scripted input and a virtual clock.
#pragma once

#include <cstdint>
#include <ostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/editor_state.h"
#include "platform/headless/headless.h"

namespace vx {
// Vertices compared and printed by the tests' expectations; found by argument lookup, so they
// stay in the namespace of Vertex.
inline bool operator==(const Vertex& a, const Vertex& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline void PrintTo(const Vertex& v, std::ostream* out) { *out << "(" << v.x << ", " << v.y << ", " << v.z << ")"; }
}  // namespace vx

namespace vx::test {

inline constexpr int32_t leftButton = 1;
inline constexpr int32_t rightButton = 2;

class Scenario {
public:
    // Starts the editor with these command-line arguments and runs it to its first wait.
    explicit Scenario(std::vector<std::string> args = {}, bool windowAvailable = true);

    EditorState& state() { return *state_; }
    // Runs the editor until it waits for input and nothing more is scripted.
    void run();
    bool ended() const { return ended_; }
    int exitStatus() const { return exitStatus_; }

    // Each of these scripts input and then runs the editor.
    void key(std::string_view keys);  // one pass per key
    void keyCode(int32_t code);
    void moveTo(int32_t x, int32_t y);
    void press(int32_t button);
    void release(int32_t button);
    void click(int32_t x, int32_t y, int32_t button = leftButton);  // move, press, release
    void wheel(int32_t notches);

    // A pixel of what the window shows.
    uint32_t windowPixel(int32_t x, int32_t y) const;

private:
    std::unique_ptr<EditorState> state_;
    bool ended_ = false;
    int exitStatus_ = -1;
};

}  // namespace vx::test
