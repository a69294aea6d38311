// The presenter: what a back end runs to show the changed rows and take in the window's events.
#pragma once

namespace vx {

// One presenter cycle: under the display lock, present the band of changed rows, then take in
// the window's events.
void presenterCycle();

// For a handler that must not return: lets go of the display lock if this presenter thread holds
// it, so that the editor can still keep its work and end, and waits for that end.
[[noreturn]] void parkPresenter();

}  // namespace vx
