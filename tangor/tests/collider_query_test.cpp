#include <gtest/gtest.h>

#include "collider_fixtures.hpp"

namespace {

using namespace collider_fixtures;

// The brute-force oracle over random colliders of every kind: the query's
// answer lies between "some member near the query collides" and "some member
// collides". Where all pair tests involved are exact the two coincide; they
// part only for the conservative tests (polytope and polygon face-plane
// tests, the cylinder–polytope test), which may report a member that the
// broad step keeps away.
template <class MakeQuery>
void check_against_brute_force(unsigned seed, MakeQuery&& make_query, std::uint16_t kinds = ALL_KINDS) {
  Scene scene(seed);
  int hits = 0;
  int misses = 0;
  for (int round = 0; round < 300; ++round) {
    const Collider<> c = scene.collider(6, kinds);
    const auto q = make_query(scene);
    const BruteAnswer brute = brute_force(q, c);
    const bool answer = query_collider(q, c);
    if (answer) {
      ASSERT_TRUE(brute.any) << "round " << round << ": a hit that no member gives";
      ++hits;
    } else {
      ASSERT_FALSE(brute.near) << "round " << round << ": a member near the query collides";
      ++misses;
    }
  }
  // Both answers occur, or the scene says nothing.
  EXPECT_GT(hits, 10);
  EXPECT_GT(misses, 10);
}

TEST(ColliderQuery, SphereAgreesWithTheMemberLoop) {
  check_against_brute_force(1, [](Scene& s) { return s.sphere(); });
}
TEST(ColliderQuery, CapsuleAgreesWithTheMemberLoop) {
  check_against_brute_force(2, [](Scene& s) { return s.capsule(s.rng() % 3 == 0); });
}
TEST(ColliderQuery, CuboidAgreesWithTheMemberLoop) {
  check_against_brute_force(3, [](Scene& s) { return s.box(s.rng() % 3 == 0); });
}
TEST(ColliderQuery, CylinderAgreesWithTheMemberLoop) {
  check_against_brute_force(4, [](Scene& s) { return s.cylinder(); });
}
TEST(ColliderQuery, PolytopeAgreesWithTheMemberLoop) {
  check_against_brute_force(5, [](Scene& s) { return s.polytope(); });
}
TEST(ColliderQuery, PolygonAgreesWithTheMemberLoop) {
  check_against_brute_force(6, [](Scene& s) { return s.polygon(); });
}
TEST(ColliderQuery, SegmentAgreesWithTheMemberLoop) {
  check_against_brute_force(7, [](Scene& s) { return s.segment(); });
}
// Unbounded queries meet everything somewhere: fewer members keep misses.
TEST(ColliderQuery, PlaneAgreesWithTheMemberLoop) {
  check_against_brute_force(8, [](Scene& s) { return s.plane(); }, ALL_KINDS & ~UNBOUNDED_KINDS);
}
TEST(ColliderQuery, LineAgreesWithTheMemberLoop) {
  check_against_brute_force(9, [](Scene& s) { return s.line(); }, bit(Kind::Spheres) | bit(Kind::Cuboids));
  check_against_brute_force(10, [](Scene& s) { return s.line(); });
}
TEST(ColliderQuery, RayAgreesWithTheMemberLoop) {
  check_against_brute_force(11, [](Scene& s) { return s.ray(); });
}

// Exact-only scenes: the two brute answers coincide, so the query equals
// the member loop outright.
TEST(ColliderQuery, ExactPairsGiveTheMemberLoopExactly) {
  Scene scene(12);
  const std::uint16_t exact_kinds = bit(Kind::Spheres) | bit(Kind::Capsules) | bit(Kind::Segments) |
                                    bit(Kind::Planes) | bit(Kind::Points);
  for (int round = 0; round < 400; ++round) {
    const Collider<> c = scene.collider(5, exact_kinds);
    const Sphere s = scene.sphere();
    const Capsule k = scene.capsule();
    ASSERT_EQ(query_collider(s, c), brute_force(s, c).any) << round;
    ASSERT_EQ(query_collider(k, c), brute_force(k, c).any) << round;
  }
}

TEST(ColliderQuery, EmptyColliderAnswersFalseForEveryKind) {
  Scene s(13);
  const Collider<> c;
  EXPECT_FALSE(query_collider(Sphere{{0, 0, 0}, 1e30f}, c));
  EXPECT_FALSE(query_collider(s.capsule(), c));
  EXPECT_FALSE(query_collider(s.box(), c));
  EXPECT_FALSE(query_collider(s.cylinder(), c));
  EXPECT_FALSE(query_collider(s.polytope(), c));
  EXPECT_FALSE(query_collider(s.polygon(), c));
  EXPECT_FALSE(query_collider(Plane{{0, 0, 1}, 1e30f}, c));
  EXPECT_FALSE(query_collider(s.line(), c));
  EXPECT_FALSE(query_collider(s.ray(), c));
  EXPECT_FALSE(query_collider(s.segment(), c));
}

TEST(ColliderQuery, LinePiecesNeverReportPointsSegmentsLinesOrRays) {
  Collider<> c;
  add_point(c, {0, 0, 0});
  c.add(curvel::LineSegment{{-1, 0, 0}, {1, 0, 0}});
  c.add(curvel::Line{{0, 0, 0}, {0, 1, 0}});
  c.add(curvel::Ray{{0, 0, 0}, {0, 0, 1}});
  const curvel::LineSegment crossing{{0, -1, 0}, {0, 1, 0}};
  EXPECT_FALSE(query_collider(crossing, c));
  EXPECT_FALSE(query_collider(curvel::Line{{0, 0, -1}, {0, 0, 1}}, c));
  EXPECT_FALSE(query_collider(curvel::Ray{{0, 0, -1}, {0, 0, 1}}, c));
  // A polygon through the point does not report it either.
  Collider<> only_point;
  add_point(only_point, {0, 0, 0});
  EXPECT_FALSE(query_collider(ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}),
                              only_point));
}

TEST(ColliderQuery, PlaneQueryReportsPointsInItsHalfSpace) {
  Collider<> c;
  add_point(c, {0, 0, 2});
  EXPECT_TRUE(query_collider(Plane{{0, 0, 1}, 2.0f}, c));   // on the boundary
  EXPECT_TRUE(query_collider(Plane{{0, 0, 1}, 5.0f}, c));   // inside
  EXPECT_FALSE(query_collider(Plane{{0, 0, 1}, 1.0f}, c));  // outside
}

// The broad step of the sphere query runs in groups of eight capsules: a
// group whose one bounding sphere meets the query runs the exact test on all
// eight; with 13 capsules the last five are tested one by one. The exact
// test decides, so a miss stays a miss whichever capsule's lane passed.
TEST(ColliderQuery, SphereQueryGroupsOfEightCapsules) {
  for (int count : {8, 13}) {
    for (int target = 0; target < count; ++target) {
      Collider<> c;
      for (int i = 0; i < count; ++i) c.add(Capsule::create({10.0f * i, 0, 0}, {10.0f * i, 0, 1}, 0.5f));
      const Sphere touching{{10.0f * target + 1.0f, 0, 0.5f}, 0.5f};
      const Sphere lane_only{{10.0f * target + 1.0f, 0, 2.2f}, 0.55f};  // meets the lane, not the capsule
      EXPECT_TRUE(query_collider(touching, c)) << count << " " << target;
      EXPECT_FALSE(query_collider(lane_only, c)) << count << " " << target;
    }
  }
}

// Behind a passing gate every polytope runs its face-plane test; one without
// face planes holds everything, so it is hit exactly when the gate passes.
TEST(ColliderQuery, PolytopeWithoutPlanesIsHitWhenTheGatePasses) {
  Collider<> c;
  c.add(ConvexPolytope::create({}, {{0, 0, 0}, {1, 0, 0}}));
  const Sphere lane = broadphase(c.polytopes.items[0]);
  const float reach = lane.radius + 0.5f;
  EXPECT_TRUE(query_collider(Sphere{lane.center + Vec3{reach, 0, 0}, 0.5f}, c));
  EXPECT_FALSE(query_collider(Sphere{lane.center + Vec3{reach * 1.01f, 0, 0}, 0.5f}, c));
  // In the polytope query, a member without vertices is never hit by a query
  // that has a face plane.
  Collider<> hollow;
  hollow.add(ConvexPolytope::create({}, {}));
  const ConvexPolytope unit = oracle::Shapes::polytope_from_box(Cuboid::create({}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  EXPECT_FALSE(query_collider(unit, hollow));
}

TEST(ColliderQuery, CylinderMembersUnderSphereQueryAtTheCapAndRim) {
  Collider<> c;
  c.add(Cylinder::create({0, 0, 0}, {0, 0, 2}, 1.0f));
  EXPECT_TRUE(query_collider(Sphere{{0, 0, 2.5f}, 0.5f}, c));    // on the axis, touching the cap
  EXPECT_FALSE(query_collider(Sphere{{0, 0, 2.5f}, 0.49f}, c));
  // Beyond the rim: distance to the rim circle sqrt(0.5² + 0.5²) ≈ 0.7071.
  EXPECT_TRUE(query_collider(Sphere{{1.5f, 0, 2.5f}, 0.71f}, c));
  EXPECT_FALSE(query_collider(Sphere{{1.5f, 0, 2.5f}, 0.70f}, c));
}

}  // namespace
