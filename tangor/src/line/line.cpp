#include "tangor/line/line.hpp"

#include <cmath>

namespace tangor::line {

bool line_cuboid_collides(Vec3 o, Vec3 d, const Cuboid& b, float t_min, float t_max) {
  const Vec3 w = o - b.center;
  float lo = t_min;
  float hi = t_max;
  for (int i = 0; i < 3; ++i) {
    const float e = dot(w, b.axes[i]);
    const float f = dot(d, b.axes[i]);
    const float h = b.half_extents[i];
    if (std::fabs(f) > EPS) {
      const float k = 1.0f / f;
      const float t1 = (-h - e) * k;
      const float t2 = (h - e) * k;
      const float near = t1 < t2 ? t1 : t2;
      const float far = t1 < t2 ? t2 : t1;
      lo = max(lo, near);
      hi = min(hi, far);
      if (lo > hi) return false;
    } else if (std::fabs(e) > h) {
      // Parallel to the slab and outside it.
      return false;
    }
  }
  return lo <= hi;
}

bool line_polytope_collides(Vec3 o, Vec3 d, std::span<const Plane> planes, const Cuboid& obb, float t_min,
                            float t_max) {
  if (!line_cuboid_collides(o, d, obb, t_min, t_max)) return false;
  float lo = t_min;
  float hi = t_max;
  for (const Plane& plane : planes) {
    const float num = plane.d - dot(plane.normal, o);
    const float den = dot(plane.normal, d);
    if (std::fabs(den) > EPS) {
      const float t = num / den;
      if (den < 0.0f) {
        lo = max(lo, t);  // entering the half-space
      } else {
        hi = min(hi, t);  // leaving it
      }
      if (lo > hi) return false;
    } else if (num < 0.0f) {
      return false;
    }
  }
  return lo <= hi;
}

}  // namespace tangor::line

namespace tangor {

Cuboid Bounded<curvel::LineSegment>::aabb(const curvel::LineSegment& s) {
  return cuboid::aabb_from_bounds(util::min_first(s.start, s.end), util::max_first(s.start, s.end));
}

}  // namespace tangor
