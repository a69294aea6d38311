// vxedit: an interactive editor for 3-D polygon models.
#include <memory>

#include "ui/recovery.h"
#include "vxedit/main_loop.h"

int main(int argc, char** argv) {
    auto state = std::make_unique<vx::EditorState>();
    vx::startEditor(*state, argc, argv);
    vx::installStopSignals();
    vx::runMainLoop(*state);
}
