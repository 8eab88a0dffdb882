#pragma once

#include "tangor/traits.hpp"

namespace tangor::plane::infinite {

// A solid half-space: the points x with normal·x <= d. The normal is
// expected unit (not enforced).
struct Plane {
  Vec3 normal;
  float d = 0.0f;

  friend constexpr bool operator==(const Plane&, const Plane&) = default;
};

}  // namespace tangor::plane::infinite

namespace tangor {

using plane::infinite::Plane;

template <>
struct Transformable<Plane> {
  static void translate(Plane& p, Vec3 t) { p.d += dot(p.normal, t); }
  static void rotate_quat(Plane& p, Quat q) { p.normal = curvel::rotate(q, p.normal); }
  static void rotate_mat(Plane& p, const Mat3& m) { p.normal = m * p.normal; }
  // The offset moves along the new normal.
  static void transform(Plane& p, const Affine3& a) {
    p.normal = curvel::transform_vector(a, p.normal);
    p.d += dot(p.normal, a.translation);
  }
  static void scale(Plane& p, float f) { p.d *= f; }
};

}  // namespace tangor
