#pragma once

#include "curvel/math/quatf.hpp"
#include "curvel/math/vec3f.hpp"

namespace curvel {

// Column-major 3x3 matrix: M·v = x_axis·v.x + y_axis·v.y + z_axis·v.z.
struct Mat3 {
  Vec3 x_axis{1.0f, 0.0f, 0.0f};
  Vec3 y_axis{0.0f, 1.0f, 0.0f};
  Vec3 z_axis{0.0f, 0.0f, 1.0f};

  friend constexpr bool operator==(const Mat3&, const Mat3&) = default;
};

inline constexpr Mat3 MAT3_IDENTITY{};

constexpr Vec3 operator*(const Mat3& m, Vec3 v) {
  return m.x_axis * v.x + m.y_axis * v.y + m.z_axis * v.z;
}

constexpr Mat3 operator*(const Mat3& a, const Mat3& b) {
  return {a * b.x_axis, a * b.y_axis, a * b.z_axis};
}

constexpr Mat3 transpose(const Mat3& m) {
  return {{m.x_axis.x, m.y_axis.x, m.z_axis.x},
          {m.x_axis.y, m.y_axis.y, m.z_axis.y},
          {m.x_axis.z, m.y_axis.z, m.z_axis.z}};
}

// z·(x × y) over the columns.
constexpr float determinant(const Mat3& m) { return dot(m.z_axis, cross(m.x_axis, m.y_axis)); }

// Through the cofactors: the rows of the inverse are y × z, z × x and x × y of
// the columns, each times 1/det. No check for a zero determinant: a singular
// matrix gives infinities or NaN, as the callers expect.
constexpr Mat3 inverse(const Mat3& m) {
  const Vec3 row0 = cross(m.y_axis, m.z_axis);
  const Vec3 row1 = cross(m.z_axis, m.x_axis);
  const Vec3 row2 = cross(m.x_axis, m.y_axis);
  const float det = dot(m.z_axis, row2);
  const float inv_det = 1.0f / det;
  return transpose(Mat3{row0 * inv_det, row1 * inv_det, row2 * inv_det});
}

// The standard unit-quaternion matrix; q is not normalised first, so a
// non-unit q gives a matrix that differs from rotate(q, v).
constexpr Mat3 mat3_from_quat(Quat q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  return {{1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + w * z), 2.0f * (x * z - w * y)},
          {2.0f * (x * y - w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + w * x)},
          {2.0f * (x * z + w * y), 2.0f * (y * z - w * x), 1.0f - 2.0f * (x * x + y * y)}};
}

}  // namespace curvel
