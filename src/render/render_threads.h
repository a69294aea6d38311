// The threads that draw a frame together, each into its own band of pixel rows.
#pragma once

#include <array>
#include <cstddef>

namespace vx {

// A piece of frame work for one band of rows out of `bands`; band 0 runs on the caller's thread.
using BandJob = void (*)(void* context, int band, int bands);

// How many threads draw a frame; 0 or less picks one per processor core (at most 8). Builds
// without VX_RENDER_THREADS, and a count of 1, draw on the caller's thread alone.
void setRenderThreads(int count);
int renderThreads();

// Runs job for every band and returns when all are done. The helper threads sleep between jobs;
// nothing is allocated unless the thread count changed since the last call.
void runInBands(BandJob job, void* context);

// Rows first..last-1 of band `band` out of `bands`, splitting `height` rows as evenly as possible.
struct RowBand {
    int first, last;
};
inline RowBand rowBand(int height, int band, int bands) { return {height * band / bands, height * (band + 1) / bands}; }

// The rows each drawing thread takes. A model seldom costs the same in every row, so the split
// follows the last frame: taking each band's time as spread evenly over its rows, the boundaries
// move halfway towards where the bands would have taken equal time. Any split draws the same
// picture; this one only lets the bands finish together.
class BandSplit {
public:
    static constexpr int maxBands = 8;

    // Starts over from an even split when the height or the band count changed.
    void prepare(int height, int count);
    RowBand rowsOf(int band) const {
        return {bounds[static_cast<std::size_t>(band)], bounds[static_cast<std::size_t>(band) + 1]};
    }
    // Each band's thread writes its own time; the owner reads them once all are done.
    void record(int band, double seconds) { spent[static_cast<std::size_t>(band)] = seconds; }
    void rebalance();

private:
    int rows = -1, bands = 0;
    std::array<int, maxBands + 1> bounds{};
    std::array<double, maxBands> spent{};
};

}  // namespace vx
