// Vertices mode: the 3-D pointer, placing, picking, moving and deleting vertices.
#include "ui/modes.h"

namespace vx {

void verticesBlock(EditorState&) {}

}  // namespace vx
