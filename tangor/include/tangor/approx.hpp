#pragma once

// Approximate comparison of shapes: every compared f32 pair within an
// absolute tolerance, lists of equal length compared in order. A NaN
// component or tolerance, or equal infinities, compare false. Derived fields
// are not compared (the polytope's obb is, being its only box).

#include <cmath>
#include <vector>

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/point.hpp"
#include "tangor/sphere.hpp"

namespace tangor::approx {

inline bool abs_diff_eq(float a, float b, float eps) { return std::fabs(a - b) <= eps; }
inline bool abs_diff_eq(Vec3 a, Vec3 b, float eps) {
  return abs_diff_eq(a.x, b.x, eps) && abs_diff_eq(a.y, b.y, eps) && abs_diff_eq(a.z, b.z, eps);
}
inline bool abs_diff_eq(Vec2 a, Vec2 b, float eps) { return abs_diff_eq(a.x, b.x, eps) && abs_diff_eq(a.y, b.y, eps); }

// Declared before the list templates, which look them up where they are
// defined (the shape types live in other namespaces, out of reach of ADL).
bool abs_diff_eq(const Plane& a, const Plane& b, float eps);
bool abs_diff_eq(const Cuboid& a, const Cuboid& b, float eps);

template <class T, std::size_t N>
bool abs_diff_eq(const std::array<T, N>& a, const std::array<T, N>& b, float eps) {
  for (std::size_t i = 0; i < N; ++i)
    if (!abs_diff_eq(a[i], b[i], eps)) return false;
  return true;
}

template <class T>
bool abs_diff_eq(const std::vector<T>& a, const std::vector<T>& b, float eps) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!abs_diff_eq(a[i], b[i], eps)) return false;
  return true;
}

inline bool abs_diff_eq(const Sphere& a, const Sphere& b, float eps) {
  return abs_diff_eq(a.center, b.center, eps) && abs_diff_eq(a.radius, b.radius, eps);
}
inline bool abs_diff_eq(const Point& a, const Point& b, float eps) { return abs_diff_eq(a.position, b.position, eps); }
inline bool abs_diff_eq(const Capsule& a, const Capsule& b, float eps) {
  return abs_diff_eq(a.p1, b.p1, eps) && abs_diff_eq(a.dir, b.dir, eps) && abs_diff_eq(a.radius, b.radius, eps);
}
inline bool abs_diff_eq(const Cylinder& a, const Cylinder& b, float eps) {
  return abs_diff_eq(a.p1, b.p1, eps) && abs_diff_eq(a.dir, b.dir, eps) && abs_diff_eq(a.radius, b.radius, eps);
}
inline bool abs_diff_eq(const Cuboid& a, const Cuboid& b, float eps) {
  return abs_diff_eq(a.center, b.center, eps) && abs_diff_eq(a.axes, b.axes, eps) &&
         abs_diff_eq(a.half_extents, b.half_extents, eps);
}
inline bool abs_diff_eq(const Plane& a, const Plane& b, float eps) {
  return abs_diff_eq(a.normal, b.normal, eps) && abs_diff_eq(a.d, b.d, eps);
}
inline bool abs_diff_eq(const curvel::Line& a, const curvel::Line& b, float eps) {
  return abs_diff_eq(a.origin, b.origin, eps) && abs_diff_eq(a.dir, b.dir, eps);
}
inline bool abs_diff_eq(const curvel::Ray& a, const curvel::Ray& b, float eps) {
  return abs_diff_eq(a.origin, b.origin, eps) && abs_diff_eq(a.dir, b.dir, eps);
}
inline bool abs_diff_eq(const curvel::LineSegment& a, const curvel::LineSegment& b, float eps) {
  return abs_diff_eq(a.start, b.start, eps) && abs_diff_eq(a.end, b.end, eps);
}
inline bool abs_diff_eq(const ConvexPolygon& a, const ConvexPolygon& b, float eps) {
  return abs_diff_eq(a.center, b.center, eps) && abs_diff_eq(a.normal, b.normal, eps) &&
         abs_diff_eq(a.u_axis, b.u_axis, eps) && abs_diff_eq(a.v_axis, b.v_axis, eps) &&
         abs_diff_eq(a.vertices_2d, b.vertices_2d, eps);
}
inline bool abs_diff_eq(const ConvexPolytope& a, const ConvexPolytope& b, float eps) {
  return abs_diff_eq(a.obb, b.obb, eps) && abs_diff_eq(a.planes, b.planes, eps) &&
         abs_diff_eq(a.vertices, b.vertices, eps);
}

}  // namespace tangor::approx
