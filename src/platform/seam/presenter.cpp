// The presenter: what a back end runs to show the changed rows and take in the window's events.
#include "platform/seam/presenter.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/console/display.h"
#include "platform/seam/backend.h"

namespace vx {
namespace {

// Whether this thread is inside presenterCycle's hold of the display lock; a handler that must
// not return, called from deep inside it, lets go of the lock by this.
thread_local bool presenterHoldsDisplay = false;

struct PresenterHold {
    explicit PresenterHold(std::recursive_mutex& mutex) : guard(mutex) { presenterHoldsDisplay = true; }
    ~PresenterHold() { presenterHoldsDisplay = false; }
    std::lock_guard<std::recursive_mutex> guard;
};

}  // namespace

void parkPresenter() {
    if (presenterHoldsDisplay) {
        presenterHoldsDisplay = false;
        platform::displayMutex().unlock();
    }
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void presenterCycle() {
    const PresenterHold hold(platform::displayMutex());
    const int width = platform::screenWidth();
    if (width == 0) return;
    int firstRow = 0, lastRow = 0;
    if (platform::changedBand(firstRow, lastRow)) {
        backend::presentRows(platform::frameBuffer(), width, firstRow, lastRow);
        platform::unmarkRows();
    }
    backend::takeEvents();
}

}  // namespace vx
