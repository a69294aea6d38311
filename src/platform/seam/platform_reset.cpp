// The platform's reset: what the headless back end runs between tests.
#include "platform/seam/platform_reset.h"

#include <mutex>

#include "platform/console/display.h"
#include "platform/console/input.h"
#include "platform/console/line_input.h"
#include "platform/console/text.h"

namespace vx {

void resetPlatformState() {
    platform::resetDisplayState();  // first, as it lets go of a lock the ended program held
    std::lock_guard guard(platform::displayMutex());
    platform::resetInputState();
    platform::resetLineInput();
    platform::resetTextState();
}

}  // namespace vx
