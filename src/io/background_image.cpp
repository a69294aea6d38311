// The BMP picture shown behind the model.
#include "io/background_image.h"

namespace vx {

void loadBackgroundImage(EditorState&, const std::string&) {}

}  // namespace vx
