#pragma once

#include <span>

#include "tangor/fwd.hpp"
#include "tangor/util.hpp"

namespace tangor::plane::ref_convex {

// A polygon read through borrowed arrays, built by its caller just before a
// test (ConvexPolygon::view) and living no longer than the polygon.
struct RefConvexPolygon {
  Vec3 center;
  Vec3 normal;
  Vec3 u_axis;
  Vec3 v_axis;
  std::span<const Vec2> vertices_2d;
  std::span<const Vec3> vertices_3d;
  std::span<const Vec2> edge_normals_2d;
  std::span<const float> edge_offsets_2d;
  float bounding_radius = 0.0f;

  // Squared 2-D distance from p to the closed outline; MAX_F32 without vertices.
  static float closest_edge_dist_sq_2d(std::span<const Vec2> vertices_2d, Vec2 p);

  // (x, y) of p relative to the centre, in the polygon's frame.
  Vec2 in_plane(Vec3 p) const;
  // Every edge admits p within 1e-6; a polygon without edges admits all.
  bool contains_2d(Vec2 p) const;

  // Squared distance between the segment start + s·vector (s in [0, 1]) and
  // the polygon region; 0 when the segment pierces it.
  float segment_dist_sq(Vec3 start, Vec3 vector) const;
  // The same for origin + t·direction, t in [t_min, t_max] (infinite bounds
  // allowed; t_min <= t_max, no NaN).
  float parametric_line_dist_sq(Vec3 origin, Vec3 direction, float t_min, float t_max) const;
};

// Separating axes with 1e-6 slack: normal, box axes, edge × box-axis crosses.
bool ref_polygon_cuboid_collides(const RefConvexPolygon& p, const cuboid::Cuboid& b);
// Separating axes with 1e-6 slack: normals, lifted edges, edge × edge crosses.
bool ref_polygon_polygon_collides(const RefConvexPolygon& a, const RefConvexPolygon& b);
// No slack; conservative (no edge × edge axes).
bool ref_polygon_polytope_collides(const RefConvexPolygon& p,
                                   const convex_polytope::refer::RefConvexPolytope& q);
// The capsule's bounding sphere against the polygon's, then its axis segment
// within radius of the polygon region.
bool ref_polygon_capsule_collides(const RefConvexPolygon& p, const capsule::Capsule& c);
// Some world vertex on the solid side or on the boundary.
bool ref_polygon_infinite_plane_collides(const RefConvexPolygon& p, const plane::infinite::Plane& plane);

}  // namespace tangor::plane::ref_convex
