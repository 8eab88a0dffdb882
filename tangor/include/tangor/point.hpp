#pragma once

#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"

namespace tangor::point {

// One position: the item of a compound collider's point collection. Its
// bounding sphere has radius 0.
struct Point {
  Vec3 position;

  friend constexpr bool operator==(const Point&, const Point&) = default;
};

}  // namespace tangor::point

namespace tangor {

using point::Point;

template <>
struct Transformable<Point> {
  static void translate(Point& p, Vec3 t) { p.position += t; }
  static void rotate_quat(Point& p, Quat q) { p.position = curvel::rotate(q, p.position); }
  static void rotate_mat(Point& p, const Mat3& m) { p.position = m * p.position; }
  static void transform(Point& p, const Affine3& a) { p.position = curvel::transform_point(a, p.position); }
  // A point has no size, and a uniform scale keeps every shape's reference
  // point: nothing changes.
  static void scale(Point&, float) {}
};

template <>
struct Bounded<Point> {
  static Sphere broadphase(const Point& p) { return {p.position, 0.0f}; }
  static cuboid::Cuboid aabb(const Point& p);
};

}  // namespace tangor
