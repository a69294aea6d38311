// The threads that draw a frame together, each into its own band of pixel rows.
//
// One pool for the process, like the display: the editor draws one frame at a time from one
// thread. Helpers wait on a condition variable between frames, so an idle editor wakes none of them.
#include "render/render_threads.h"

#include <algorithm>

#if VX_RENDER_THREADS
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>
#endif

namespace vx {

#if VX_RENDER_THREADS
namespace {

constexpr int maxThreads = 8;

int threadsFor(int count) {
    if (count > 0) return std::min(count, maxThreads);
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, maxThreads);
}

struct Pool {
    std::mutex mutex;
    std::condition_variable start;  // a new job, or the end of the pool
    std::condition_variable done;   // the last helper finished its band
    std::vector<std::thread> helpers;
    int wanted = threadsFor(0);
    BandJob job = nullptr;
    void* context = nullptr;
    uint64_t generation = 0;  // counts jobs, so a helper runs each one once
    int running = 0;          // helpers still on the current job
    int bands = 1;            // of the current job
    bool quit = false;

    ~Pool() { stopHelpers(); }

    void helperLoop(int band) {
        uint64_t seen = 0;
        std::unique_lock lock(mutex);
        for (;;) {
            start.wait(lock, [&] { return quit || generation != seen; });
            if (quit) return;
            seen = generation;
            const BandJob current = job;
            void* const currentContext = context;
            const int currentBands = bands;
            lock.unlock();
            current(currentContext, band, currentBands);
            lock.lock();
            if (--running == 0) done.notify_one();
        }
    }

    void stopHelpers() {
        {
            std::lock_guard guard(mutex);
            quit = true;
        }
        start.notify_all();
        for (std::thread& helper : helpers) helper.join();
        helpers.clear();
        quit = false;
    }

    // A helper's first wait sees generation 0 as already run, so none runs before its first job.
    void startHelpers() {
        stopHelpers();
        generation = 0;
        for (int band = 1; band < wanted; ++band) helpers.emplace_back([this, band] { helperLoop(band); });
    }

    void run(BandJob newJob, void* newContext) {
        if (static_cast<int>(helpers.size()) + 1 != wanted) startHelpers();
        if (helpers.empty()) {
            newJob(newContext, 0, 1);
            return;
        }
        {
            std::lock_guard guard(mutex);
            job = newJob;
            context = newContext;
            running = static_cast<int>(helpers.size());
            bands = running + 1;
            ++generation;
        }
        start.notify_all();
        newJob(newContext, 0, static_cast<int>(helpers.size()) + 1);
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return running == 0; });
    }
};

Pool& pool() {
    static Pool instance;
    return instance;
}

}  // namespace

void setRenderThreads(int count) { pool().wanted = threadsFor(count); }
int renderThreads() { return pool().wanted; }
void runInBands(BandJob job, void* context) { pool().run(job, context); }

#else

void setRenderThreads(int) {}
int renderThreads() { return 1; }
void runInBands(BandJob job, void* context) { job(context, 0, 1); }

#endif

}  // namespace vx
