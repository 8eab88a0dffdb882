#pragma once
// The double-precision 3x3 matrix behind Mat3 and the linear part of Affine3:
// three columns, column-major, so M·v = x_axis·v.x + y_axis·v.y + z_axis·v.z.
// Every formula keeps the operation order that fixes its last bit.
#include <cmath>

#include "dquat.hpp"
#include "dvec.hpp"
#include "dvec3_rotation.hpp"

namespace vx {

struct DMat3 {
    DVec3 x_axis, y_axis, z_axis;

    constexpr DVec3& col(std::size_t c) { return c == 0 ? x_axis : c == 1 ? y_axis : z_axis; }
    constexpr const DVec3& col(std::size_t c) const {
        return c == 0 ? x_axis : c == 1 ? y_axis : z_axis;
    }
    constexpr DVec3 row(std::size_t r) const { return {x_axis[r], y_axis[r], z_axis[r]}; }

    static constexpr DMat3 from_diagonal(const DVec3& d) {
        return {{d[0], 0.0, 0.0}, {0.0, d[1], 0.0}, {0.0, 0.0, d[2]}};
    }
};

inline constexpr DMat3 kMat3Identity = DMat3::from_diagonal({1.0, 1.0, 1.0});

template <class F>
constexpr DMat3 map_components(const DMat3& m, F f) {
    return {m.x_axis.map(f), m.y_axis.map(f), m.z_axis.map(f)};
}
template <class F>
constexpr DMat3 zip_components(const DMat3& a, const DMat3& b, F f) {
    return {a.x_axis.zip(b.x_axis, f), a.y_axis.zip(b.y_axis, f), a.z_axis.zip(b.z_axis, f)};
}

// Component r is (x_axis[r]·v.x + y_axis[r]·v.y) + z_axis[r]·v.z.
constexpr DVec3 mul(const DMat3& m, const DVec3& v) {
    return (m.x_axis * v[0] + m.y_axis * v[1]) + m.z_axis * v[2];
}
constexpr DMat3 mul(const DMat3& a, const DMat3& b) {
    return {mul(a, b.x_axis), mul(a, b.y_axis), mul(a, b.z_axis)};
}
constexpr DVec3 mul_transpose(const DMat3& m, const DVec3& v) {
    return {dot(m.x_axis, v), dot(m.y_axis, v), dot(m.z_axis, v)};
}
constexpr DMat3 transpose(const DMat3& m) { return {m.row(0), m.row(1), m.row(2)}; }

constexpr double determinant(const DMat3& m) {
    return dot(m.z_axis, cross(m.x_axis, m.y_axis));
}

// Writes the adjugate times one reciprocal of the determinant to `out` and
// returns true, unless `refuse_singular` is set and the determinant is exactly
// zero (either sign; NaN passes).
constexpr bool invert(const DMat3& m, DMat3& out, bool refuse_singular) {
    const DVec3 yz = cross(m.y_axis, m.z_axis);
    const DVec3 zx = cross(m.z_axis, m.x_axis);
    const DVec3 xy = cross(m.x_axis, m.y_axis);
    const double det = dot(m.z_axis, xy);
    if (refuse_singular && det == 0.0) return false;
    const double inv = 1.0 / det;
    out = {DVec3{yz[0], zx[0], xy[0]} * inv, DVec3{yz[1], zx[1], xy[1]} * inv, DVec3{yz[2], zx[2], xy[2]} * inv};
    return true;
}
// No test: a singular matrix yields infinities or NaN.
constexpr DMat3 inverse(const DMat3& m) {
    DMat3 out{};
    invert(m, out, false);
    return out;
}

// The 2-D affine map whose translation is z_axis.xy; the third row is ignored.
constexpr DVec2 transform_point2(const DMat3& m, const DVec2& p) {
    return {m.x_axis[0] * p[0] + m.y_axis[0] * p[1] + m.z_axis[0],
            m.x_axis[1] * p[0] + m.y_axis[1] * p[1] + m.z_axis[1]};
}
constexpr DVec2 transform_vector2(const DMat3& m, const DVec2& v) {
    return {m.x_axis[0] * v[0] + m.y_axis[0] * v[1], m.x_axis[1] * v[0] + m.y_axis[1] * v[1]};
}

// The rotation matrix of q, which is not normalised first.
constexpr DMat3 mat3_from_quat(const DQuat& q) {
    const auto [x, y, z, w] = q.xyzw.v;
    const double x2 = x + x, y2 = y + y, z2 = z + z;
    const double xx = x * x2, xy = x * y2, xz = x * z2;
    const double yy = y * y2, yz = y * z2, zz = z * z2;
    const double wx = w * x2, wy = w * y2, wz = w * z2;
    return {{1.0 - (yy + zz), xy + wz, xz - wy},
            {xy - wz, 1.0 - (xx + zz), yz + wx},
            {xz + wy, yz - wx, 1.0 - (xx + yy)}};
}

// The axis is used as given; products run left to right, ((x·y)·t).
inline DMat3 mat3_from_axis_angle(const DVec3& axis, double angle) {
    const double s = std::sin(angle), co = std::cos(angle);
    const double t = 1.0 - co;
    const auto [x, y, z] = axis.v;
    return {{x * x * t + co, x * y * t + z * s, x * z * t - y * s},
            {x * y * t - z * s, y * y * t + co, y * z * t + x * s},
            {x * z * t + y * s, y * z * t - x * s, z * z * t + co}};
}

inline DMat3 mat3_from_scaled_axis(const DVec3& v) { return mat3_from_quat(quat_from_scaled_axis(v)); }

inline DMat3 mat3_from_rotation_x(double angle) {
    const double s = std::sin(angle), co = std::cos(angle);
    return {{1.0, 0.0, 0.0}, {0.0, co, s}, {0.0, -s, co}};
}
inline DMat3 mat3_from_rotation_y(double angle) {
    const double s = std::sin(angle), co = std::cos(angle);
    return {{co, 0.0, -s}, {0.0, 1.0, 0.0}, {s, 0.0, co}};
}
inline DMat3 mat3_from_rotation_z(double angle) {
    const double s = std::sin(angle), co = std::cos(angle);
    return {{co, s, 0.0}, {-s, co, 0.0}, {0.0, 0.0, 1.0}};
}

constexpr DMat3 mat3_from_translation2(const DVec2& t) {
    return {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {t[0], t[1], 1.0}};
}
constexpr DMat3 mat3_from_scale2(const DVec2& s) {
    return {{s[0], 0.0, 0.0}, {0.0, s[1], 0.0}, {0.0, 0.0, 1.0}};
}
inline DMat3 mat3_from_scale_angle_translation2(const DVec2& scale, double angle,
                                                const DVec2& translation) {
    const double s = std::sin(angle), co = std::cos(angle);
    return {{scale[0] * co, scale[0] * s, 0.0},
            {-(s * scale[1]), scale[1] * co, 0.0},
            {translation[0], translation[1], 1.0}};
}

// The right-handed view rotation: its rows are s, u and −f, with f = dir
// as given (not normalised), s = normalised f × up and u = s × f.
inline DMat3 mat3_look_to_rh(const DVec3& dir, const DVec3& up) {
    const DVec3 f = dir;
    const DVec3 s = normalize(cross(f, up));
    const DVec3 u = cross(s, f);
    return {{s[0], u[0], -f[0]}, {s[1], u[1], -f[1]}, {s[2], u[2], -f[2]}};
}
// Negating dir reproduces the left-handed formulas bit for bit: up × dir and
// dir × s are exactly the negated cross products.
inline DMat3 mat3_look_to_lh(const DVec3& dir, const DVec3& up) { return mat3_look_to_rh(-dir, up); }

// The quaternion of the rotation matrix with columns X, Y, Z, by the branch on
// the largest diagonal term; nothing is tested, so a matrix that is not a
// rotation gives whatever the formulas give (a negative t gives NaN).
inline DQuat quat_from_rotation_axes(const DVec3& X, const DVec3& Y, const DVec3& Z) {
    if (Z[2] <= 0.0) {
        const double d = Y[1] - X[0];
        const double o = 1.0 - Z[2];
        if (d <= 0.0) {
            const double t = o - d, r = 0.5 / std::sqrt(t);
            return {{t * r, (X[1] + Y[0]) * r, (X[2] + Z[0]) * r, (Y[2] - Z[1]) * r}};
        }
        const double t = d + o, r = 0.5 / std::sqrt(t);
        return {{(X[1] + Y[0]) * r, t * r, (Y[2] + Z[1]) * r, (Z[0] - X[2]) * r}};
    }
    const double e = X[0] + Y[1];
    const double p = Z[2] + 1.0;
    if (e <= 0.0) {
        const double t = p - e, r = 0.5 / std::sqrt(t);
        return {{(X[2] + Z[0]) * r, (Y[2] + Z[1]) * r, t * r, (X[1] - Y[0]) * r}};
    }
    const double t = e + p, r = 0.5 / std::sqrt(t);
    return {{(Y[2] - Z[1]) * r, (Z[0] - X[2]) * r, (X[1] - Y[0]) * r, t * r}};
}
inline DQuat quat_from_mat3(const DMat3& m) { return quat_from_rotation_axes(m.x_axis, m.y_axis, m.z_axis); }

inline DQuat quat_look_to_rh(const DVec3& dir, const DVec3& up) { return quat_from_mat3(mat3_look_to_rh(dir, up)); }
inline DQuat quat_look_to_lh(const DVec3& dir, const DVec3& up) { return quat_look_to_rh(-dir, up); }
inline DQuat quat_look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    return quat_look_to_rh(normalize(center - eye), up);
}
// D·(−1/|D|) equals −(D·(1/|D|)) bit for bit, so this is look_to_lh of the
// normalised direction.
inline DQuat quat_look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    return quat_look_to_lh(normalize(center - eye), up);
}

// A sign of the determinant that keeps −0.0 apart (−1.0) and NaN as NaN.
inline double determinant_sign(double det) { return std::isnan(det) ? det : std::copysign(1.0, det); }

}  // namespace vx
