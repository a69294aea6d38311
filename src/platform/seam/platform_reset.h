// The platform's reset: what the headless back end runs between tests.
#pragma once

namespace vx {

// Drops every trace of an earlier screen from every console service.
void resetPlatformState();

}  // namespace vx
