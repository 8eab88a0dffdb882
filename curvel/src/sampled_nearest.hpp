#pragma once

#include <cstddef>

#include "curvel/curve.hpp"
#include "curvel/math/scalar.hpp"
#include "curvel/math/vec3f.hpp"
#include "curvel/nearest.hpp"

namespace curvel {

// Samples t = k/M for k = 0 … M, keeps the first strict minimum of the squared
// distance, then narrows the window of one sample step on either side by 40
// ternary rounds. Ties and NaN comparisons move the lower end.
template <Curve C>
Nearest sampled_nearest_over(const C& curve, Vec3 query, std::size_t samples) {
  const auto dist_sq = [&](float t) { return distance_squared(query, point(curve, t)); };
  const float count = static_cast<float>(samples);
  float best = INF;
  float t_best = 0.0f;
  for (std::size_t k = 0; k <= samples; ++k) {
    const float t = static_cast<float>(k) / count;
    const float d = dist_sq(t);
    if (d < best) {
      best = d;
      t_best = t;
    }
  }
  const float step = 1.0f / count;
  float lo = max(t_best - step, 0.0f);
  float hi = min(t_best + step, 1.0f);
  for (int round = 0; round < 40; ++round) {
    const float third = (hi - lo) / 3.0f;
    const float m1 = lo + third;
    const float m2 = hi - third;
    if (dist_sq(m1) < dist_sq(m2)) {
      hi = m2;
    } else {
      lo = m1;
    }
  }
  const float t = (lo + hi) * 0.5f;
  const Vec3 p = point(curve, t);
  return {t, p, distance_squared(query, p)};
}

}  // namespace curvel
