// Random compound colliders and the brute-force member loop that the
// collider tests compare against: "some member collides", each member tested
// by the catalogue's member form, with no broad step.
#pragma once

#include <array>
#include <span>
#include <type_traits>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "oracle_shapes.hpp"
#include "tangor/collider.hpp"
#include "tangor/pairs.hpp"

namespace collider_fixtures {

using namespace tangor;
namespace pt = tangor::collider;

inline Pointcloud make_cloud(const std::vector<pointcloud::capt::Point3>& points, float point_radius) {
  auto built = Pointcloud::try_create(points, {0.0f, 2.0f}, point_radius);
  return std::get<Pointcloud>(std::move(built));
}

// Points enter a collider only through include or reading: this is the
// reading's result, with the lanes and the bound derived afresh.
inline void add_point(Collider<>& c, Vec3 p) {
  c.points.push(Point{p});
  c.rebuild_bounding();
}

struct Scene : oracle::Shapes {
  using oracle::Shapes::Shapes;

  Plane plane() {
    const Vec3 n = curvel::normalize(point(1.0f) + Vec3{0.0f, 0.0f, 0.01f});
    return {n, uniform(-4.0f, -1.0f)};
  }
  curvel::Line line() { return {point(3.0f), point(1.0f)}; }
  curvel::Ray ray() { return {point(3.0f), point(1.0f)}; }
  curvel::LineSegment segment() {
    const Vec3 a = point();
    return {a, a + point(1.0f)};
  }
  // Up to `max_points` points within `spread` of a random centre, of a
  // random point radius in [rp_lo, rp_hi]; half of them moved.
  Pointcloud cloud(int max_points = 20, float spread = 0.6f, float rp_lo = 0.0f, float rp_hi = 0.15f) {
    const Vec3 c = point();
    std::vector<pointcloud::capt::Point3> pts;
    const int n = 1 + int(rng() % unsigned(max_points));
    for (int i = 0; i < n; ++i) {
      const Vec3 p = c + point(spread);
      pts.push_back({p.x, p.y, p.z});
    }
    Pointcloud cloud = make_cloud(pts, uniform(rp_lo, rp_hi));
    if (rng() % 2) {
      Transformable<Pointcloud>::rotate_quat(cloud, rotation());
      Transformable<Pointcloud>::translate(cloud, point(0.5f));
    }
    return cloud;
  }
  ConvexPolytope polytope() { return rng() % 2 ? tetrahedron() : polytope_from_box(box()); }

  // Up to `per_kind` members of every kind whose bit is in `kinds`, spread
  // over a cube of side about 8.
  Collider<> collider(int per_kind, std::uint16_t kinds) {
    Collider<> c;
    const auto count = [&](Kind k) { return (kinds & bit(k)) ? int(rng() % (per_kind + 1)) : 0; };
    const auto spread = [&](auto shape) {
      translate(shape, point(2.0f));
      return shape;
    };
    for (int i = count(Kind::Spheres); i > 0; --i) c.add(spread(sphere()));
    for (int i = count(Kind::Capsules); i > 0; --i) c.add(spread(capsule(rng() % 4 == 0)));
    for (int i = count(Kind::Cuboids); i > 0; --i) c.add(spread(box(rng() % 3 == 0)));
    for (int i = count(Kind::Cylinders); i > 0; --i) c.add(spread(cylinder()));
    for (int i = count(Kind::Polygons); i > 0; --i) c.add(spread(polygon()));
    for (int i = count(Kind::Polytopes); i > 0; --i) c.add(spread(polytope()));
    for (int i = count(Kind::Segments); i > 0; --i) c.add(spread(segment()));
    for (int i = count(Kind::Planes); i > 0; --i) c.add(plane());
    for (int i = count(Kind::Lines); i > 0; --i) c.add(line());
    for (int i = count(Kind::Rays); i > 0; --i) c.add(ray());
    for (int i = count(Kind::Pointclouds); i > 0; --i) c.add(cloud());
    for (int i = count(Kind::Points); i > 0; --i) add_point(c, point(3.0f));
    return c;
  }
};

inline constexpr std::uint16_t ALL_KINDS = 0x0FFF;

// The query's bounding sphere, or none for the unbounded kinds.
template <class Q>
std::optional<Sphere> query_bound(const Q& q) {
  if constexpr (std::is_same_v<Q, Plane> || std::is_same_v<Q, curvel::Line> || std::is_same_v<Q, curvel::Ray>) {
    return std::nullopt;
  } else {
    return broadphase(q);
  }
}

// For every member m: f(collides_member(q, m), the member's bounding sphere
// when it has one).
template <class Q, class F>
void for_each_member_answer(const Q& q, const Collider<>& c, F&& f) {
  const auto bounded = [&](const auto& items) {
    for (const auto& m : items) f(collides_member(q, m), std::optional<Sphere>(broadphase(m)));
  };
  const auto unbounded = [&](const auto& items) {
    for (const auto& m : items) f(collides_member(q, m), std::optional<Sphere>());
  };
  for (std::size_t i = 0; i < c.spheres.len; ++i)
    f(collides_member(q, c.spheres.sphere(i)), std::optional<Sphere>(c.spheres.sphere(i)));
  bounded(c.points.items);
  bounded(c.capsules.items);
  bounded(c.cuboids.items);
  bounded(c.cylinders.items);
  bounded(c.segments.items);
  bounded(c.polygons.items);
  bounded(c.polytopes.items);
  unbounded(c.planes);
  unbounded(c.lines);
  unbounded(c.rays);
  bounded(c.pointclouds.items);
}

// "Some member collides", twice: over every member, and over the members
// whose bounding sphere meets the query's. The collider's answer must lie
// between the two: it runs no test but the pair test, and every broad step
// lets through a member whose sphere meets the query's. The two differ only
// for the conservative pair tests (face planes only, no edge axes), which can
// report members whose spheres the query does not reach.
struct BruteAnswer {
  bool any = false;
  bool near = false;
};

template <class Q>
BruteAnswer brute_force(const Q& q, const Collider<>& c) {
  BruteAnswer answer;
  const std::optional<Sphere> bound = query_bound(q);
  for_each_member_answer(q, c, [&](bool hit, const std::optional<Sphere>& member) {
    if (!hit) return;
    answer.any = true;
    if (!bound || !member || !sphere::spheres_apart(*bound, *member)) answer.near = true;
  });
  return answer;
}

// Every lane of every bounded collection encloses its item's bound (up to a
// rounding slack), and the overall bound encloses every lane.
inline ::testing::AssertionResult bounds_enclose(const Collider<>& c, float slack = 1e-4f) {
  const auto encloses = [&](const Sphere& outer, const Sphere& inner) {
    if (std::isinf(outer.radius)) return true;
    const float d = curvel::distance(outer.center, inner.center);
    return d + inner.radius <= outer.radius + slack * (1.0f + std::fabs(outer.radius) + d);
  };
  const auto check_collection = [&](const auto& col, const char* name) -> ::testing::AssertionResult {
    for (std::size_t i = 0; i < col.items.size(); ++i) {
      const Sphere lane = col.spheres.sphere(i);
      if (!encloses(lane, broadphase(col.items[i])))
        return ::testing::AssertionFailure() << name << " lane " << i << " does not enclose its item";
      if (!c.holds_unbounded() && !encloses(c.bounding, lane))
        return ::testing::AssertionFailure() << "bound does not enclose " << name << " lane " << i;
    }
    return ::testing::AssertionSuccess();
  };
  for (std::size_t i = 0; i < c.spheres.len; ++i)
    if (!c.holds_unbounded() && !encloses(c.bounding, c.spheres.sphere(i)))
      return ::testing::AssertionFailure() << "bound does not enclose sphere " << i;
  for (auto r : {check_collection(c.capsules, "capsule"), check_collection(c.cuboids, "cuboid"),
                 check_collection(c.cylinders, "cylinder"), check_collection(c.polygons, "polygon"),
                 check_collection(c.polytopes, "polytope"), check_collection(c.points, "point"),
                 check_collection(c.segments, "segment"), check_collection(c.pointclouds, "pointcloud")})
    if (!r) return r;
  if (c.holds_unbounded() && c.bounding.radius != INF) return ::testing::AssertionFailure() << "finite bound";
  return ::testing::AssertionSuccess();
}

}  // namespace collider_fixtures
