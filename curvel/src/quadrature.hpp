#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "curvel/curve.hpp"
#include "curvel/math/scalar.hpp"
#include "curvel/math/vec3f.hpp"
#include "lanes.hpp"

namespace curvel {

// Five-point Gauss-Legendre rule on [−1, 1], as the f32 values of these
// seven-digit decimals (the lengths are reproduced to the bit with them).
inline constexpr float GAUSS_NODE_OUTER = 0.9061798f;
inline constexpr float GAUSS_NODE_INNER = 0.5384693f;
inline constexpr float GAUSS_WEIGHT_OUTER = 0.2369269f;
inline constexpr float GAUSS_WEIGHT_INNER = 0.4786287f;
inline constexpr float GAUSS_WEIGHT_CENTRE = 0.5688889f;

template <Curve C>
float speed(const C& curve, float t) {
  return length(velocity(curve, t));
}

// The arc length from 0 to t over m equal sub-intervals, speed(x) giving the
// speed at x. A speed that also takes four lanes (lanes::F4) integrates four
// sub-intervals per step; the lane contributions are still added to the total
// one by one in sub-interval order, so both forms give the same bits.
template <class Speed>
float gauss_legendre(Speed speed, float t, std::size_t m) {
  if (t <= 0.0f) return 0.0f;
  const float h = t / static_cast<float>(m);
  const float half = h * 0.5f;
  const float outer = GAUSS_NODE_OUTER * half;
  const float inner = GAUSS_NODE_INNER * half;
  const float centre = 0.0f * half;
  // Sub-interval k (a float, or four in lanes).
  const auto contribution = [&](auto k) {
    const auto c = h * (k + 0.5f);
    auto sum = speed(c - outer) * GAUSS_WEIGHT_OUTER + speed(c - inner) * GAUSS_WEIGHT_INNER +
               speed(c + centre) * GAUSS_WEIGHT_CENTRE;
    sum = sum + speed(c + inner) * GAUSS_WEIGHT_INNER;
    sum = sum + speed(c + outer) * GAUSS_WEIGHT_OUTER;
    return half * sum;
  };
  float total = 0.0f;
  std::size_t k = 0;
  if constexpr (std::is_invocable_v<Speed, lanes::F4>) {
    for (; k + 4 <= m; k += 4) {
      const lanes::F4 part = contribution(lanes::iota(static_cast<float>(k)));
      total += part[0];
      total += part[1];
      total += part[2];
      total += part[3];
    }
  }
  for (; k < m; ++k) total += contribution(static_cast<float>(k));
  return total;
}

template <Curve C>
float integrate_speed_over(const C& curve, float t, std::size_t m) {
  return gauss_legendre([&](float x) { return speed(curve, x); }, t, m);
}

// Newton's method on arc_length(t) = s from the linear guess s/L; every step
// integrates afresh from 0 through integrate(t).
template <Curve C, class Integrate>
float newton_t_at_distance(const C& curve, float s, Integrate integrate) {
  const float L = integrate(1.0f);
  // A NaN length leaves no valid range to clamp the distance into.
  if (std::isnan(L)) return std::numeric_limits<float>::quiet_NaN();
  if (L <= EPS) return 0.0f;
  const float target = clamp(s, 0.0f, L);
  float t = target / L;
  for (int step = 0; step < 8; ++step) {
    const float v = speed(curve, t);
    if (v <= EPS) break;
    t = t - (integrate(clamp(t, 0.0f, 1.0f)) - target) / v;
    t = clamp(t, 0.0f, 1.0f);
  }
  return t;
}

}  // namespace curvel
