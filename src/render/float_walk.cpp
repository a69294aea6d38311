// Exact fast-forward of the repeated single-precision sum x, x+s, (x+s)+s, ... of a line walk.
//
// While x and every sum stay within one binade (same sign, same exponent) they all round on one
// grid, so after a step the increment no longer changes: it is s rounded to that grid (an exact
// tie always rounds to an even value, and even plus the same increment stays even). Two equal
// increments in a row within a binade therefore start a run x + j·d that can be jumped in one go,
// exactly, in double. Near the edges of a binade the walk goes one step at a time.
#include "render/float_walk.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vx {
namespace {

bool reached(float x, float bound, bool upward) { return upward ? x >= bound : x < bound; }

int binadeOf(float x) {
    int exponent = 0;
    std::frexp(x, &exponent);
    return exponent;
}

bool sameBinade(float a, float b) {
    if (a == 0.0f || b == 0.0f || (a < 0.0f) != (b < 0.0f)) return false;
    return binadeOf(a) == binadeOf(b);
}

// Steps j >= 0 of the run x + j·d that keep every value and its unrounded sum with s strictly
// inside the binade of x.
uint64_t runLength(double x, double d, double s) {
    const double magnitude = std::fabs(x);
    const double top = std::ldexp(1.0, binadeOf(static_cast<float>(x)));
    const double room = d * x > 0.0 ? top - magnitude : magnitude - top / 2;  // away from or toward zero
    const double steps = std::floor((room - std::fabs(s) - std::fabs(d)) / std::fabs(d)) - 1.0;
    if (!(steps > 0.0)) return 0;
    return steps >= 1e18 ? uint64_t{1000000000000000000} : static_cast<uint64_t>(steps);
}

// Smallest j in 0..length at which x + j·d has reached the bound, or length + 1 if none does.
uint64_t firstReaching(double x, double d, uint64_t length, float bound, bool upward) {
    const auto valueAt = [&](uint64_t j) { return static_cast<float>(x + static_cast<double>(j) * d); };
    if (!reached(valueAt(length), bound, upward)) return length + 1;
    const double estimate = std::ceil((static_cast<double>(bound) - x) / d);
    uint64_t j = 0;
    if (estimate >= static_cast<double>(length))
        j = length;
    else if (estimate > 0.0)
        j = static_cast<uint64_t>(estimate);
    while (j > 0 && reached(valueAt(j - 1), bound, upward)) --j;
    while (!reached(valueAt(j), bound, upward)) ++j;
    return j;
}

}  // namespace

uint64_t walkUntil(float& x, float s, uint64_t limit, float bound, bool upward) {
    uint64_t taken = 0;
    while (taken < limit && !reached(x, bound, upward)) {
        const float next = x + s;
        if (next == x) return limit;  // stuck: every later value is x as well
        const float after = next + s;
        const bool run = sameBinade(x, next) && sameBinade(next, after) && after - next == next - x;
        const uint64_t length = run ? std::min(runLength(x, next - x, s), limit - taken) : 0;
        if (length < 2) {
            x = next;
            ++taken;
            continue;
        }
        const double d = static_cast<double>(next) - x;
        const uint64_t j = std::min(length, firstReaching(x, d, length, bound, upward));
        x = static_cast<float>(static_cast<double>(x) + static_cast<double>(j) * d);
        taken += j;
    }
    return taken;
}

float walkSteps(float x, float s, uint64_t count) {
    walkUntil(x, s, count, std::numeric_limits<float>::infinity(), true);
    return x;
}

}  // namespace vx
