// Benchmarks of the editor's hot paths, run on the headless back end.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
