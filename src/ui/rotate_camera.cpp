// Rotate and Camera modes: turning, panning and zooming the view.
#include "ui/modes.h"

namespace vx {

void rotateBlock(EditorState&) {}
void cameraBlock(EditorState&) {}

}  // namespace vx
