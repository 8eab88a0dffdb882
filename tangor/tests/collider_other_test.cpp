#include <gtest/gtest.h>

#include "collider_fixtures.hpp"

namespace {

using namespace collider_fixtures;

// A point or a point cloud of B against every member of A, by the
// catalogue's member form.
template <class Q>
bool member_of_a_hit(const Collider<>& a, const Q& q) {
  bool hit = false;
  const auto each = [&](const auto& items) {
    for (const auto& m : items) hit |= collides_member(q, m);
  };
  for (std::size_t i = 0; i < a.spheres.len; ++i) hit |= collides_member(q, a.spheres.sphere(i));
  each(a.points.items);
  each(a.capsules.items);
  each(a.cuboids.items);
  each(a.cylinders.items);
  each(a.polytopes.items);
  each(a.segments.items);
  each(a.polygons.items);
  each(a.planes);
  each(a.lines);
  each(a.rays);
  each(a.pointclouds.items);
  return hit;
}

// "Some member of B touches some member of A", member by member: the
// single-shape query for the query kinds, the tests above for points and
// clouds.
bool member_loop(const Collider<>& a, const Collider<>& b) {
  bool hit = false;
  for (std::size_t i = 0; i < b.spheres.len; ++i) hit |= query_collider(b.spheres.sphere(i), a);
  for (const Point& p : b.points.items) hit |= member_of_a_hit(a, p);
  const auto each = [&](const auto& items) {
    for (const auto& m : items) hit |= query_collider(m, a);
  };
  each(b.capsules.items);
  each(b.cuboids.items);
  each(b.cylinders.items);
  each(b.segments.items);
  each(b.polygons.items);
  each(b.polytopes.items);
  each(b.planes);
  each(b.lines);
  each(b.rays);
  for (const Pointcloud& cloud : b.pointclouds.items) hit |= member_of_a_hit(a, cloud);
  return hit;
}

// With exact member tests only, the overall and per-kind bounds reject
// nothing that touches: the answer is the member loop's. The point and
// cloud members are tested as the loop above tests them.
TEST(ColliderOther, AgreesWithTheMemberLoop) {
  Scene s(1);
  const std::uint16_t exact_kinds = bit(Kind::Spheres) | bit(Kind::Capsules) | bit(Kind::Cuboids) |
                                    bit(Kind::Segments) | bit(Kind::Points) | bit(Kind::Planes) |
                                    bit(Kind::Pointclouds);
  int hits = 0;
  for (int round = 0; round < 400; ++round) {
    const Collider<> a = s.collider(3, exact_kinds & ~bit(Kind::Planes));
    const Collider<> b = s.collider(3, round % 4 == 0 ? exact_kinds : exact_kinds & ~bit(Kind::Planes));
    const bool answer = collides_other(a, b);
    ASSERT_EQ(answer, member_loop(a, b)) << round;
    hits += answer;
  }
  EXPECT_GT(hits, 40);
  EXPECT_LT(hits, 360);
}

// Every kind: a hit is always the member loop's; the bounds may turn away
// only the conservative reports of members that the other side's bounds do
// not reach.
TEST(ColliderOther, EveryKindReportsOnlyMemberHits) {
  Scene s(2);
  for (int round = 0; round < 300; ++round) {
    const Collider<> a = s.collider(3, ALL_KINDS & ~UNBOUNDED_KINDS);
    const Collider<> b = s.collider(3, ALL_KINDS & ~UNBOUNDED_KINDS);
    if (collides_other(a, b)) {
      ASSERT_TRUE(member_loop(a, b)) << round;
    }
  }
}

TEST(ColliderOther, EmptySidesCollideWithNothing) {
  Collider<> full;
  full.add(Plane{{0, 0, 1}, 0});
  const Collider<> empty;
  EXPECT_FALSE(collides_other(full, empty));
  EXPECT_FALSE(collides_other(empty, full));
}

TEST(ColliderOther, TouchingSpheres) {
  Collider<> a;
  a.add(Sphere{{0, 0, 0}, 1});
  Collider<> b;
  b.add(Sphere{{2, 0, 0}, 1});
  EXPECT_TRUE(collides_other(a, b));
  Collider<> far;
  far.add(Sphere{{2.001f, 0, 0}, 1});
  EXPECT_FALSE(collides_other(a, far));
}

TEST(ColliderOther, PointsAgainstSolids) {
  Collider<> box;
  box.add(Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  Collider<> on_face;
  add_point(on_face, {1, 0.5f, 0});
  Collider<> outside;
  add_point(outside, {1.01f, 0, 0});
  EXPECT_TRUE(collides_other(box, on_face));
  EXPECT_FALSE(collides_other(box, outside));

  Collider<> cyl;
  cyl.add(Cylinder::create({0, 0, 0}, {0, 0, 2}, 1));
  Collider<> above;
  add_point(above, {0, 0, 2.5f});
  Collider<> on_cap;
  add_point(on_cap, {0.5f, 0, 2});
  EXPECT_FALSE(collides_other(cyl, above));
  EXPECT_TRUE(collides_other(cyl, on_cap));

  // Every face plane through the point counts as inside.
  Collider<> poly;
  poly.add(oracle::Shapes::polytope_from_box(Cuboid::create({1, 1, 1}, cuboid::IDENTITY_AXES, {1, 1, 1})));
  Collider<> corner;
  add_point(corner, {2, 2, 2});
  EXPECT_TRUE(collides_other(poly, corner));
}

TEST(ColliderOther, PointsInsideAPlaneHitItInBothOrders) {
  Collider<> plane;
  plane.add(Plane{{0, 0, 1}, 0});
  Collider<> below;
  add_point(below, {0, 0, -1});
  Collider<> above;
  add_point(above, {0, 0, 1});
  EXPECT_TRUE(collides_other(plane, below));
  EXPECT_TRUE(collides_other(below, plane));
  EXPECT_FALSE(collides_other(plane, above));
  EXPECT_FALSE(collides_other(above, plane));
  Collider<> on_it;
  add_point(on_it, {5, 5, 0});
  EXPECT_TRUE(collides_other(plane, on_it) && collides_other(on_it, plane));
  // Polygons and segments never hold a point.
  Collider<> polygon;
  polygon.add(ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}));
  Collider<> on_polygon;
  add_point(on_polygon, {0, 0, 0});
  EXPECT_FALSE(collides_other(polygon, on_polygon));
  EXPECT_FALSE(collides_other(on_polygon, polygon));
}

TEST(ColliderOther, PlaneAgainstAFarSphereTakesTheSphereQuery) {
  Collider<> plane;
  plane.add(Plane{{0, 0, 1}, 0});
  Collider<> sphere;
  sphere.add(Sphere{{0, 0, 100}, 1});
  EXPECT_FALSE(collides_other(plane, sphere));
  EXPECT_FALSE(collides_other(sphere, plane));
  Collider<> low;
  low.add(Sphere{{0, 0, 1}, 1});
  EXPECT_TRUE(collides_other(plane, low));
}

// The bound of a collider whose later member encloses the earlier ones: the
// half-way merge would leave the large sphere partly outside and turn away a
// collider that touches it.
TEST(ColliderOther, EnclosingMemberStaysInsideTheBound) {
  Collider<> a;
  a.add(Sphere{{0, 0, 0}, 1});
  a.add(Sphere{{0, 0, 0}, 10});
  Collider<> b;
  b.add(Sphere{{10.5f, 0, 0}, 1});
  EXPECT_TRUE(collides_other(a, b));
  EXPECT_TRUE(collides_other(b, a));
}

TEST(ColliderOther, CloudsAgainstShapes) {
  Collider<> a;
  a.add(Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  Collider<> b;
  b.add(make_cloud({{1.05f, 0, 0}, {3, 3, 3}}, 0.1f));
  EXPECT_TRUE(collides_other(a, b));
  Collider<> c;
  c.add(make_cloud({{1.2f, 0, 0}, {3, 3, 3}}, 0.1f));
  EXPECT_FALSE(collides_other(a, c));
  // A polygon is met by a cloud point within the point radius of its region.
  Collider<> flat;
  flat.add(ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}));
  Collider<> above;
  above.add(make_cloud({{0.5f, 0.5f, 0.1f}}, 0.1f));
  EXPECT_TRUE(collides_other(flat, above));
  Collider<> higher;
  higher.add(make_cloud({{0.5f, 0.5f, 0.11f}}, 0.1f));
  EXPECT_FALSE(collides_other(flat, higher));
}

}  // namespace
