// The key bindings: one table per mode saying which key does what, and when.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "core/editor_state.h"
#include "platform/console/input.h"

namespace vx {

// A key as the back end hands it over: one code page 437 character, or chr(255) + extended code.
using Key = std::string_view;

inline constexpr Key quitKey{"q"};
inline constexpr Key escapeKey{"\x1B"};
inline constexpr Key enterKey{"\r"};
inline constexpr Key closeKey{"\xFF" "k"};  // the window's close button
inline constexpr Key upKey{"\xFF" "H"};
inline constexpr Key leftKey{"\xFF" "K"};
inline constexpr Key rightKey{"\xFF" "M"};
inline constexpr Key downKey{"\xFF" "P"};
inline constexpr Key undoKey{ctrlZKey};
inline constexpr Key redoKey{ctrlYKey};
inline constexpr Key shiftRedoKey{ctrlShiftZKey};

// The mode a binding works in; no mode: every mode.
using KeyMode = std::optional<EditorMode>;
inline constexpr KeyMode everyMode = std::nullopt;

struct KeyBinding {
    Key key;
    KeyMode mode;
    bool (*when)(const EditorState&);  // null: whenever the mode is on
    void (*action)(EditorState&);
    const char* named;  // the key as --help names it; null for a key the help leaves out
    const char* does;
};

// Each table is read from the top and the first row whose key and condition match acts, so a
// key with several meanings lists them in the order they are tried.
extern const std::span<const KeyBinding> rotateKeys;
extern const std::span<const KeyBinding> cameraKeys;
extern const std::span<const KeyBinding> verticesKeys;
extern const std::span<const KeyBinding> groupOperationKeys;  // Vertices mode while a group operation runs
extern const std::span<const KeyBinding> polysKeys;
extern const std::span<const KeyBinding> fileKeys;
extern const std::span<const KeyBinding> everyModeKeys;

// Every table above, for whoever lists or checks the bindings.
extern const std::span<const std::span<const KeyBinding>> keyTables;

// The first row of the table that matches this pass's key and state, or null.
const KeyBinding* findKeyBinding(std::span<const KeyBinding> table, const EditorState& state);

// Runs the matching row's action, if any, and returns that row.
const KeyBinding* runKeyBinding(std::span<const KeyBinding> table, EditorState& state);

}  // namespace vx
