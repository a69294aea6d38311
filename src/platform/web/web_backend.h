// What the web page's start-up needs of the browser back end beyond the common seam.
#pragma once

#include <cstdint>

namespace vx {

// The idle wait of the page's main loop, which polls every `period` ms: sleeps until input or a
// request of the page arrives, then on to the next poll time, and returns at the latest after
// maxPolls periods. A poll with nothing new could only find nothing changed.
void sleepUntilInput(int32_t period, int32_t maxPolls);

}  // namespace vx
