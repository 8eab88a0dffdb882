#pragma once

#include <span>

#include "curvel/line.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/traits.hpp"

// The collision side of the line kinds: their tests against boxes and
// polytopes, their moves and the segment's bounds. Every test takes the kind
// as a line piece (util::LinePiece).

namespace tangor::line {

// Slab clipping in the box frame, always through the three axes. Exact.
bool line_cuboid_collides(Vec3 o, Vec3 d, const Cuboid& b, float t_min, float t_max);

// The obb slabs, then clipping against the face planes from the unclipped
// range. Exact for a polytope whose planes describe it.
bool line_polytope_collides(Vec3 o, Vec3 d, std::span<const Plane> planes, const Cuboid& obb,
                            float t_min, float t_max);

inline bool line_cuboid_collides(const util::LinePiece& l, const Cuboid& b) {
  return line_cuboid_collides(l.origin, l.dir, b, l.t_min, l.t_max);
}

}  // namespace tangor::line

namespace tangor {

// origin (start, end) moves as a point, dir as a direction.
template <class L>
struct RayLikeMoves {
  static void translate(L& l, Vec3 t) { l.origin += t; }
  static void rotate_quat(L& l, Quat q) {
    l.origin = curvel::rotate(q, l.origin);
    l.dir = curvel::rotate(q, l.dir);
  }
  static void rotate_mat(L& l, const Mat3& m) {
    l.origin = m * l.origin;
    l.dir = m * l.dir;
  }
  static void transform(L& l, const Affine3& a) {
    l.origin = curvel::transform_point(a, l.origin);
    l.dir = curvel::transform_vector(a, l.dir);
  }
  static void scale(L& l, float f) { l.dir *= f; }
};

template <>
struct Transformable<curvel::Line> : RayLikeMoves<curvel::Line> {};
template <>
struct Transformable<curvel::Ray> : RayLikeMoves<curvel::Ray> {};

template <>
struct Transformable<curvel::LineSegment> {
  static void translate(curvel::LineSegment& s, Vec3 t) {
    s.start += t;
    s.end += t;
  }
  static void rotate_quat(curvel::LineSegment& s, Quat q) {
    s.start = curvel::rotate(q, s.start);
    s.end = curvel::rotate(q, s.end);
  }
  static void rotate_mat(curvel::LineSegment& s, const Mat3& m) {
    s.start = m * s.start;
    s.end = m * s.end;
  }
  static void transform(curvel::LineSegment& s, const Affine3& a) {
    s.start = curvel::transform_point(a, s.start);
    s.end = curvel::transform_point(a, s.end);
  }
  static void scale(curvel::LineSegment& s, float f) { s.end = s.start + (s.end - s.start) * f; }
};

template <>
struct Bounded<curvel::LineSegment> {
  static Sphere broadphase(const curvel::LineSegment& s) {
    return {(s.start + s.end) * 0.5f, length(s.end - s.start) * 0.5f};
  }
  static Cuboid aabb(const curvel::LineSegment& s);
};

}  // namespace tangor
