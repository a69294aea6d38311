// The threads that draw a frame together, each into its own band of pixel rows.
#pragma once

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

}  // namespace vx
