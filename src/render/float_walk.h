// Exact fast-forward of the repeated single-precision sum x, x+s, (x+s)+s, ... of a line walk.
#pragma once

#include <cstdint>

namespace vx {

// Advances x by at most `limit` steps of x = x + s (each sum rounded to single precision), and
// stops at the first value that has reached `bound`: x >= bound when upward, x < bound when not.
// Returns the steps taken. x ends exactly where the step-by-step loop would put it, in time that
// grows with the number of binary orders of magnitude crossed rather than with the step count.
uint64_t walkUntil(float& x, float s, uint64_t limit, float bound, bool upward);

// x after `count` steps.
float walkSteps(float x, float s, uint64_t count);

}  // namespace vx
