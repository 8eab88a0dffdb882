#pragma once

#include <concepts>

#include "curvel/math/vec3f.hpp"

namespace curvel {

// A curve over the parameter t in [0, 1] (every kind accepts any t) with its
// position and first two derivatives as free functions found by ADL.
template <class C>
concept Curve = requires(const C& curve, float t) {
  { point(curve, t) } -> std::same_as<Vec3>;
  { velocity(curve, t) } -> std::same_as<Vec3>;
  { acceleration(curve, t) } -> std::same_as<Vec3>;
};

// Unit principal normal: the acceleration with its tangential part removed,
// normalised. Where the velocity vanishes this is the normalised acceleration;
// where the acceleration is parallel to the velocity, or zero, it is zero.
template <Curve C>
Vec3 normal(const C& curve, float t) {
  const Vec3 T = normalize_or_zero(velocity(curve, t));
  const Vec3 a = acceleration(curve, t);
  const Vec3 N = a - T * dot(a, T);
  return normalize_or_zero(N);
}

// |v × a| / |v|³; 0 where the speed is below EPS (a NaN speed passes that
// test and gives NaN).
template <Curve C>
float curvature(const C& curve, float t) {
  const Vec3 v = velocity(curve, t);
  const Vec3 a = acceleration(curve, t);
  const float speed = length(v);
  if (speed < EPS) return 0.0f;
  return length(cross(v, a)) / (speed * (speed * speed));
}

// The point reached after distance s along the curve; NaN when the curve's
// length is NaN (then t is NaN and so is the point).
template <Curve C>
Vec3 point_at_distance(const C& curve, float s) {
  return point(curve, t_at_distance(curve, s));
}

}  // namespace curvel
