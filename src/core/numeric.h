// The editor's integer conversions and 32-bit arithmetic, all free of undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vx {

// Editor values of 32 bits wrap as two's complement.
inline int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// A rounded value that does not fit 32 bits, NaN included, becomes -2147483648.
inline int32_t int32OrMin(double rounded) {
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return INT32_MIN;
    return static_cast<int32_t>(rounded);
}

// Round to nearest, ties to even (the default rounding mode): 400.5 -> 400, 401.5 -> 402.
// The values that round into 32 bits are those from -2147483648.5 (to the even -2147483648) up
// to below 2147483647.5; for them the processor's own conversion, which rounds in the current
// mode as nearbyint does, is a single instruction where nearbyint is a library call.
inline int32_t roundToInt32(double value) {
    if (!(value >= -2147483648.5 && value < 2147483647.5)) return INT32_MIN;
#ifdef __SSE2__
    return _mm_cvtsd_si32(_mm_set_sd(value));
#else
    return static_cast<int32_t>(std::nearbyint(value));
#endif
}

// Round toward minus infinity.
inline int32_t floorToInt32(double value) { return int32OrMin(std::floor(value)); }

}  // namespace vx
