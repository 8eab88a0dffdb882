#pragma once

#include <cstddef>
#include <type_traits>

#include "curvel/math/scalar.hpp"
#include "curvel/math/vec3f.hpp"
#include "curvel/nearest.hpp"
#include "lanes.hpp"

namespace curvel {

inline constexpr int TERNARY_ROUNDS = 40;

// Samples t = k/M for k = 0 … M, keeps the first strict minimum of the squared
// distance, then narrows the window of one sample step on either side by 40
// ternary rounds. Ties and NaN comparisons move the lower end.
//
// dist_sq(t) is the squared distance from the query to the point at t, and
// point(t) the point; a dist_sq that also takes four lanes (lanes::F4) samples
// four parameters per step and runs the rounds two at a time, with the same
// bits as one by one.
template <class DistSq, class Point>
Nearest sampled_nearest_over(DistSq dist_sq, Point point, Vec3 query, std::size_t samples) {
  constexpr bool in_lanes = std::is_invocable_v<DistSq, lanes::F4>;
  const float count = static_cast<float>(samples);
  float best = INF;
  float t_best = 0.0f;
  const auto consider = [&](float t, float d) {
    if (d < best) {
      best = d;
      t_best = t;
    }
  };
  std::size_t k = 0;
  if constexpr (in_lanes) {
    for (; k + 4 <= samples + 1; k += 4) {
      const lanes::F4 t = lanes::iota(static_cast<float>(k)) / count;
      const lanes::F4 d = dist_sq(t);
      for (int l = 0; l < 4; ++l) consider(t[l], d[l]);
    }
  }
  for (; k <= samples; ++k) {
    const float t = static_cast<float>(k) / count;
    consider(t, dist_sq(t));
  }
  const float step = 1.0f / count;
  float lo = max(t_best - step, 0.0f);
  float hi = min(t_best + step, 1.0f);
  if constexpr (in_lanes) {
    // Two rounds per step: beside the probes m1, m2 of the first, the probes
    // of the second for both states the first can leave, (lo, m2) and (m1, hi),
    // all six in two lane evaluations. The second round's divisions no longer
    // wait for the first round's answer; every value is the one the rounds
    // taken one by one compute.
    static_assert(TERNARY_ROUNDS % 2 == 0);
    for (int round = 0; round < TERNARY_ROUNDS; round += 2) {
      const float third = (hi - lo) / 3.0f;
      const float m1 = lo + third;
      const float m2 = hi - third;
      const float third_a = (m2 - lo) / 3.0f;
      const float a1 = lo + third_a;
      const float a2 = m2 - third_a;
      const float third_b = (hi - m1) / 3.0f;
      const float b1 = m1 + third_b;
      const float b2 = hi - third_b;
      const lanes::F4 d = dist_sq(lanes::F4{m1, m2, a1, a2});
      const lanes::F4 e = dist_sq(lanes::F4{b1, b2, b1, b2});
      float next_lo = lo, next_hi = hi;
      if (d[0] < d[1]) {
        if (d[2] < d[3]) {
          next_hi = a2;
        } else {
          next_lo = a1;
          next_hi = m2;
        }
      } else if (e[0] < e[1]) {
        next_lo = m1;
        next_hi = b2;
      } else {
        next_lo = b1;
      }
      // A round that leaves the window as it was meets the same window, and
      // so makes the same choice, in every round after it.
      if (next_lo == lo && next_hi == hi) break;
      lo = next_lo;
      hi = next_hi;
    }
  } else {
    for (int round = 0; round < TERNARY_ROUNDS; ++round) {
      const float third = (hi - lo) / 3.0f;
      const float m1 = lo + third;
      const float m2 = hi - third;
      const bool lower_is_nearer = dist_sq(m1) < dist_sq(m2);
      if (lower_is_nearer ? m2 == hi : m1 == lo) break;  // a fixed point, as above
      if (lower_is_nearer) {
        hi = m2;
      } else {
        lo = m1;
      }
    }
  }
  const float t = (lo + hi) * 0.5f;
  const Vec3 p = point(t);
  return {t, p, distance_squared(query, p)};
}

}  // namespace curvel
