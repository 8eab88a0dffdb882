#pragma once

#include <cmath>
#include <limits>

#include "curvel/line.hpp"
#include "curvel/math/affine3f.hpp"
#include "curvel/math/mat3f.hpp"
#include "curvel/math/quatf.hpp"
#include "curvel/math/scalar.hpp"
#include "curvel/math/vec3f.hpp"

namespace tangor {

using curvel::Affine3;
using curvel::Mat3;
using curvel::Quat;
using curvel::Vec3;

using curvel::clamp;
using curvel::cross;
using curvel::dot;
using curvel::length;
using curvel::length_squared;
using curvel::max;
using curvel::min;

// A squared length, a direction component or a determinant at or below this
// counts as zero.
inline constexpr float EPS = curvel::EPS;
inline constexpr float INF = curvel::INF;
inline constexpr float MAX_F32 = std::numeric_limits<float>::max();
// Touching slack of the separating-axis tests that have one.
inline constexpr float SAT_SLACK = 1e-6f;
// Squared cross products below this count as parallel.
inline constexpr float PARALLEL_SQ = 1e-10f;

// A pair of f32: a point or a direction in a polygon's own 2-D frame.
struct Vec2 {
  float x = 0.0f;
  float y = 0.0f;

  friend constexpr bool operator==(const Vec2&, const Vec2&) = default;
};

constexpr float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }

namespace util {

// The shared description of the three line kinds: the points
// origin + t·dir for t in [t_min, t_max]. Every routine that takes one
// requires t_min <= t_max and no NaN bound.
struct LinePiece {
  Vec3 origin;
  Vec3 dir;
  float t_min = -INF;
  float t_max = INF;
};

inline LinePiece line_piece(const curvel::Line& l) { return {l.origin, l.dir, -INF, INF}; }
inline LinePiece line_piece(const curvel::Ray& r) { return {r.origin, r.dir, 0.0f, INF}; }
inline LinePiece line_piece(const curvel::LineSegment& s) {
  return {s.start, s.end - s.start, 0.0f, 1.0f};
}

// 0 moved into [t_min, t_max].
inline float clamp_zero_into(float t_min, float t_max) { return min(max(t_min, 0.0f), t_max); }

// Squared distance between the line piece o + s·d (s in [t_min, t_max]) and
// the segment p + u·e (u in [0, 1]). With [0, 1] it equals
// capsule::segment_segment_dist_sq in every case.
// It is also the closest-point rule of the polygon's edge terms.
inline float clamped_line_segment_dist_sq(Vec3 o, Vec3 d, Vec3 p, Vec3 e_dir, float t_min, float t_max) {
  const float a = dot(d, d);
  const float e = dot(e_dir, e_dir);
  const Vec3 r = o - p;
  const float c = dot(d, r);
  const float f = dot(e_dir, r);
  float s;
  float u;
  if (a <= EPS) {
    s = clamp_zero_into(t_min, t_max);
    u = e > EPS ? clamp(f / e, 0.0f, 1.0f) : 0.0f;
  } else if (e <= EPS) {
    u = 0.0f;
    s = clamp(-c / a, t_min, t_max);
  } else {
    const float b = dot(d, e_dir);
    const float denom = a * e - b * b;
    // Parallel pieces take the parameter nearest 0, then the segment's
    // parameter follows from it.
    s = std::fabs(denom) > EPS ? clamp((b * f - c * e) / denom, t_min, t_max)
                               : clamp_zero_into(t_min, t_max);
    u = (f + b * s) / e;
    if (u < 0.0f) {
      u = 0.0f;
      s = clamp(-c / a, t_min, t_max);
    } else if (u > 1.0f) {
      u = 1.0f;
      s = clamp((b - c) / a, t_min, t_max);
    }
  }
  return length_squared((o + d * s) - (p + e_dir * u));
}

// The first operand when strictly smaller (larger), else the second: the rule
// of the axis-aligned boxes, which differs from maxNum only for NaN and zeros.
inline Vec3 min_first(Vec3 a, Vec3 b) {
  return {a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.z < b.z ? a.z : b.z};
}
inline Vec3 max_first(Vec3 a, Vec3 b) {
  return {a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y, a.z > b.z ? a.z : b.z};
}

}  // namespace util
}  // namespace tangor
