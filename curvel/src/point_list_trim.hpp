#pragma once

#include <cstddef>
#include <vector>

#include "curvel/math/scalar.hpp"
#include "curvel/math/vec3f.hpp"

namespace curvel {

// Trim of a curve that passes its points[k] at t = k/(n − 1) (spline and
// polyline): point(a), the interior points lying more than EPS inside (a, b),
// point(b). Points at a cut are dropped, since the cut point replaces them.
template <class C>
C subcurve_of_point_list(const C& curve, float t0, float t1) {
  const std::size_t n = curve.points.size();
  if (n < 2) return curve;
  const float c0 = clamp(t0, 0.0f, 1.0f);
  const float c1 = clamp(t1, 0.0f, 1.0f);
  const float a = min(c0, c1);
  const float b = max(c0, c1);
  const float last = static_cast<float>(n - 1);
  C result;
  result.points.reserve(n);
  result.points.push_back(point(curve, a));
  for (std::size_t k = 1; k + 1 < n; ++k) {
    const float tk = static_cast<float>(k) / last;
    if (tk > a + EPS && tk < b - EPS) result.points.push_back(curve.points[k]);
  }
  result.points.push_back(point(curve, b));
  return result;
}

}  // namespace curvel
