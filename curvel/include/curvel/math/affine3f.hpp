#pragma once

#include "curvel/math/mat3f.hpp"
#include "curvel/math/vec3f.hpp"

namespace curvel {

// x ↦ matrix3·x + translation.
struct Affine3 {
  Mat3 matrix3{};
  Vec3 translation{};

  friend constexpr bool operator==(const Affine3&, const Affine3&) = default;
};

constexpr Vec3 transform_point(const Affine3& a, Vec3 p) { return a.matrix3 * p + a.translation; }
constexpr Vec3 transform_vector(const Affine3& a, Vec3 v) { return a.matrix3 * v; }

// (a * b)(x) = a(b(x)): linear a·b, translation a.matrix3·b.translation + a.translation.
constexpr Affine3 operator*(const Affine3& a, const Affine3& b) {
  return {a.matrix3 * b.matrix3, a.matrix3 * b.translation + a.translation};
}

// Linear part through the cofactors, translation −(M⁻¹·t); no determinant check.
constexpr Affine3 inverse(const Affine3& a) {
  const Mat3 m = inverse(a.matrix3);
  return {m, -(m * a.translation)};
}

}  // namespace curvel
