#pragma once

#include <array>
#include <cstddef>

#include "curvel/curve.hpp"
#include "curvel/math/vec3f.hpp"
#include "curvel/nearest.hpp"

namespace curvel {

// Bezier curve over N control points (N = 3 quadratic, N = 4 cubic). The
// parameter is used unclamped: outside [0, 1] the polynomial extrapolates.
template <std::size_t N>
struct Bezier {
  static_assert(N == 3 || N == 4, "only quadratic and cubic curves are instantiated");
  std::array<Vec3, N> points{};

  friend bool operator==(const Bezier&, const Bezier&) = default;
};

using QuadraticBezier = Bezier<3>;
using CubicBezier = Bezier<4>;

// Sub-intervals of [0, t] in the arc-length quadrature of a Bezier.
inline constexpr std::size_t BEZIER_QUADRATURE_INTERVALS = 24;

// Evaluation by de Casteljau, so t = 0 and t = 1 give the end points exactly.
template <std::size_t N> Vec3 point(const Bezier<N>& curve, float t);
template <std::size_t N> Vec3 velocity(const Bezier<N>& curve, float t);
template <std::size_t N> Vec3 acceleration(const Bezier<N>& curve, float t);

// Arc length from 0 to t by Gauss-Legendre quadrature; 0 for t <= 0. The
// caller clamps t into [0, 1] when it wants the length along the curve.
template <std::size_t N> float integrate_speed(const Bezier<N>& curve, float t);
// Length of the whole curve, and from 0 to t clamped into [0, 1].
template <std::size_t N> float arc_length(const Bezier<N>& curve);
template <std::size_t N> float arc_length_to(const Bezier<N>& curve, float t);
// The parameter at which the arc length reaches s, in [0, 1]; NaN for a curve
// whose length is NaN.
template <std::size_t N> float t_at_distance(const Bezier<N>& curve, float s);

// Nearest point by 25 samples and a ternary search around the best one.
template <std::size_t N> Nearest sampled_nearest(const Bezier<N>& curve, Vec3 query);

// The piece between t0 and t1 (in either order, clamped into [0, 1]),
// reparametrised to [0, 1], by two de Casteljau splits.
template <std::size_t N> Bezier<N> subcurve(const Bezier<N>& curve, float t0, float t1);

}  // namespace curvel
