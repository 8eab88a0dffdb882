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
// Row n of the rows left when row `skip` is removed.
constexpr int kept(int skip, int n) { return n < skip ? n : n + 1; }

// The bracket of x_axis[Row] in the determinant: the 3x3 minor without x_axis
// and row Row, expanded along y_axis over the 2x2 minors of z_axis and w_axis,
// (m1a·N(b, c) − m1b·N(a, c)) + m1c·N(a, b) with rows a < b < c and
// N(x, y) = m2x·m3y − m2y·m3x.
template <int Row>
constexpr double bracket(const DMat4& m) {
    const DVec4 &P = m.y_axis, &Q = m.z_axis, &S = m.w_axis;
    constexpr int a = kept(Row, 0), b = kept(Row, 1), c = kept(Row, 2);
    auto N = [&](int x, int y) { return Q[x] * S[y] - Q[y] * S[x]; };
    return (P[a] * N(b, c) - P[b] * N(a, c)) + P[c] * N(a, b);
}

// Two doubles in one SSE2 register; each lane rounds exactly as the scalar
// operation would, so pairing lanes changes no bit.
typedef double Lanes2 __attribute__((vector_size(16)));
}  // namespace mat4_detail

// Laplace expansion along x_axis: d = m02·A2 + (m00·A0 − m01·A1) − m03·A3.
constexpr double determinant(const DMat4& m) {
    using mat4_detail::bracket;
    const DVec4& X = m.x_axis;
    return X[2] * bracket<2>(m) + (X[0] * bracket<0>(m) - X[1] * bracket<1>(m)) - X[3] * bracket<3>(m);
}

// Writes the inverse of m to `out` and returns true, unless `refuse_singular`
// is set and the determinant is exactly zero (either sign; NaN passes).
// The adjugate's component R of column C is (−1)^(R+C) times the minor without
// column R and row C, expanded along its first remaining column P over the 2x2
// minors of the other two, Q and S: (P[a]·N(b, d) − P[b]·N(a, d)) + P[d]·N(a, b)
// with rows a < b < d, N(x, y) = Q[x]·S[y] − Q[y]·S[x]; for R = 0 these are the
// determinant's brackets. The result is the adjugate times one reciprocal.
// Lanes pair R = 0, 1 (P = Y, X over the minors of Z, W) and R = 2, 3 (P = X
// over the minors of Y, W and of Y, Z).
inline bool invert(const DMat4& m, DMat4& out, bool refuse_singular) {
    using L = mat4_detail::Lanes2;
    const DVec4 &X = m.x_axis, &Y = m.y_axis, &Z = m.z_axis, &W = m.w_axis;
    // The 2x2 minors of the column pairs for the row pairs (0,1), (0,2),
    // (0,3), (1,2), (1,3), (2,3): zw[p] in both lanes, (yw, yz)[p] side by side.
    constexpr int first_row[6] = {0, 0, 0, 1, 1, 2}, second_row[6] = {1, 2, 3, 2, 3, 3};
    L zw[6], yw_yz[6];
    for (int p = 0; p < 6; ++p) {
        const int x = first_row[p], y = second_row[p];
        const double n = Z[x] * W[y] - Z[y] * W[x];
        zw[p] = L{n, n};
        yw_yz[p] = L{Y[x], Y[x]} * L{W[y], Z[y]} - L{Y[y], Y[y]} * L{W[x], Z[x]};
    }
    auto pair = [](int x, int y) { return x == 0 ? y - 1 : x == 1 ? y + 1 : 5; };
    L low[4], high[4];
    for (int c = 0; c < 4; ++c) {
        using mat4_detail::kept;
        const int a = kept(c, 0), b = kept(c, 1), d = kept(c, 2);
        auto yx = [&](int r) { return L{Y[r], X[r]}; };
        auto xx = [&](int r) { return L{X[r], X[r]}; };
        low[c] = (yx(a) * zw[pair(b, d)] - yx(b) * zw[pair(a, d)]) + yx(d) * zw[pair(a, b)];
        high[c] = (xx(a) * yw_yz[pair(b, d)] - xx(b) * yw_yz[pair(a, d)]) + xx(d) * yw_yz[pair(a, b)];
    }
    // Lane 0 of `low` holds the determinant's brackets.
    const double det = X[2] * low[2][0] + (X[0] * low[0][0] - X[1] * low[1][0]) - X[3] * low[3][0];
    if (refuse_singular && det == 0.0) return false;
    const double inv = 1.0 / det;
    const L scale = {inv, inv};
    for (int c = 0; c < 4; ++c) {
        const L sign = c % 2 == 0 ? L{1.0, -1.0} : L{-1.0, 1.0};
        const L lo = (low[c] * sign) * scale, hi = (high[c] * sign) * scale;
        out.col(c) = {lo[0], lo[1], hi[0], hi[1]};
    }
    return true;
}
// No test: a singular matrix yields infinities or NaN.
inline DMat4 inverse(const DMat4& m) {
    DMat4 out{};
    invert(m, out, false);
    return out;
}

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
