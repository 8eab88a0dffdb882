#pragma once

#include "tangor/capsule.hpp"
#include "tangor/traits.hpp"

namespace tangor::cylinder {

// A flat-capped cylinder about the segment p1 .. p1 + dir: the points whose
// axial parameter lies in [0, 1] and whose distance from the axis is at most
// `radius`. Same fields and derivation as a capsule.
struct Cylinder {
  Vec3 p1;
  Vec3 dir;
  float radius = 0.0f;
  float rdv = 0.0f;     // derived
  bool z_aligned = true;  // derived

  static Cylinder create(Vec3 p1, Vec3 p2, float radius);

  // The capsule's bound, which encloses the cylinder.
  Sphere broadphase() const;

  // 0 <= t <= 1 and the radial distance within radius, t = ((x − p1)·dir)·rdv.
  bool contains(Vec3 x) const;

  friend bool operator==(const Cylinder&, const Cylinder&) = default;
};

// Sampled; measures from the axis in one stage, so near a cap it behaves as
// the capsule about the axis.
bool cylinder_cuboid_collides(const Cylinder& c, const cuboid::Cuboid& b);
bool cylinder_cuboid_collides_query(const Cylinder& c, const cuboid::Cuboid& b);

// Sampled at eight parameters of the capsule's axis.
bool cylinder_capsule_collides(const Cylinder& c, const capsule::Capsule& k);
bool cylinder_capsule_collides_query(const Cylinder& c, const capsule::Capsule& k);

// Capsule-like at the caps.
bool cylinder_polygon_collides_query(const Cylinder& c, const plane::ref_convex::RefConvexPolygon& p);

// Conservative. The query form skips the bounding-sphere reject; a
// zero-length cylinder is tested as a ball of its radius against the face
// planes in both forms.
bool cylinder_polytope_collides_query(const Cylinder& c, const convex_polytope::refer::RefConvexPolytope& p);

// Exact.
bool line_cylinder_collides(Vec3 o, Vec3 d, const Cylinder& c, float t_min, float t_max);

}  // namespace tangor::cylinder

namespace tangor {

using cylinder::Cylinder;

template <>
struct Transformable<Cylinder> : AxisShapeMoves<Cylinder> {};

template <>
struct Bounded<Cylinder> {
  static Sphere broadphase(const Cylinder& c) { return c.broadphase(); }
  static cuboid::Cuboid aabb(const Cylinder& c);
};

template <>
struct Collides<Cylinder, plane::convex::ConvexPolygon> {
  static bool test(const Cylinder& c, const plane::convex::ConvexPolygon& p);
};

template <>
struct Collides<Cylinder, convex_polytope::heap::ConvexPolytope> {
  static bool test(const Cylinder& c, const convex_polytope::heap::ConvexPolytope& p);
};

}  // namespace tangor
