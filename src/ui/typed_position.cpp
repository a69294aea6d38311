// Vertices mode's "=": a vertex placed at, or moved to, a position typed as "x y z".
#include "ui/typed_position.h"

#include <charconv>
#include <string>

#include "platform/console/line_input.h"
#include "platform/console/text.h"

namespace vx {

// Three whole numbers that each fit a coordinate, separated by spaces, nothing else: "+5",
// "1.5" or "1e3" are refused rather than guessed at.
bool parsePosition(std::string_view text, Vertex& position) {
    int32_t values[3] = {};
    std::size_t at = 0;
    for (int32_t& value : values) {
        at = text.find_first_not_of(' ', at);
        if (at == std::string_view::npos) return false;
        const char* first = text.data() + at;
        const char* last = text.data() + text.size();
        const auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc{} || (end != last && *end != ' ')) return false;
        at = static_cast<std::size_t>(end - text.data());
    }
    if (text.find_first_not_of(' ', at) != std::string_view::npos) return false;
    position = {values[0], values[1], values[2]};
    return true;
}

// The prompt stands on row 3, where File mode's prompts stand; the frame that follows covers it.
void typeVertexPosition(EditorState& state) {
    printRow(3, {});
    printRow(4, {});
    locate(3, 1);
    promptLine("x y z", true, true);
    const std::string typed = takeToken();
    state.redrawPending = 1;
    Vertex position{};
    if (typed.empty()) {
        state.vertexMessage = "cancelled";
    } else if (!parsePosition(typed, position)) {
        state.vertexMessage = "x y z must be three whole numbers from -2147483648 to 2147483647";
    } else if (state.selection.vertexCount == 1) {
        const uint16_t k = state.selection.vertices[0];
        if (k < state.model.vertexCount) state.model.vertices[k] = position;
    } else if (state.model.vertexCount >= maxVertices) {
        state.vertexMessage = "tables full";
    } else {
        state.model.vertices[static_cast<std::size_t>(state.model.vertexCount++)] = position;
    }
}

}  // namespace vx
