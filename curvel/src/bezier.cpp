#include "curvel/bezier.hpp"

#include "quadrature.hpp"
#include "sampled_nearest.hpp"

namespace curvel {

// Each degree is written out as its own de Casteljau scheme with named
// levels: the compiler keeps them in registers, where a loop over an array of
// points goes through memory several times slower, and the operation order
// stays visible.

template <std::size_t N>
Vec3 point(const Bezier<N>& curve, float t) {
  const float u = 1.0f - t;
  if constexpr (N == 4) {
    const auto& [P0, P1, P2, P3] = curve.points;
    const Vec3 A = u * P0 + t * P1;
    const Vec3 B = u * P1 + t * P2;
    const Vec3 C = u * P2 + t * P3;
    const Vec3 D = u * A + t * B;
    const Vec3 E = u * B + t * C;
    return u * D + t * E;
  } else {
    const auto& [P0, P1, P2] = curve.points;
    return u * (u * P0 + t * P1) + t * (u * P1 + t * P2);
  }
}

template <std::size_t N>
Vec3 velocity(const Bezier<N>& curve, float t) {
  const float u = 1.0f - t;
  if constexpr (N == 4) {
    const auto& [P0, P1, P2, P3] = curve.points;
    const Vec3 D0 = 3.0f * (P1 - P0);
    const Vec3 D1 = 3.0f * (P2 - P1);
    const Vec3 D2 = 3.0f * (P3 - P2);
    return u * (u * D0 + t * D1) + t * (u * D1 + t * D2);
  } else {
    const auto& [P0, P1, P2] = curve.points;
    const Vec3 d0 = P1 - P0;
    const Vec3 d1 = P2 - P1;
    return u * (d0 + d0) + t * (d1 + d1);
  }
}

template <std::size_t N>
Vec3 acceleration(const Bezier<N>& curve, float t) {
  if constexpr (N == 4) {
    const auto& [P0, P1, P2, P3] = curve.points;
    const Vec3 E0 = 6.0f * (P0 + (P2 - 2.0f * P1));
    const Vec3 E1 = 6.0f * (P1 + (P3 - 2.0f * P2));
    return (1.0f - t) * E0 + t * E1;
  } else {
    const auto& [P0, P1, P2] = curve.points;
    return 2.0f * (P2 - 2.0f * P1 + P0);
  }
}

template <std::size_t N>
float integrate_speed(const Bezier<N>& curve, float t) {
  return integrate_speed_over(curve, t, BEZIER_QUADRATURE_INTERVALS);
}

template <std::size_t N>
float arc_length(const Bezier<N>& curve) {
  return integrate_speed(curve, 1.0f);
}

template <std::size_t N>
float arc_length_to(const Bezier<N>& curve, float t) {
  return integrate_speed(curve, clamp(t, 0.0f, 1.0f));
}

template <std::size_t N>
float t_at_distance(const Bezier<N>& curve, float s) {
  return newton_t_at_distance(curve, s, BEZIER_QUADRATURE_INTERVALS);
}

template <std::size_t N>
Nearest sampled_nearest(const Bezier<N>& curve, Vec3 query) {
  return sampled_nearest_over(curve, query, 24);
}

template <std::size_t N>
Bezier<N> subcurve(const Bezier<N>& curve, float t0, float t1) {
  const float c0 = clamp(t0, 0.0f, 1.0f);
  const float c1 = clamp(t1, 0.0f, 1.0f);
  const float a = min(c0, c1);
  const float b = max(c0, c1);
  const float u = 1.0f - a;
  // When a is within EPS of 1 the result is the point at a repeated.
  const float s = u > EPS ? clamp((b - a) / u, 0.0f, 1.0f) : 0.0f;
  const float w = 1.0f - s;
  // Split at a keeping [a, 1], then split that at s keeping [0, s]. The point
  // at a is the last de Casteljau level of the first split.
  const Vec3 G = point(curve, a);
  if constexpr (N == 4) {
    const auto& [P0, P1, P2, P3] = curve.points;
    const Vec3 B = u * P1 + a * P2;
    const Vec3 C = u * P2 + a * P3;
    const Vec3 F = u * B + a * C;
    const Vec3 GF = w * G + s * F;
    return {{G, GF, w * GF + s * (w * F + s * C), point(Bezier<4>{{G, F, C, P3}}, s)}};
  } else {
    const auto& [P0, P1, P2] = curve.points;
    const Vec3 B = u * P1 + a * P2;
    const Vec3 GB = w * G + s * B;
    return {{G, GB, w * GB + s * (w * B + s * P2)}};
  }
}

#define CURVEL_INSTANTIATE_BEZIER(N)                                        \
  template Vec3 point(const Bezier<N>&, float);                             \
  template Vec3 velocity(const Bezier<N>&, float);                          \
  template Vec3 acceleration(const Bezier<N>&, float);                      \
  template float integrate_speed(const Bezier<N>&, float);                  \
  template float arc_length(const Bezier<N>&);                              \
  template float arc_length_to(const Bezier<N>&, float);                    \
  template float t_at_distance(const Bezier<N>&, float);                    \
  template Nearest sampled_nearest(const Bezier<N>&, Vec3);                 \
  template Bezier<N> subcurve(const Bezier<N>&, float, float);

CURVEL_INSTANTIATE_BEZIER(3)
CURVEL_INSTANTIATE_BEZIER(4)

}  // namespace curvel
