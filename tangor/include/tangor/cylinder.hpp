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
  // The point of the solid nearest x (x itself inside). With rdv 0 the solid
  // is the ball of radius about p1, as for contains.
  Vec3 nearest_point(Vec3 x) const;

  friend bool operator==(const Cylinder&, const Cylinder&) = default;
};

// Measures from the axis, so near a cap it behaves as the capsule about the
// axis: axis samples and box corners first, then the exact axis-to-box
// distance, which finds every overlap that the samples miss.
bool cylinder_cuboid_collides(const Cylinder& c, const cuboid::Cuboid& b);
bool cylinder_cuboid_collides_query(const Cylinder& c, const cuboid::Cuboid& b);
// The sampled stages alone: the axis segment's ends and face-plane crossings
// within radius of the box, or a box corner inside the cylinder.
bool sampled_cylinder_cuboid_hit(const Cylinder& c, const cuboid::Cuboid& b);

// Balls about eight parameters of the capsule's axis first, then the
// nearest approach of that axis to the solid: no overlap is missed.
bool cylinder_capsule_collides(const Cylinder& c, const capsule::Capsule& k);
bool cylinder_capsule_collides_query(const Cylinder& c, const capsule::Capsule& k);
// The sampled stage alone: the balls about the capsule's axis at its ends,
// its nearest parameter to the cylinder's axis line, its cap-plane crossings
// and its quarters.
bool sampled_cylinder_capsule_hit(const Cylinder& c, const capsule::Capsule& k);

// Capsule-like at the caps: a vertex inside, or the axis segment within
// radius of the polygon region.
bool cylinder_polygon_collides(const Cylinder& c, const plane::convex::ConvexPolygon& p);
bool cylinder_polygon_collides_query(const Cylinder& c, const plane::ref_convex::RefConvexPolygon& p);

// Conservative. The query form skips the bounding-sphere reject. Past that
// reject, a zero-length cylinder (dir·dir <= EPS) or a polytope without
// planes is a contact: the face test needs an axis and faces.
bool cylinder_polytope_collides(const Cylinder& c, const convex_polytope::heap::ConvexPolytope& p);
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

}  // namespace tangor
