#pragma once

#include <vector>

#include "tangor/plane/ref_convex.hpp"
#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"

namespace tangor::plane::convex {

// A flat convex polygon, held in its own 2-D frame (center, u_axis, v_axis)
// and in world coordinates. The edge data, world vertices and bounding
// radius are derived from vertices_2d and the frame; the three 2-D arrays
// hold one entry per vertex.
struct ConvexPolygon {
  Vec3 center;
  Vec3 normal;
  Vec3 u_axis;
  Vec3 v_axis;
  std::vector<Vec2> vertices_2d;      // counter-clockwise in the frame
  std::vector<Vec3> vertices_3d;      // derived
  std::vector<Vec2> edge_normals_2d;  // derived: outward unit normal of edge i
  std::vector<float> edge_offsets_2d;  // derived: edge normal · vertex i
  float bounding_radius = 0.0f;       // derived

  // The frame is chosen from the normal: u = normalize(normal × r) with the
  // reference r = (0, 1, 0) unless |normal.y| >= 0.9 (then (1, 0, 0)),
  // v = u × normal.
  static ConvexPolygon create(Vec3 center, Vec3 normal, std::vector<Vec2> vertices_2d);
  // A clockwise outline is reversed; nothing is validated or normalised.
  static ConvexPolygon with_axes(Vec3 center, Vec3 normal, Vec3 u_axis, Vec3 v_axis,
                                 std::vector<Vec2> vertices_2d);

  // Whoever changes vertices_2d calls recompute_edges, then recompute_3d.
  void recompute_edges();
  void recompute_3d();

  ref_convex::RefConvexPolygon view() const;

  friend bool operator==(const ConvexPolygon&, const ConvexPolygon&) = default;
};

}  // namespace tangor::plane::convex

namespace tangor {

using plane::convex::ConvexPolygon;

template <>
struct Transformable<ConvexPolygon> {
  // The 2-D data moves with the frame and is left as it is.
  static void translate(ConvexPolygon& p, Vec3 t);
  static void rotate_quat(ConvexPolygon& p, Quat q);
  static void rotate_mat(ConvexPolygon& p, const Mat3& m);
  static void transform(ConvexPolygon& p, const Affine3& a);
  // Scales the 2-D vertices about the centre and rebuilds the derived data.
  static void scale(ConvexPolygon& p, float f);
};

template <>
struct Bounded<ConvexPolygon> {
  static Sphere broadphase(const ConvexPolygon& p) { return {p.center, p.bounding_radius}; }
  static cuboid::Cuboid aabb(const ConvexPolygon& p);
};

}  // namespace tangor
