// File mode: quick save, save as, load and reload.
#include "ui/modes.h"

namespace vx {

void fileBlock(EditorState&) {}

}  // namespace vx
