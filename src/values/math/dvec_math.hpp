#pragma once
// Vector math shared by Vec2, Vec3 and Vec4: element-wise functions,
// reductions, comparisons and clamping, the checked normalisations,
// interpolation, projection and reflection. Each function is the one
// implementation for every component count; where the 2-component form
// follows another rule, the difference is spelled out in place.
//
// Only `mul_add` fuses a multiply and an add; everything else rounds after
// every operation, in the order written (the build forbids contraction).
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>

#include "dvec.hpp"

namespace vx {

// ---- scalar rules the element-wise forms are made of -------------------

// NaN stays NaN (the canonical quiet NaN); otherwise 1.0 carrying the sign
// bit, so -0.0 gives -1.0 and +0.0 gives +1.0.
inline double signum(double c) {
    return std::isnan(c) ? std::numeric_limits<double>::quiet_NaN() : std::copysign(1.0, c);
}

// maxNum(c, 0.0) then minNum(t, 1.0), with -0.0 ordered below +0.0: a NaN and
// a -0.0 both come out as +0.0.
inline double saturate(double c) {
    const double at_least_zero = c > 0.0 ? c : 0.0;
    return at_least_zero < 1.0 ? at_least_zero : 1.0;
}

// The cosine of an angle computed from a quotient: below -1 gives -1, above 1
// gives 1, a NaN passes through to acos.
inline double clamp_to_unit(double c) {
    if (c < -1.0) c = -1.0;
    if (c > 1.0) c = 1.0;
    return c;
}

inline double div_euclid(double a, double b) {
    const double q = std::trunc(a / b);
    if (std::fmod(a, b) < 0.0) return b > 0.0 ? q - 1.0 : q + 1.0;
    return q;
}

inline double rem_euclid(double a, double b) {
    const double r = std::fmod(a, b);
    return r < 0.0 ? r + std::fabs(b) : r;
}

// ---- element-wise functions ----------------------------------------------

template <std::size_t N>
inline DVec<N> abs(const DVec<N>& a) {
    return a.map([](double c) { return std::fabs(c); });
}
template <std::size_t N>
inline DVec<N> signum(const DVec<N>& a) {
    return a.map([](double c) { return signum(c); });
}
template <std::size_t N>
inline DVec<N> floor(const DVec<N>& a) {
    return a.map([](double c) { return std::floor(c); });
}
template <std::size_t N>
inline DVec<N> ceil(const DVec<N>& a) {
    return a.map([](double c) { return std::ceil(c); });
}
// Halves go away from zero.
template <std::size_t N>
inline DVec<N> round(const DVec<N>& a) {
    return a.map([](double c) { return std::round(c); });
}
template <std::size_t N>
inline DVec<N> trunc(const DVec<N>& a) {
    return a.map([](double c) { return std::trunc(c); });
}
// Keeps the sign of c: -1.25 gives -0.25.
template <std::size_t N>
inline DVec<N> fract(const DVec<N>& a) {
    return a.map([](double c) { return c - std::trunc(c); });
}
// Never negative for finite c: -1.25 gives 0.75.
template <std::size_t N>
inline DVec<N> fract_gl(const DVec<N>& a) {
    return a.map([](double c) { return c - std::floor(c); });
}
template <std::size_t N>
inline DVec<N> exp(const DVec<N>& a) {
    return a.map([](double c) { return std::exp(c); });
}
template <std::size_t N>
inline DVec<N> exp2(const DVec<N>& a) {
    return a.map([](double c) { return std::exp2(c); });
}
template <std::size_t N>
inline DVec<N> ln(const DVec<N>& a) {
    return a.map([](double c) { return std::log(c); });
}
template <std::size_t N>
inline DVec<N> log2(const DVec<N>& a) {
    return a.map([](double c) { return std::log2(c); });
}
template <std::size_t N>
inline DVec<N> sqrt(const DVec<N>& a) {
    return a.map([](double c) { return std::sqrt(c); });
}
template <std::size_t N>
inline DVec<N> recip(const DVec<N>& a) {
    return a.map([](double c) { return 1.0 / c; });
}
template <std::size_t N>
inline DVec<N> sin(const DVec<N>& a) {
    return a.map([](double c) { return std::sin(c); });
}
template <std::size_t N>
inline DVec<N> cos(const DVec<N>& a) {
    return a.map([](double c) { return std::cos(c); });
}
template <std::size_t N>
inline DVec<N> saturate(const DVec<N>& a) {
    return a.map([](double c) { return saturate(c); });
}
template <std::size_t N>
inline DVec<N> powf(const DVec<N>& a, double n) {
    return a.map([n](double c) { return std::pow(c, n); });
}
template <std::size_t N>
inline DVec<N> copysign(const DVec<N>& a, const DVec<N>& sign) {
    return a.zip(sign, [](double c, double s) { return std::copysign(c, s); });
}
// The one fused operation: self·a + b rounded once.
template <std::size_t N>
inline DVec<N> mul_add(const DVec<N>& self, const DVec<N>& a, const DVec<N>& b) {
    DVec<N> r{};
    for (std::size_t i = 0; i < N; ++i) r[i] = std::fma(self[i], a[i], b[i]);
    return r;
}
// self is the edge; a NaN on either side gives 1.0.
template <std::size_t N>
inline DVec<N> step(const DVec<N>& edge, const DVec<N>& x) {
    return edge.zip(x, [](double e, double c) { return c < e ? 0.0 : 1.0; });
}
template <std::size_t N>
inline DVec<N> div_euclid(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return div_euclid(x, y); });
}
template <std::size_t N>
inline DVec<N> rem_euclid(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return rem_euclid(x, y); });
}

// A NaN on either side yields rhs's component.
template <std::size_t N>
constexpr DVec<N> min(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return x < y ? x : y; });
}
template <std::size_t N>
constexpr DVec<N> max(const DVec<N>& a, const DVec<N>& b) {
    return a.zip(b, [](double x, double y) { return x > y ? x : y; });
}
// No check of lo <= hi: where lo > hi the result is hi.
template <std::size_t N>
constexpr DVec<N> clamp(const DVec<N>& a, const DVec<N>& lo, const DVec<N>& hi) {
    return min(max(a, lo), hi);
}

template <std::size_t N>
inline std::pair<DVec<N>, DVec<N>> sin_cos(const DVec<N>& a) {
    return {sin(a), cos(a)};
}

// ---- reductions -------------------------------------------------------------

template <std::size_t N>
constexpr double element_sum(const DVec<N>& a) {
    double sum = a[0];
    for (std::size_t i = 1; i < N; ++i) sum = sum + a[i];
    return sum;
}
template <std::size_t N>
constexpr double element_product(const DVec<N>& a) {
    double product = a[0];
    for (std::size_t i = 1; i < N; ++i) product = product * a[i];
    return product;
}

// Folded from the last component towards the first: for three components
// m = y < z ? y : z, then x < m ? x : m. Which NaN survives depends on this.
template <std::size_t N>
constexpr double min_element(const DVec<N>& a) {
    double m = a[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) m = a[i] < m ? a[i] : m;
    return m;
}
template <std::size_t N>
constexpr double max_element(const DVec<N>& a) {
    double m = a[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) m = a[i] > m ? a[i] : m;
    return m;
}

// Three and four components scan from x, taking a later component only when
// it is strictly smaller: ties keep the lower index and a NaN is never taken
// (a NaN x keeps index 0). Two components compare x <= y instead, so a NaN
// on either side gives index 1.
template <std::size_t N>
constexpr int min_position(const DVec<N>& a) {
    if constexpr (N == 2) {
        return a[0] <= a[1] ? 0 : 1;
    } else {
        int position = 0;
        double held = a[0];
        for (std::size_t i = 1; i < N; ++i) {
            if (a[i] < held) {
                position = static_cast<int>(i);
                held = a[i];
            }
        }
        return position;
    }
}
template <std::size_t N>
constexpr int max_position(const DVec<N>& a) {
    if constexpr (N == 2) {
        return a[0] >= a[1] ? 0 : 1;
    } else {
        int position = 0;
        double held = a[0];
        for (std::size_t i = 1; i < N; ++i) {
            if (a[i] > held) {
                position = static_cast<int>(i);
                held = a[i];
            }
        }
        return position;
    }
}

// ---- checked normalisation ---------------------------------------------------

// 1 / length when it can normalise: finite and positive. Zero, infinite and
// NaN lengths all fail, and so does a squared length that underflows to zero.
inline std::optional<double> usable_length_recip(double len) {
    const double r = 1.0 / len;
    if (std::isfinite(r) && r > 0.0) return r;
    return std::nullopt;
}

template <std::size_t N>
inline std::optional<DVec<N>> try_normalize(const DVec<N>& a) {
    if (auto r = usable_length_recip(length(a))) return a * *r;
    return std::nullopt;
}
template <std::size_t N>
inline DVec<N> normalize_or(const DVec<N>& a, const DVec<N>& fallback) {
    return try_normalize(a).value_or(fallback);
}
template <std::size_t N>
inline DVec<N> normalize_or_zero(const DVec<N>& a) {
    return normalize_or(a, DVec<N>::splat(0.0));
}
// Fails to ((1, 0, ...), 0.0).
template <std::size_t N>
inline std::pair<DVec<N>, double> normalize_and_length(const DVec<N>& a) {
    const double len = length(a);
    if (auto r = usable_length_recip(len)) return {a * *r, len};
    DVec<N> x_axis{};
    x_axis[0] = 1.0;
    return {x_axis, 0.0};
}

// The direction is self / sqrt(q), a division per component, then scaled.
// No check of 0 <= lo <= hi; the zero vector with lo > 0 gives NaN.
template <std::size_t N>
inline DVec<N> clamp_length(const DVec<N>& a, double lo, double hi) {
    const double q = length_squared(a);
    if (q < lo * lo) return (a / std::sqrt(q)) * lo;
    if (q > hi * hi) return (a / std::sqrt(q)) * hi;
    return a;
}
template <std::size_t N>
inline DVec<N> clamp_length_max(const DVec<N>& a, double hi) {
    const double q = length_squared(a);
    if (q > hi * hi) return (a / std::sqrt(q)) * hi;
    return a;
}
template <std::size_t N>
inline DVec<N> clamp_length_min(const DVec<N>& a, double lo) {
    const double q = length_squared(a);
    if (q < lo * lo) return (a / std::sqrt(q)) * lo;
    return a;
}

// ---- interpolation, projection, reflection ------------------------------

// Per component rhs·s + (1 − s)·self; s is not limited to [0, 1].
template <std::size_t N>
inline DVec<N> lerp(const DVec<N>& a, const DVec<N>& rhs, double s) {
    const double one_minus_s = 1.0 - s;
    return a.zip(rhs, [s, one_minus_s](double c, double r) { return r * s + one_minus_s * c; });
}

// Within 1e-4 of the target, or within reach, the target itself is returned;
// a NaN distance fails both tests and makes the move.
template <std::size_t N>
inline DVec<N> move_towards(const DVec<N>& a, const DVec<N>& rhs, double d) {
    const DVec<N> delta = rhs - a;
    const double len = length(delta);
    if (len <= d || len <= 1e-4) return rhs;
    return a + (delta / len) * d;
}

template <std::size_t N>
inline DVec<N> midpoint(const DVec<N>& a, const DVec<N>& rhs) {
    return (a + rhs) * 0.5;
}

// Unchecked: a zero rhs gives NaN components.
template <std::size_t N>
inline DVec<N> project_onto(const DVec<N>& a, const DVec<N>& rhs) {
    const double k = 1.0 / dot(rhs, rhs);
    return (rhs * dot(a, rhs)) * k;
}
template <std::size_t N>
inline DVec<N> reject_from(const DVec<N>& a, const DVec<N>& rhs) {
    return a - project_onto(a, rhs);
}
// rhs is taken as unit length, not checked.
template <std::size_t N>
inline DVec<N> project_onto_normalized(const DVec<N>& a, const DVec<N>& rhs) {
    return rhs * dot(a, rhs);
}
template <std::size_t N>
inline DVec<N> reject_from_normalized(const DVec<N>& a, const DVec<N>& rhs) {
    return a - project_onto_normalized(a, rhs);
}

template <std::size_t N>
inline DVec<N> reflect(const DVec<N>& a, const DVec<N>& normal) {
    const double d = dot(normal, a);
    return a - normal * (d + d);
}
// Total internal reflection (k < 0), and a NaN k, give the zero vector.
template <std::size_t N>
inline DVec<N> refract(const DVec<N>& a, const DVec<N>& normal, double eta) {
    const double d = dot(normal, a);
    const double k = 1.0 - eta * eta * (1.0 - d * d);
    if (k >= 0.0) return a * eta - normal * (eta * d + std::sqrt(k));
    return DVec<N>::splat(0.0);
}

}  // namespace vx
