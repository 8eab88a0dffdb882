#pragma once

#include <span>

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/convex_polytope/refer.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/sphere.hpp"

// Whether a point cloud touches a shape: some point's ball of point_radius
// meets it (touching counts). The shape is first brought into the cloud's
// own frame through inverse_transform; the points are never moved.
//
// Two families: the Collides<Pointcloud, X> tests (the shape classes) first
// ask the tree whether any point lies within the shape's bounding sphere, and
// trust a "no" only where the tree is exact (the effective radius within
// r_range); the collides_query forms (the collider, which ran its own broad
// phase) go straight to the scan of the points.
namespace tangor::pointcloud {

bool collides_query(const Pointcloud& cloud, const Plane& plane);
bool collides_query(const Pointcloud& cloud, const ConvexPolygon& polygon);
bool collides_query(const Pointcloud& cloud, const Capsule& capsule);
bool collides_query(const Pointcloud& cloud, const Cuboid& box);
bool collides_query(const Pointcloud& cloud, const Cylinder& cylinder);
bool collides_query(const Pointcloud& cloud, const curvel::Line& line);
bool collides_query(const Pointcloud& cloud, const curvel::Ray& ray);
bool collides_query(const Pointcloud& cloud, const curvel::LineSegment& segment);
// The polytope by its face planes alone: a point within point_radius of the
// inside of every plane (a polytope with no planes is hit by any point).
bool collides_query(const Pointcloud& cloud, std::span<const Plane> polytope_planes);

// The shape-class polytope test: the tree with the obb's bounding sphere,
// then the planes.
bool collides_polytope_ref(const Pointcloud& cloud, const convex_polytope::refer::RefConvexPolytope& polytope);

// A ball given in world coordinates: its centre is mapped into the cloud's
// frame (the radius is kept) and looked up exactly.
bool collides_ball(const Pointcloud& cloud, const Sphere& ball);

}  // namespace tangor::pointcloud

namespace tangor {

template <>
struct Collides<Pointcloud, Plane> {
  static bool test(const Pointcloud& c, const Plane& s) { return pointcloud::collides_query(c, s); }
};
template <>
struct Collides<Pointcloud, ConvexPolygon> {
  static bool test(const Pointcloud& c, const ConvexPolygon& s) { return pointcloud::collides_query(c, s); }
};
template <>
struct Collides<Pointcloud, ConvexPolytope> {
  static bool test(const Pointcloud& c, const ConvexPolytope& s) {
    return pointcloud::collides_polytope_ref(c, s.view());
  }
};
template <>
struct Collides<Pointcloud, Capsule> {
  static bool test(const Pointcloud& c, const Capsule& s);
};
template <>
struct Collides<Pointcloud, Cuboid> {
  static bool test(const Pointcloud& c, const Cuboid& s);
};
template <>
struct Collides<Pointcloud, Cylinder> {
  static bool test(const Pointcloud& c, const Cylinder& s);
};
template <>
struct Collides<Pointcloud, curvel::Line> {
  static bool test(const Pointcloud& c, const curvel::Line& s) { return pointcloud::collides_query(c, s); }
};
template <>
struct Collides<Pointcloud, curvel::Ray> {
  static bool test(const Pointcloud& c, const curvel::Ray& s) { return pointcloud::collides_query(c, s); }
};
template <>
struct Collides<Pointcloud, curvel::LineSegment> {
  static bool test(const Pointcloud& c, const curvel::LineSegment& s) { return pointcloud::collides_query(c, s); }
};

}  // namespace tangor
