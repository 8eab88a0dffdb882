#pragma once
// Euler angles in the 24 orders of EulerRot, to and from a 3x3 rotation, after
// Shoemake's closed-form conversion (Graphics Gems IV). An order named by the
// axis letters P, Q, R is R_P(a)·R_Q(b)·R_R(c); the same letters with the
// suffix Ex give R_R(c)·R_Q(b)·R_P(a). One table of per-order parameters,
// derived from the names, serves every order in both directions.
#include <array>
#include <cmath>
#include <cstdint>

#include "dmat3.hpp"
#include "dquat.hpp"
#include "euler_order.hpp"

namespace vx {

struct EulerAngles {
    double a, b, c;
};

struct EulerParams {
    int i, j, k;    // inner first axis, middle axis, the remaining axis (X = 0)
    bool negate;    // j is the cyclic successor of i
    bool repeated;  // first and last letters agree
    bool extrinsic; // the Ex orders: the routine works on (c, b, a)
};

// The twelve axis sequences in the order of the EulerOrder values 0..11;
// values 12..23 are the same sequences as Ex orders.
inline constexpr std::array<std::array<int, 3>, 12> kEulerSequences = {{
    {2, 1, 0}, {2, 0, 1}, {1, 0, 2}, {1, 2, 0}, {0, 1, 2}, {0, 2, 1},
    {2, 1, 2}, {2, 0, 2}, {1, 0, 1}, {1, 2, 1}, {0, 1, 0}, {0, 2, 0},
}};
constexpr EulerParams euler_params(EulerOrder order) {
    const int value = static_cast<int>(order);
    const auto& letters = kEulerSequences[value % 12];
    const bool extrinsic = value >= 12;
    const int i = extrinsic ? letters[2] : letters[0];
    const int j = letters[1];
    return {i, j, 3 - i - j, j == (i + 1) % 3, letters[0] == letters[2], extrinsic};
}

// T[c][r] below is component r of column c.
inline DMat3 mat3_from_euler(EulerOrder order, double a, double b, double c) {
    const EulerParams p = euler_params(order);
    double u = p.extrinsic ? c : a, v = b, w = p.extrinsic ? a : c;
    if (p.negate) {
        u = -u;
        v = -v;
        w = -w;
    }
    const double si = std::sin(u), ci = std::cos(u);
    const double sj = std::sin(v), cj = std::cos(v);
    const double sh = std::sin(w), ch = std::cos(w);
    const double cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;
    DMat3 m{};
    auto T = [&m](int col, int row) -> double& { return m.col(col)[row]; };
    const int i = p.i, j = p.j, k = p.k;
    if (p.repeated) {
        T(i, i) = cj;
        T(i, j) = sj * si;
        T(i, k) = sj * ci;
        T(j, i) = sj * sh;
        T(j, j) = cc - cj * ss;
        T(j, k) = -cj * cs - sc;
        T(k, i) = -(sj * ch);
        T(k, j) = cs + cj * sc;
        T(k, k) = cj * cc - ss;
    } else {
        T(i, i) = cj * ch;
        T(i, j) = sj * sc - cs;
        T(i, k) = ss + sj * cc;
        T(j, i) = cj * sh;
        T(j, j) = cc + sj * ss;
        T(j, k) = sj * cs - sc;
        T(k, i) = -sj;
        T(k, j) = cj * si;
        T(k, k) = cj * ci;
    }
    return m;
}

// 2⁻⁴⁸, sixteen machine epsilons: below it the middle rotation is taken as
// gimbal lock and the last angle as zero. A NaN takes the gimbal branch.
inline constexpr double kGimbalEpsilon = 3.552713678800501e-15;

inline EulerAngles mat3_to_euler(EulerOrder order, const DMat3& m) {
    const EulerParams p = euler_params(order);
    auto T = [&m](int col, int row) { return m.col(col)[row]; };
    const int i = p.i, j = p.j, k = p.k;
    double x, y, z;
    if (p.repeated) {
        const double sy = std::sqrt(T(i, j) * T(i, j) + T(i, k) * T(i, k));
        if (sy > kGimbalEpsilon) {
            x = std::atan2(T(i, j), T(i, k));
            y = std::atan2(sy, T(i, i));
            z = std::atan2(T(j, i), -T(k, i));
        } else {
            x = std::atan2(-T(j, k), T(j, j));
            y = std::atan2(sy, T(i, i));
            z = 0.0;
        }
    } else {
        const double cy = std::sqrt(T(i, i) * T(i, i) + T(j, i) * T(j, i));
        if (cy > kGimbalEpsilon) {
            x = std::atan2(T(k, j), T(k, k));
            y = std::atan2(-T(k, i), cy);
            z = std::atan2(T(j, i), T(i, i));
        } else {
            x = std::atan2(-T(j, k), T(j, j));
            y = std::atan2(-T(k, i), cy);
            z = 0.0;
        }
    }
    if (p.negate) {
        x = -x;
        y = -y;
        z = -z;
    }
    return p.extrinsic ? EulerAngles{z, y, x} : EulerAngles{x, y, z};
}

// Half-angle form of the same orders; only the middle angle is negated.
inline DQuat quat_from_euler(EulerOrder order, double a, double b, double c) {
    const EulerParams p = euler_params(order);
    const double u = p.extrinsic ? c : a, w = p.extrinsic ? a : c;
    const double v = p.negate ? -b : b;
    const double si = std::sin(u * 0.5), ci = std::cos(u * 0.5);
    const double sj = std::sin(v * 0.5), cj = std::cos(v * 0.5);
    const double sh = std::sin(w * 0.5), ch = std::cos(w * 0.5);
    const double cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;
    DVec4 q{};
    if (p.repeated) {
        q[p.i] = cj * (cs + sc);
        q[p.j] = sj * (cc + ss);
        q[p.k] = sj * (cs - sc);
        q[3] = cj * (cc - ss);
    } else {
        q[p.i] = cj * sc - sj * cs;
        q[p.j] = cj * ss + sj * cc;
        q[p.k] = cj * cs - sj * sc;
        q[3] = cj * cc + sj * ss;
    }
    if (p.negate) q[p.j] = -q[p.j];
    return {q};
}

inline EulerAngles quat_to_euler(EulerOrder order, const DQuat& q) { return mat3_to_euler(order, mat3_from_quat(q)); }

}  // namespace vx
