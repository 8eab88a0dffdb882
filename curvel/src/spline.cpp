#include "curvel/spline.hpp"

#include <algorithm>

#include "point_list_trim.hpp"
#include "quadrature.hpp"
#include "sampled_nearest.hpp"
#include "segment_mapping.hpp"

namespace curvel {
namespace {

// The Catmull-Rom segment i in power form: point = ½·(2·Q1 + s·K1 + s²·K2 +
// s³·K3), with the end points standing in for the missing neighbours.
struct SplineSegment {
  Vec3 Q1;
  Vec3 K1;
  Vec3 K2;
  Vec3 K3;
  float s;
};

// Inlined into each evaluation so the segment stays in registers instead of
// being returned through memory.
[[gnu::always_inline]] inline SplineSegment segment_at(const Spline& curve, float t) {
  const std::size_t n = curve.points.size();
  const auto [i, s] = locate_segment(n, t);
  const std::size_t last = n - 1;
  const Vec3 Q0 = curve.points[i == 0 ? 0 : i - 1];
  const Vec3 Q1 = curve.points[i];
  const Vec3 Q2 = curve.points[std::min(i + 1, last)];
  const Vec3 Q3 = curve.points[std::min(i + 2, last)];
  const Vec3 K1 = Q2 - Q0;
  const Vec3 K2 = 2.0f * Q0 - 5.0f * Q1 + 4.0f * Q2 - Q3;
  const Vec3 K3 = -Q0 + 3.0f * Q1 - 3.0f * Q2 + Q3;
  return {Q1, K1, K2, K3, s};
}

// The parameter speed-up of one segment: t spans n − 1 segments.
float segment_count(const Spline& curve) { return static_cast<float>(curve.points.size() - 1); }

}  // namespace

Vec3 point(const Spline& curve, float t) {
  const std::size_t n = curve.points.size();
  if (n == 0) return {};
  if (n == 1) return curve.points[0];
  const auto [Q1, K1, K2, K3, s] = segment_at(curve, t);
  const float s2 = s * s;
  const float s3 = s2 * s;
  return 0.5f * (2.0f * Q1 + s * K1 + s2 * K2 + s3 * K3);
}

Vec3 velocity(const Spline& curve, float t) {
  if (curve.points.size() < 2) return {};
  const auto [Q1, K1, K2, K3, s] = segment_at(curve, t);
  const float s2 = s * s;
  return 0.5f * (K1 + (2.0f * s) * K2 + (3.0f * s2) * K3) * segment_count(curve);
}

Vec3 acceleration(const Spline& curve, float t) {
  const std::size_t n = curve.points.size();
  if (n < 2) return {};
  const auto [Q1, K1, K2, K3, s] = segment_at(curve, t);
  // (n − 1)² is formed as an integer, then converted once.
  const float scale = static_cast<float>((n - 1) * (n - 1));
  return 0.5f * (2.0f * K2 + (6.0f * s) * K3) * scale;
}

std::size_t quadrature_intervals(const Spline& curve) {
  const std::size_t segments = curve.points.empty() ? 0 : curve.points.size() - 1;
  return std::max<std::size_t>(8 * segments, 16);
}

float integrate_speed(const Spline& curve, float t, std::size_t m) {
  return integrate_speed_over(curve, t, m);
}

float arc_length(const Spline& curve) {
  return integrate_speed(curve, 1.0f, quadrature_intervals(curve));
}

float arc_length_to(const Spline& curve, float t) {
  return integrate_speed(curve, clamp(t, 0.0f, 1.0f), quadrature_intervals(curve));
}

float t_at_distance(const Spline& curve, float s) {
  const std::size_t m = quadrature_intervals(curve);
  return newton_t_at_distance(curve, s, [&](float t) { return integrate_speed_over(curve, t, m); });
}

Nearest nearest(const Spline& curve, Vec3 query) {
  const std::size_t n = curve.points.size();
  if (n == 0) return {0.0f, {}, INF};
  if (n == 1) return {0.0f, curve.points[0], distance_squared(query, curve.points[0])};
  const auto at = [&](float t) { return point(curve, t); };
  const auto dist_sq = [&](float t) { return distance_squared(query, at(t)); };
  return sampled_nearest_over(dist_sq, at, query, 16 * (n - 1));
}

Spline subcurve(const Spline& curve, float t0, float t1) {
  return subcurve_of_point_list(curve, t0, t1);
}

}  // namespace curvel
