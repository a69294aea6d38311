// Line input: the line editor that reads a file name, and the field rule that takes it apart.
#pragma once

#include <string>
#include <string_view>

namespace vx {

// Prints the prompt (and "? " when question is set), runs the line editor until Enter, then
// prints a new line when newLine is set. The typed line becomes the line-input buffer.
void promptLine(std::string_view prompt, bool question, bool newLine);
// The first field of the line-input buffer: quoted, or up to the first comma; at most 4096 characters.
std::string takeToken();

}  // namespace vx

// For the platform's reset; not for the editor.
namespace vx::platform {

void resetLineInput();  // empties the line-input buffer

}  // namespace vx::platform
