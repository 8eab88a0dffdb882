#pragma once
// The moves of the curve classes as single-precision affine maps applied to
// every control point: p ↦ ((c0·p.x + c1·p.y) + c2·p.z) + translation. The
// rotations carry a zero translation on purpose: adding it turns a -0 that the
// products leave into +0.
#include "curvel/math/affine3f.hpp"
#include "shapes/single_precision.hpp"
#include "values/matrix_args.hpp"

namespace vx::curves {

using shapes::narrow;

inline curvel::Affine3 linear_map(const DMat3& m) { return {shapes::narrow_matrix(m), {}}; }

inline curvel::Affine3 affine_map(const DAffine3& a) { return shapes::narrow_affine(a); }

// The matrix of q as the curve classes build it: q is not normalised, so a
// non-unit quaternion scales and shears as well. Doubled components first,
// then the products, as the bits depend on it.
inline curvel::Affine3 rotation_map(const DQuat& q) {
    const float x = narrow(q.x()), y = narrow(q.y()), z = narrow(q.z()), w = narrow(q.w());
    const float x2 = x + x, y2 = y + y, z2 = z + z;
    const float xx = x2 * x, xy = y2 * x, xz = z2 * x;
    const float yy = y2 * y, yz = z2 * y, zz = z2 * z;
    const float wx = x2 * w, wy = y2 * w, wz = z2 * w;
    const curvel::Mat3 m{{1.0f - (yy + zz), xy + wz, xz - wy},
                         {xy - wz, 1.0f - (xx + zz), yz + wx},
                         {xz + wy, yz - wx, 1.0f - (xx + yy)}};
    return {m, {}};
}

}  // namespace vx::curves
