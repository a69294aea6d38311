// The threads that draw a frame together, each into its own band of pixel rows.
//
// One pool for the process, like the display: the editor draws one frame at a time from one
// thread. Helpers wait on a condition variable between frames, so an idle editor wakes none of them.
// A frame runs three jobs in a row, and waking a sleeping thread takes tens of microseconds, so
// both sides first watch for the other for a short while before they sleep.
#include "render/render_threads.h"

#include <algorithm>

#if VX_RENDER_THREADS
#include <atomic>
#include <chrono>
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

// How long a thread watches for the next job, or for the helpers to finish, before it sleeps:
// longer than the gaps between the jobs of a frame, short enough to cost an idle editor nothing.
constexpr std::chrono::microseconds watchTime{200};

// Whether `ready` turns true within the watch time.
template <class Ready>
bool watchFor(Ready ready) {
    const auto until = std::chrono::steady_clock::now() + watchTime;
    for (int look = 1;; ++look) {
        if (ready()) return true;
        if (look % 64 == 0 && std::chrono::steady_clock::now() > until) return false;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

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
    // Written under the mutex; read without it while watching.
    std::atomic<uint64_t> generation = 0;  // counts jobs, so a helper runs each one once
    std::atomic<int> running = 0;          // helpers still on the current job
    int bands = 1;                         // of the current job
    bool quit = false;

    ~Pool() { stopHelpers(); }

    void helperLoop(int band) {
        uint64_t seen = 0;
        std::unique_lock lock(mutex);
        for (;;) {
            lock.unlock();
            watchFor([&] { return generation.load() != seen; });
            lock.lock();
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
        if (watchFor([&] { return running.load() == 0; })) return;
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

void BandSplit::prepare(int height, int count) {
    if (height == rows && count == bands) return;
    rows = height;
    bands = std::clamp(count, 1, maxBands);
    for (int band = 0; band <= bands; ++band) bounds[static_cast<std::size_t>(band)] = rowBand(rows, band, bands).first;
    spent.fill(0.0);
}

void BandSplit::rebalance() {
    if (rows < 2 * bands) return;  // too few rows to share out unevenly
    double total = 0.0;
    for (int band = 0; band < bands; ++band) total += spent[static_cast<std::size_t>(band)];
    if (!(total > 0.0)) return;
    std::array<int, maxBands + 1> next = bounds;
    double before = 0.0;  // the time of the bands before `band`
    int band = 0;
    for (int cut = 1; cut < bands; ++cut) {
        const double share = total * cut / bands;
        while (before + spent[static_cast<std::size_t>(band)] < share)
            before += spent[static_cast<std::size_t>(band++)];
        const RowBand r = rowsOf(band);
        const double into = (share - before) / std::max(spent[static_cast<std::size_t>(band)], 1e-12);
        const double even = r.first + into * (r.last - r.first);
        const int current = bounds[static_cast<std::size_t>(cut)];
        next[static_cast<std::size_t>(cut)] = current + static_cast<int>((even - current) / 2.0);
    }
    // Every band keeps a row at least.
    for (int cut = 1; cut < bands; ++cut)
        next[static_cast<std::size_t>(cut)] = std::clamp(
            next[static_cast<std::size_t>(cut)], next[static_cast<std::size_t>(cut) - 1] + 1, rows - (bands - cut));
    bounds = next;
}

}  // namespace vx
