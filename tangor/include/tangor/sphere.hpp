#pragma once

#include "tangor/traits.hpp"

namespace tangor::sphere {

// A ball; also the bounding-sphere record of every broad phase. An all-zero
// sphere means "nothing merged yet" to the code that grows a collider's bound.
struct Sphere {
  Vec3 center;
  float radius = 0.0f;

  friend constexpr bool operator==(const Sphere&, const Sphere&) = default;
};

}  // namespace tangor::sphere

namespace tangor {

using sphere::Sphere;

template <>
struct Transformable<Sphere> {
  static void translate(Sphere& s, Vec3 t) { s.center += t; }
  static void rotate_quat(Sphere& s, Quat q) { s.center = curvel::rotate(q, s.center); }
  static void rotate_mat(Sphere& s, const Mat3& m) { s.center = m * s.center; }
  static void transform(Sphere& s, const Affine3& a) { s.center = curvel::transform_point(a, s.center); }
  static void scale(Sphere& s, float f) { s.radius *= f; }
};

template <>
struct Bounded<Sphere> {
  static Sphere broadphase(const Sphere& s) { return s; }
  static cuboid::Cuboid aabb(const Sphere& s);
};

}  // namespace tangor

namespace tangor::sphere {

// Squared centre distance within the sum of the radii, squared (touching
// counts; a NaN never touches). The sphere lanes use the same rule.
inline bool spheres_touch(const Sphere& a, const Sphere& b) {
  const float reach = a.radius + b.radius;
  return curvel::distance_squared(a.center, b.center) <= reach * reach;
}

// Squared centre distance beyond the sum of the radii; NaN never separates,
// so a reject by it keeps whatever it cannot judge.
inline bool spheres_apart(const Sphere& a, const Sphere& b) {
  const float reach = a.radius + b.radius;
  return curvel::distance_squared(a.center, b.center) > reach * reach;
}

}  // namespace tangor::sphere
