#pragma once
// The double-precision 4x4 matrix behind Mat4: four columns, column-major, so
// M·v = ((x_axis·v.x + y_axis·v.y) + z_axis·v.z) + w_axis·v.w. A transform
// keeps its linear part in the upper-left 3x3 block and its translation in
// w_axis.
#include <cmath>

#include "dmat3.hpp"
#include "dquat.hpp"
#include "dvec.hpp"

namespace vx {

struct DMat4 {
    DVec4 x_axis, y_axis, z_axis, w_axis;

    constexpr DVec4& col(std::size_t c) {
        return c == 0 ? x_axis : c == 1 ? y_axis : c == 2 ? z_axis : w_axis;
    }
    constexpr const DVec4& col(std::size_t c) const {
        return c == 0 ? x_axis : c == 1 ? y_axis : c == 2 ? z_axis : w_axis;
    }
    constexpr DVec4 row(std::size_t r) const { return {x_axis[r], y_axis[r], z_axis[r], w_axis[r]}; }

    static constexpr DMat4 from_diagonal(const DVec4& d) {
        return {{d[0], 0.0, 0.0, 0.0}, {0.0, d[1], 0.0, 0.0}, {0.0, 0.0, d[2], 0.0}, {0.0, 0.0, 0.0, d[3]}};
    }
};

inline constexpr DMat4 kMat4Identity = DMat4::from_diagonal({1.0, 1.0, 1.0, 1.0});
inline constexpr DMat4 kMat4Zero = {};

constexpr DVec4 extend(const DVec3& v, double w) { return {v[0], v[1], v[2], w}; }
constexpr DVec3 truncate(const DVec4& v) { return {v[0], v[1], v[2]}; }

template <class F>
constexpr DMat4 map_components(const DMat4& m, F f) {
    return {m.x_axis.map(f), m.y_axis.map(f), m.z_axis.map(f), m.w_axis.map(f)};
}
template <class F>
constexpr DMat4 zip_components(const DMat4& a, const DMat4& b, F f) {
    return {a.x_axis.zip(b.x_axis, f), a.y_axis.zip(b.y_axis, f), a.z_axis.zip(b.z_axis, f),
            a.w_axis.zip(b.w_axis, f)};
}

constexpr DVec4 mul(const DMat4& m, const DVec4& v) {
    return ((m.x_axis * v[0] + m.y_axis * v[1]) + m.z_axis * v[2]) + m.w_axis * v[3];
}
constexpr DMat4 mul(const DMat4& a, const DMat4& b) {
    return {mul(a, b.x_axis), mul(a, b.y_axis), mul(a, b.z_axis), mul(a, b.w_axis)};
}
constexpr DVec4 mul_transpose(const DMat4& m, const DVec4& v) {
    return {dot(m.x_axis, v), dot(m.y_axis, v), dot(m.z_axis, v), dot(m.w_axis, v)};
}
constexpr DMat4 transpose(const DMat4& m) { return {m.row(0), m.row(1), m.row(2), m.row(3)}; }

// No division by w: the fourth row is ignored.
constexpr DVec3 transform_point3(const DMat4& m, const DVec3& p) {
    return truncate(((m.x_axis * p[0] + m.y_axis * p[1]) + m.z_axis * p[2]) + m.w_axis);
}
constexpr DVec3 transform_vector3(const DMat4& m, const DVec3& v) {
    return truncate((m.x_axis * v[0] + m.y_axis * v[1]) + m.z_axis * v[2]);
}
constexpr DVec3 project_point3(const DMat4& m, const DVec3& p) {
    const DVec4 r = ((m.x_axis * p[0] + m.y_axis * p[1]) + m.z_axis * p[2]) + m.w_axis;
    return {r[0] / r[3], r[1] / r[3], r[2] / r[3]};
}

namespace mat4_detail {
// The 3x3 cofactor left when column `skip_col` and row `skip_row` are removed,
// expanded along its first remaining column over the 2x2 minors of the other
// two: (m_pa·N(b, c) − m_pb·N(a, c)) + m_pc·N(a, b), rows a < b < c. For
// skip_col = 0 these are exactly the bracketed terms of the determinant.
constexpr double minor3(const DMat4& m, int skip_col, int skip_row) {
    int cols[3], rows[3];
    for (int n = 0, c = 0; n < 4; ++n)
        if (n != skip_col) cols[c++] = n;
    for (int n = 0, r = 0; n < 4; ++n)
        if (n != skip_row) rows[r++] = n;
    const DVec4 &P = m.col(cols[0]), &Q = m.col(cols[1]), &S = m.col(cols[2]);
    auto N = [&](int x, int y) { return Q[x] * S[y] - Q[y] * S[x]; };
    const int a = rows[0], b = rows[1], c = rows[2];
    return (P[a] * N(b, c) - P[b] * N(a, c)) + P[c] * N(a, b);
}
}  // namespace mat4_detail

// Laplace expansion along x_axis over the 2x2 minors of z_axis and w_axis:
// d = m02·A2 + (m00·A0 − m01·A1) − m03·A3.
constexpr double determinant(const DMat4& m) {
    using mat4_detail::minor3;
    return m.x_axis[2] * minor3(m, 0, 2) + (m.x_axis[0] * minor3(m, 0, 0) - m.x_axis[1] * minor3(m, 0, 1)) -
           m.x_axis[3] * minor3(m, 0, 3);
}

// The adjugate (component r of column c is (−1)^(r+c) times the minor without
// column r and row c) times one reciprocal of the determinant. No test.
constexpr DMat4 inverse_with_determinant(const DMat4& m, double det) {
    const double inv = 1.0 / det;
    DMat4 out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            const double minor = mat4_detail::minor3(m, r, c);
            out.col(c)[r] = ((r + c) % 2 == 0 ? minor : -minor) * inv;
        }
    return out;
}
constexpr DMat4 inverse(const DMat4& m) { return inverse_with_determinant(m, determinant(m)); }

constexpr DMat3 upper_left(const DMat4& m) { return {truncate(m.x_axis), truncate(m.y_axis), truncate(m.z_axis)}; }

constexpr DMat4 mat4_from_mat3_translation(const DMat3& m, const DVec3& t) {
    return {extend(m.x_axis, 0.0), extend(m.y_axis, 0.0), extend(m.z_axis, 0.0), extend(t, 1.0)};
}
constexpr DMat4 mat4_from_mat3(const DMat3& m) { return mat4_from_mat3_translation(m, {0.0, 0.0, 0.0}); }

constexpr DMat4 mat4_from_scale_rotation_translation(const DVec3& scale, const DQuat& rotation,
                                                     const DVec3& translation) {
    const DMat3 r = mat3_from_quat(rotation);
    // Whole 4-vectors are scaled, so an infinite scale turns the w of 0.0 into NaN.
    return {extend(r.x_axis, 0.0) * scale[0], extend(r.y_axis, 0.0) * scale[1],
            extend(r.z_axis, 0.0) * scale[2], extend(translation, 1.0)};
}

// The Mat4 axis-angle rotation writes its sums with the cosine first; IEEE
// addition commutes, so this is the Mat3 formula bit for bit.
inline DMat4 mat4_from_axis_angle(const DVec3& axis, double angle) {
    return mat4_from_mat3(mat3_from_axis_angle(axis, angle));
}

// Column C of the minor is column C of m (C ≠ i) without component j.
struct Minor3Index {
    int i, j;
};
constexpr DMat3 mat3_from_mat4_minor(const DMat4& m, Minor3Index at) {
    DMat3 out{};
    for (int c = 0, oc = 0; c < 4; ++c) {
        if (c == at.i) continue;
        for (int r = 0, orow = 0; r < 4; ++r) {
            if (r == at.j) continue;
            out.col(oc)[orow++] = m.col(c)[r];
        }
        ++oc;
    }
    return out;
}

struct ScaleRotationTranslation {
    DVec3 scale;
    DQuat rotation;
    DVec3 translation;
};

// The sign of the determinant goes to scale.x alone; column lengths run over
// all four components. Nothing is checked.
inline ScaleRotationTranslation to_scale_rotation_translation(const DMat4& m) {
    const double sign = determinant_sign(determinant(m));
    const DVec3 scale = {length(m.x_axis) * sign, length(m.y_axis), length(m.z_axis)};
    const DQuat rotation = quat_from_rotation_axes(truncate(m.x_axis) * (1.0 / scale[0]),
                                                   truncate(m.y_axis) * (1.0 / scale[1]),
                                                   truncate(m.z_axis) * (1.0 / scale[2]));
    return {scale, rotation, truncate(m.w_axis)};
}

}  // namespace vx
