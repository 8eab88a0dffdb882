#pragma once

#include <span>
#include <vector>

#include "tangor/convex_polytope/refer.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/plane/infinite.hpp"

namespace tangor::convex_polytope::heap {

// A convex solid as the intersection of its face planes (outward normals)
// and by its corner points. obb is derived from the vertices and serves as a
// broad reject.
struct ConvexPolytope {
  std::vector<Plane> planes;
  std::vector<Vec3> vertices;
  Cuboid obb;

  // planes and vertices are kept as given; obb is the principal-axes box.
  static ConvexPolytope create(std::vector<Plane> planes, std::vector<Vec3> vertices);

  refer::RefConvexPolytope view() const { return {planes, vertices, obb}; }

  friend bool operator==(const ConvexPolytope&, const ConvexPolytope&) = default;
};

// An oriented box over the points along the eigenvectors of their
// covariance (Jacobi rotations); any orthonormal axes would bound them.
Cuboid principal_axes_box(std::span<const Vec3> points);

}  // namespace tangor::convex_polytope::heap

namespace tangor {

using convex_polytope::heap::ConvexPolytope;

template <>
struct Transformable<ConvexPolytope> {
  static void translate(ConvexPolytope& p, Vec3 t);
  static void rotate_quat(ConvexPolytope& p, Quat q);
  static void rotate_mat(ConvexPolytope& p, const Mat3& m);
  static void transform(ConvexPolytope& p, const Affine3& a);
  // About the world origin: vertices, offsets, and the obb's centre and
  // extents, so the box keeps bounding the solid.
  static void scale(ConvexPolytope& p, float f);
};

template <>
struct Bounded<ConvexPolytope> {
  static Sphere broadphase(const ConvexPolytope& p) { return {p.obb.center, p.obb.half_diagonal()}; }
  static Cuboid aabb(const ConvexPolytope& p) { return Bounded<Cuboid>::aabb(p.obb); }
};

}  // namespace tangor
