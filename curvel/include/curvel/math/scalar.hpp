#pragma once

#include <cmath>
#include <concepts>
#include <cstddef>
#include <limits>

namespace curvel {

// A squared length, a direction component or a determinant at or below this
// counts as zero.
inline constexpr float EPS = std::numeric_limits<float>::epsilon();

inline constexpr float INF = std::numeric_limits<float>::infinity();

// IEEE maxNum / minNum: a NaN operand is ignored, so max(NaN, x) == x. This is
// not std::max (which returns its first operand for an unordered pair) and is
// spelled out instead of std::fmax so it inlines without libm.
constexpr float max(float a, float b) { return (b > a || a != a) ? b : a; }
constexpr float min(float a, float b) { return (b < a || a != a) ? b : a; }

// Two plain comparisons, not std::clamp: a NaN x passes through unchanged and
// NaN bounds are not a precondition violation (they simply never compare).
constexpr float clamp(float x, float lo, float hi) {
  float r = x;
  if (r < lo) r = lo;
  if (r > hi) r = hi;
  return r;
}

// Float to integer the way a saturating cast does it: truncation toward zero,
// NaN gives 0, anything beyond the range gives the nearest bound. A plain C++
// conversion of an out-of-range value is undefined behaviour.
template <std::integral Int>
constexpr Int saturating_cast(float x) {
  // Both bounds are exact powers of two (or 0) as floats, or the float just
  // above the integer maximum, so >= / <= against them decides saturation.
  constexpr float upper = static_cast<float>(std::numeric_limits<Int>::max());
  constexpr float lower = static_cast<float>(std::numeric_limits<Int>::min());
  if (x != x) return 0;
  if (x >= upper) return std::numeric_limits<Int>::max();
  if (x <= lower) return std::numeric_limits<Int>::min();
  return static_cast<Int>(x);
}

constexpr std::size_t to_index(float x) { return saturating_cast<std::size_t>(x); }

}  // namespace curvel
