#include "curvel/polyline.hpp"

#include <cmath>
#include <limits>

#include "point_list_trim.hpp"
#include "segment_mapping.hpp"

namespace curvel {
namespace {

float segment_length(const Polyline& curve, std::size_t i) {
  return distance(curve.points[i + 1], curve.points[i]);
}

// Lengths of segments 0 … count − 1, added left to right.
float sum_of_segment_lengths(const Polyline& curve, std::size_t count) {
  float sum = 0.0f;
  for (std::size_t i = 0; i < count; ++i) sum += segment_length(curve, i);
  return sum;
}

}  // namespace

Vec3 point(const Polyline& curve, float t) {
  const std::size_t n = curve.points.size();
  if (n == 0) return {};
  if (n == 1) return curve.points[0];
  const auto [i, s] = locate_segment(n, t);
  return (1.0f - s) * curve.points[i] + s * curve.points[i + 1];
}

Vec3 velocity(const Polyline& curve, float t) {
  const std::size_t n = curve.points.size();
  if (n < 2) return {};
  const auto [i, s] = locate_segment(n, t);
  return (curve.points[i + 1] - curve.points[i]) * static_cast<float>(n - 1);
}

Vec3 acceleration(const Polyline&, float) { return {}; }

float arc_length(const Polyline& curve) {
  const std::size_t n = curve.points.size();
  if (n < 2) return 0.0f;
  return sum_of_segment_lengths(curve, n - 1);
}

float arc_length_to(const Polyline& curve, float t) {
  const std::size_t n = curve.points.size();
  if (n < 2) return 0.0f;
  const auto [i, s] = locate_segment(n, clamp(t, 0.0f, 1.0f));
  return sum_of_segment_lengths(curve, i) + s * segment_length(curve, i);
}

float t_at_distance(const Polyline& curve, float s) {
  const std::size_t n = curve.points.size();
  if (n < 2) return 0.0f;
  const float total = arc_length(curve);
  // A NaN total leaves no valid range to clamp the distance into.
  if (std::isnan(total)) return std::numeric_limits<float>::quiet_NaN();
  const float target = clamp(s, 0.0f, total);
  const std::size_t last = n - 2;
  float acc = 0.0f;
  std::size_t i = 0;
  float len = segment_length(curve, 0);
  while (i < last && acc + len < target) {
    acc = acc + len;
    ++i;
    len = segment_length(curve, i);
  }
  float u = 0.0f;
  if (len > EPS) {
    u = clamp((target - acc) / len, 0.0f, 1.0f);
    if (std::isnan(u)) u = 0.0f;
  }
  return (static_cast<float>(i) + u) / static_cast<float>(n - 1);
}

Nearest nearest(const Polyline& curve, Vec3 query) {
  const std::size_t n = curve.points.size();
  if (n == 0) return {0.0f, {}, INF};
  if (n == 1) return {0.0f, curve.points[0], distance_squared(query, curve.points[0])};
  const float segments = static_cast<float>(n - 1);
  Nearest best{0.0f, curve.points[0], INF};
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const Vec3 A = curve.points[i];
    const Vec3 B = curve.points[i + 1];
    const Vec3 D = B - A;
    const float len_sq = dot(D, D);
    float s = 0.0f;
    if (len_sq > EPS) {
      s = clamp(dot(D, query - A) / len_sq, 0.0f, 1.0f);
      if (std::isnan(s)) s = 0.0f;
    }
    const Vec3 C = A * (1.0f - s) + B * s;
    const float d = distance_squared(query, C);
    if (d < best.dist_sq) best = {(s + static_cast<float>(i)) / segments, C, d};
  }
  return best;
}

Polyline subcurve(const Polyline& curve, float t0, float t1) {
  return subcurve_of_point_list(curve, t0, t1);
}

}  // namespace curvel
