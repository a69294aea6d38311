// The polygon pass built for processors with SSE4.2 (CMakeLists.txt gives this file -msse4.2).
#define VX_FILL_FOR_SSE42
#include "render/polygon_fill/fill_any.cpp"  // NOLINT(bugprone-suspicious-include)
