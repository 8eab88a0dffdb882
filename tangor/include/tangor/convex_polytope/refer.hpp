#pragma once

#include <span>

#include "tangor/cuboid.hpp"
#include "tangor/plane/infinite.hpp"

namespace tangor::convex_polytope::refer {

// A polytope read through borrowed arrays; lives no longer than the owner.
struct RefConvexPolytope {
  std::span<const Plane> planes;
  std::span<const Vec3> vertices;
  Cuboid obb;

  // Conservative: the obb, then each face plane against the box.
  bool collides_cuboid(const Cuboid& b) const;
  // Conservative: the capsule's bound against the obb, then each face plane.
  bool collides_capsule(const Capsule& c) const;

  // Conservative: the two obbs by the box test, then collides_polytope_query.
  bool collides_polytope(const RefConvexPolytope& other) const;
  // Face planes only, both ways (no edge × edge axes, no obb): no face plane
  // of either may have the other's vertices wholly beyond it.
  bool collides_polytope_query(const RefConvexPolytope& other) const;

  // The query forms: the face planes only, no obb pre-test. They can answer
  // true where the full forms answer false.
  static bool collides_cuboid_query(std::span<const Plane> planes, const Cuboid& b);
  static bool collides_capsule_query(std::span<const Plane> planes, const Capsule& c);
};

}  // namespace tangor::convex_polytope::refer
