#pragma once

#include <cstddef>

#include "curvel/math/scalar.hpp"

namespace curvel {

// Where t falls on a curve made of n − 1 equal-parameter segments (n >= 2):
// segment i and the local parameter s in [0, 1]. The last segment owns t = 1
// with s = 1; a NaN t lands on segment 0 with a NaN s.
struct SegmentPosition {
  std::size_t i;
  float s;
};

inline SegmentPosition locate_segment(std::size_t n, float t) {
  const float f = static_cast<float>(n - 1);
  float u = t * f;
  if (u < 0.0f) u = 0.0f;
  if (u > f) u = f;
  std::size_t i = to_index(u);
  if (i >= n - 1) i = n - 2;
  return {i, u - static_cast<float>(i)};
}

}  // namespace curvel
