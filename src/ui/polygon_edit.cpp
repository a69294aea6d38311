// Polys mode and the joining of selected vertices into lines and polygons.
#include "ui/modes.h"

namespace vx {

void polysBlock(EditorState&) {}

}  // namespace vx
