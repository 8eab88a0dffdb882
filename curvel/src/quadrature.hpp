#pragma once

#include <cmath>
#include <cstddef>
#include <limits>

#include "curvel/curve.hpp"
#include "curvel/math/scalar.hpp"
#include "curvel/math/vec3f.hpp"

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

// The sub-intervals are summed strictly in order; a lane-parallel version must
// add its lane contributions in the same order to give the same bits.
template <Curve C>
float integrate_speed_over(const C& curve, float t, std::size_t m) {
  if (t <= 0.0f) return 0.0f;
  const float h = t / static_cast<float>(m);
  const float half = h * 0.5f;
  float total = 0.0f;
  for (std::size_t k = 0; k < m; ++k) {
    const float c = h * (static_cast<float>(k) + 0.5f);
    const float s0 = speed(curve, c - GAUSS_NODE_OUTER * half);
    const float s1 = speed(curve, c - GAUSS_NODE_INNER * half);
    const float s2 = speed(curve, c + 0.0f * half);
    const float s3 = speed(curve, c + GAUSS_NODE_INNER * half);
    const float s4 = speed(curve, c + GAUSS_NODE_OUTER * half);
    float sum = s0 * GAUSS_WEIGHT_OUTER + s1 * GAUSS_WEIGHT_INNER + s2 * GAUSS_WEIGHT_CENTRE;
    sum = sum + s3 * GAUSS_WEIGHT_INNER;
    sum = sum + s4 * GAUSS_WEIGHT_OUTER;
    total += half * sum;
  }
  return total;
}

// Newton's method on arc_length(t) = s from the linear guess s/L; every step
// integrates afresh from 0.
template <Curve C>
float newton_t_at_distance(const C& curve, float s, std::size_t m) {
  const float L = integrate_speed_over(curve, 1.0f, m);
  // A NaN length leaves no valid range to clamp the distance into.
  if (std::isnan(L)) return std::numeric_limits<float>::quiet_NaN();
  if (L <= EPS) return 0.0f;
  const float target = clamp(s, 0.0f, L);
  float t = target / L;
  for (int step = 0; step < 8; ++step) {
    const float v = speed(curve, t);
    if (v <= EPS) break;
    t = t - (integrate_speed_over(curve, clamp(t, 0.0f, 1.0f), m) - target) / v;
    t = clamp(t, 0.0f, 1.0f);
  }
  return t;
}

}  // namespace curvel
