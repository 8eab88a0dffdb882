// One collider against another: the kind masks, the two overall bounds and
// the per-kind lanes of both sides reject first; then every member of B is
// asked against A, the bounded and unbounded shapes by the single-shape
// queries, the points and point clouds by tests of their own.

#include <bit>

#include "collider/broad_steps.hpp"
#include "collider/members.hpp"
#include "tangor/collider.hpp"
#include "tangor/pairs.hpp"
#include "tangor/pointcloud/cloud_collection.hpp"

namespace tangor {

namespace {

using collider::gate;
using collider::item_scan;
using collider::lanes_admit;

// The member test of `query` against each item of the collection, behind
// one broad test of `bound` against all its lanes.
template <class Query, class T>
bool gated(const soa::BroadCollection<T>& collection, const Sphere& bound, const Query& query) {
  return gate(collection, bound, [&](const T& item) { return collides_member(query, item); });
}

template <class Query, class Items>
bool each(const Items& items, const Query& query) {
  return item_scan(items, [&](const auto& item) { return collides_member(query, item); });
}

// One point p of B against A. Segments, polygons, lines and rays never hold
// a point; planes do when p lies in their solid half-space.
bool point_hits(const Collider<>& a, const Point& p) {
  const Sphere ball{p.position, 0.0f};
  if (a.has(Kind::Spheres) && lanes_admit(a.spheres, ball)) return true;
  if (a.has(Kind::Points) && lanes_admit(a.points.spheres, ball)) return true;
  if (a.has(Kind::Capsules) && gated(a.capsules, ball, p)) return true;
  if (a.has(Kind::Cuboids) && gated(a.cuboids, ball, p)) return true;
  if (a.has(Kind::Cylinders) && gated(a.cylinders, ball, p)) return true;
  if (a.has(Kind::Polytopes) && gated(a.polytopes, ball, p)) return true;
  if (a.has(Kind::Planes) && each(a.planes, p)) return true;
  return a.has(Kind::Pointclouds) && gated(a.pointclouds, ball, p);
}

// One point cloud P of B against A, behind P's bounding sphere.
bool cloud_hits(const Collider<>& a, const Pointcloud& cloud) {
  const Sphere bound = Bounded<Pointcloud>::broadphase(cloud);
  if (a.has(Kind::Spheres) && lanes_admit(a.spheres, bound) &&
      collider::lane_loop(a.spheres, [&](const Sphere& s) { return collides_member(cloud, s); }))
    return true;
  if (a.has(Kind::Points) && gated(a.points, bound, cloud)) return true;
  if (a.has(Kind::Capsules) && gated(a.capsules, bound, cloud)) return true;
  if (a.has(Kind::Cuboids) && gated(a.cuboids, bound, cloud)) return true;
  if (a.has(Kind::Cylinders) && gated(a.cylinders, bound, cloud)) return true;
  if (a.has(Kind::Segments) && gated(a.segments, bound, cloud)) return true;
  if (a.has(Kind::Polygons) && gated(a.polygons, bound, cloud)) return true;
  if (a.has(Kind::Polytopes) && gated(a.polytopes, bound, cloud)) return true;
  if (a.has(Kind::Planes) && each(a.planes, cloud)) return true;
  if (a.has(Kind::Lines) && each(a.lines, cloud)) return true;
  if (a.has(Kind::Rays) && each(a.rays, cloud)) return true;
  return a.has(Kind::Pointclouds) && soa::collides(a.pointclouds, cloud);
}

// An infinite radius passes whatever the centres: an unbounded bound keeps
// the centre it had, which is NaN when its first members had NaN spheres.
bool bounds_apart(const Sphere& a, const Sphere& b) {
  if (a.radius == INF || b.radius == INF) return false;
  const float reach = a.radius + b.radius;
  return !(curvel::distance_squared(a.center, b.center) <= reach * reach);
}

// Every item of B's collection as a query against A.
template <class Items>
bool items_query(const Items& items, const Collider<>& a) {
  return item_scan(items, [&](const auto& item) { return query_collider(item, a); });
}

}  // namespace

bool collides_other(const Collider<>& a, const Collider<>& b) {
  if (a.mask == 0 || b.mask == 0) return false;
  if (bounds_apart(a.bounding, b.bounding)) return false;
  if (std::popcount(a.mask) > 1 || std::popcount(b.mask) > 1) {
    if (!b.broad_overlaps_any(a.bounding) && !a.broad_overlaps_any(b.bounding)) return false;
  }

  if (b.has(Kind::Spheres)) {
    if (a.spheres.len > 0) {
      for (std::size_t i = 0; i < a.spheres.len; ++i)
        if (b.spheres.any_collides_sphere_f32x8(a.spheres.sphere(i))) return true;
    }
    for (std::size_t j = 0; j < b.spheres.len; ++j)
      if (query_collider(b.spheres.sphere(j), a)) return true;
  }
  if (b.has(Kind::Points) && item_scan(b.points.items, [&](const Point& p) { return point_hits(a, p); }))
    return true;
  if (b.has(Kind::Capsules) && items_query(b.capsules.items, a)) return true;
  if (b.has(Kind::Cuboids) && items_query(b.cuboids.items, a)) return true;
  if (b.has(Kind::Cylinders) && items_query(b.cylinders.items, a)) return true;
  if (b.has(Kind::Segments) && items_query(b.segments.items, a)) return true;
  if (b.has(Kind::Polygons) && items_query(b.polygons.items, a)) return true;
  if (b.has(Kind::Polytopes) && items_query(b.polytopes.items, a)) return true;
  if (b.has(Kind::Planes) && items_query(b.planes, a)) return true;
  if (b.has(Kind::Lines) && items_query(b.lines, a)) return true;
  if (b.has(Kind::Rays) && items_query(b.rays, a)) return true;
  return b.has(Kind::Pointclouds) &&
         item_scan(b.pointclouds.items, [&](const Pointcloud& cloud) { return cloud_hits(a, cloud); });
}

}  // namespace tangor
