#include "tangor/convex_polytope/refer.hpp"

#include <cmath>

#include "convex_polytope/face_lanes.hpp"

namespace tangor::convex_polytope::refer {

bool RefConvexPolytope::collides_cuboid_query(std::span<const Plane> planes, const Cuboid& b) {
  const auto& h = b.half_extents;
  for (const Plane& plane : planes) {
    const Vec3 n = plane.normal;
    const float lowest = dot(n, b.center) - (h[0] * std::fabs(dot(n, b.axes[0])) + h[1] * std::fabs(dot(n, b.axes[1])) +
                                             h[2] * std::fabs(dot(n, b.axes[2])));
    if (lowest > plane.d) return false;
  }
  return true;
}

bool RefConvexPolytope::collides_capsule_query(std::span<const Plane> planes, const Capsule& c) {
  const Vec3 p2 = c.p1 + c.dir;
  for (const Plane& plane : planes) {
    if (min(dot(plane.normal, c.p1), dot(plane.normal, p2)) - c.radius > plane.d) return false;
  }
  return true;
}

bool RefConvexPolytope::collides_polytope_query(const RefConvexPolytope& other) const {
  using face_lanes::some_face_separates;
  if (some_face_separates(planes, other.vertices)) return false;
  if (other.planes.empty()) return true;
  return !some_face_separates(other.planes, vertices);
}

bool RefConvexPolytope::collides_polytope(const RefConvexPolytope& other) const {
  if (!cuboid::cuboids_collide(obb, other.obb)) return false;
  return collides_polytope_query(other);
}

bool RefConvexPolytope::collides_cuboid(const Cuboid& b) const {
  if (!cuboid::cuboids_collide(b, obb)) return false;
  return collides_cuboid_query(planes, b);
}

bool RefConvexPolytope::collides_capsule(const Capsule& c) const {
  const Sphere bound = c.broadphase();
  if (!(obb.point_dist_sq(bound.center) <= bound.radius * bound.radius)) return false;
  return collides_capsule_query(planes, c);
}

}  // namespace tangor::convex_polytope::refer
