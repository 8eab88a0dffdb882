#pragma once
// The N-component double-precision vector record behind Vec2, Vec3, Vec4 and
// Quat. Formulas are written out component by component in the order the
// classes fix, so results are reproducible to the bit.
//
// This header holds the record, its element-wise arithmetic and the
// operations that every class on the record shares unchanged (Vec4 and Quat
// in particular): dot products, lengths, normalize and the predicates.
// The rest of the vector math lives in dvec_math.hpp (all N), dvec2_angle.hpp
// (2-D only) and dvec3_rotation.hpp (3-D only).
#include <cmath>
#include <cstddef>

namespace vx {

template <std::size_t N>
struct DVec {
    double v[N];

    constexpr double& operator[](std::size_t i) { return v[i]; }
    constexpr const double& operator[](std::size_t i) const { return v[i]; }

    static constexpr DVec splat(double s) {
        DVec r{};
        for (std::size_t i = 0; i < N; ++i) r.v[i] = s;
        return r;
    }

    template <class F>
    constexpr DVec map(F f) const {
        DVec r{};
        for (std::size_t i = 0; i < N; ++i) r.v[i] = f(v[i]);
        return r;
    }
    template <class F>
    constexpr DVec zip(const DVec& o, F f) const {
        DVec r{};
        for (std::size_t i = 0; i < N; ++i) r.v[i] = f(v[i], o.v[i]);
        return r;
    }
};

using DVec2 = DVec<2>;
using DVec3 = DVec<3>;
using DVec4 = DVec<4>;

template <std::size_t N>
constexpr DVec<N> operator+(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return x + y; });
}
template <std::size_t N>
constexpr DVec<N> operator-(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return x - y; });
}
template <std::size_t N>
constexpr DVec<N> operator*(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return x * y; });
}
template <std::size_t N>
constexpr DVec<N> operator/(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return x / y; });
}
template <std::size_t N>
inline DVec<N> fmod(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return std::fmod(x, y); });
}
template <std::size_t N>
constexpr DVec<N> operator-(const DVec<N>& a) {
    return a.map([](double x) { return -x; });
}

// A scalar on the right applies to every component: v·s, v / s.
template <std::size_t N>
constexpr DVec<N> operator*(const DVec<N>& a, double s) {
    return a.map([s](double x) { return x * s; });
}
template <std::size_t N>
constexpr DVec<N> operator/(const DVec<N>& a, double s) {
    return a.map([s](double x) { return x / s; });
}

// Sums run left to right from the first component: ((x·x' + y·y') + z·z') + w·w'.
template <std::size_t N>
constexpr double dot(const DVec<N>& a, const DVec<N>& b) {
    double sum = a[0] * b[0];
    for (std::size_t i = 1; i < N; ++i) sum = sum + a[i] * b[i];
    return sum;
}

template <std::size_t N>
constexpr double length_squared(const DVec<N>& a) {
    return dot(a, a);
}
template <std::size_t N>
inline double length(const DVec<N>& a) {
    return std::sqrt(length_squared(a));
}
// The zero vector gives +inf.
template <std::size_t N>
inline double length_recip(const DVec<N>& a) {
    return 1.0 / length(a);
}
template <std::size_t N>
inline double distance(const DVec<N>& a, const DVec<N>& b) {
    return length(a - b);
}
template <std::size_t N>
constexpr double distance_squared(const DVec<N>& a, const DVec<N>& b) {
    return length_squared(a - b);
}

// Unchecked: the zero vector gives NaN components.
template <std::size_t N>
inline DVec<N> normalize(const DVec<N>& a) {
    return a * (1.0 / length(a));
}

// The squared length is tested, not the length; NaN fails the comparison.
template <std::size_t N>
inline bool is_normalized(const DVec<N>& a) {
    return std::fabs(length_squared(a) - 1.0) <= 2e-4;
}
template <std::size_t N>
inline bool is_finite(const DVec<N>& a) {
    for (std::size_t i = 0; i < N; ++i)
        if (!std::isfinite(a[i])) return false;
    return true;
}
template <std::size_t N>
inline bool is_nan(const DVec<N>& a) {
    for (std::size_t i = 0; i < N; ++i)
        if (std::isnan(a[i])) return true;
    return false;
}
// A NaN on either side fails the comparison, so the answer is false.
template <std::size_t N>
inline bool abs_diff_eq(const DVec<N>& a, const DVec<N>& b, double max_abs_diff) {
    for (std::size_t i = 0; i < N; ++i)
        if (!(std::fabs(a[i] - b[i]) <= max_abs_diff)) return false;
    return true;
}

}  // namespace vx
