#include "curvel/bezier.hpp"

#include "quadrature.hpp"
#include "sampled_nearest.hpp"

namespace curvel {

// Each degree is written out as its own de Casteljau scheme with named
// levels: the compiler keeps them in registers, where a loop over an array of
// points goes through memory several times slower, and the operation order
// stays visible. Position and velocity are written once over the number type
// S: float, or four lanes (lanes::F4) for the quadrature and the nearest-point
// search, which give the scalar bits in every lane.
namespace {

using lanes::Vec3Of;

// One coordinate of the point at t, from that coordinate of each control point.
template <std::size_t N, class S>
S casteljau(const std::array<float, N>& P, S t, S u) {
  if constexpr (N == 4) {
    const S A = u * P[0] + t * P[1];
    const S B = u * P[1] + t * P[2];
    const S C = u * P[2] + t * P[3];
    const S D = u * A + t * B;
    const S E = u * B + t * C;
    return u * D + t * E;
  } else {
    return u * (u * P[0] + t * P[1]) + t * (u * P[1] + t * P[2]);
  }
}

template <std::size_t K>
std::array<float, K> coordinate(const std::array<Vec3, K>& points, float Vec3::*axis) {
  std::array<float, K> c{};
  for (std::size_t i = 0; i < K; ++i) c[i] = points[i].*axis;
  return c;
}

template <std::size_t N, class S>
Vec3Of<S> point_at(const Bezier<N>& curve, S t) {
  const S u = 1.0f - t;
  return {casteljau(coordinate(curve.points, &Vec3::x), t, u), casteljau(coordinate(curve.points, &Vec3::y), t, u),
          casteljau(coordinate(curve.points, &Vec3::z), t, u)};
}

// The velocity as a curve of its own over the difference points D, which
// depend on the control points only and are formed once per curve: 3·(P[k+1] −
// P[k]) for the cubic, (P[k+1] − P[k]) doubled by an addition for the
// quadratic.
template <std::size_t N>
struct Hodograph {
  std::array<Vec3, N - 1> D;

  explicit Hodograph(const Bezier<N>& curve) {
    const auto& P = curve.points;
    if constexpr (N == 4) {
      D = {3.0f * (P[1] - P[0]), 3.0f * (P[2] - P[1]), 3.0f * (P[3] - P[2])};
    } else {
      const Vec3 d0 = P[1] - P[0];
      const Vec3 d1 = P[2] - P[1];
      D = {d0 + d0, d1 + d1};
    }
  }

  template <class S>
  S coordinate_at(float Vec3::*axis, S t, S u) const {
    if constexpr (N == 4) {
      const float D0 = D[0].*axis, D1 = D[1].*axis, D2 = D[2].*axis;
      return u * (u * D0 + t * D1) + t * (u * D1 + t * D2);
    } else {
      return u * (D[0].*axis) + t * (D[1].*axis);
    }
  }
  template <class S>
  Vec3Of<S> at(S t) const {
    const S u = 1.0f - t;
    return {coordinate_at(&Vec3::x, t, u), coordinate_at(&Vec3::y, t, u), coordinate_at(&Vec3::z, t, u)};
  }
  // |velocity|, as length(velocity(t)).
  template <class S>
  S speed(S t) const {
    return lanes::sqrt(lanes::length_squared(at(t)));
  }
};

template <class S>
Vec3 to_vec3(const Vec3Of<S>& v) {
  return {v.x, v.y, v.z};
}

}  // namespace

template <std::size_t N>
Vec3 point(const Bezier<N>& curve, float t) {
  return to_vec3(point_at(curve, t));
}

template <std::size_t N>
Vec3 velocity(const Bezier<N>& curve, float t) {
  return to_vec3(Hodograph<N>(curve).at(t));
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
  const Hodograph<N> hodograph(curve);
  return gauss_legendre([&](auto x) { return hodograph.speed(x); }, t, BEZIER_QUADRATURE_INTERVALS);
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
  return newton_t_at_distance(curve, s, [&](float t) { return integrate_speed(curve, t); });
}

template <std::size_t N>
Nearest sampled_nearest(const Bezier<N>& curve, Vec3 query) {
  // As distance_squared(query, point(t)): (q − p) squared, (x + y) + z.
  const auto dist_sq = [&](auto t) {
    const auto p = point_at(curve, t);
    return lanes::length_squared(Vec3Of<decltype(t)>{query.x - p.x, query.y - p.y, query.z - p.z});
  };
  return sampled_nearest_over(dist_sq, [&](float t) { return point(curve, t); }, query, 24);
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
