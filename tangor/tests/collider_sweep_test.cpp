#include <gtest/gtest.h>

#include "collider_fixtures.hpp"

namespace {

using namespace collider_fixtures;

TEST(ColliderSweep, PointCloudsHaveNoSweep) {
  Collider<> c;
  c.add(make_cloud({{0, 0, 0}}, 0.1f));
  EXPECT_FALSE(c.try_stretch({1, 0, 0}).has_value());
  c.add(Sphere{{0, 0, 0}, 1});
  EXPECT_FALSE(c.try_stretch({1, 0, 0}).has_value());
}

TEST(ColliderSweep, TheSweptColliderTakesPointClouds) {
  Collider<> c;
  c.add(Sphere{{0, 0, 0}, 1});
  c.add(Cuboid::create({3, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  c.add(Plane{{0, 0, 1}, -4});
  add_point(c, {0, 3, 0});
  auto swept = c.try_stretch({1, 2, 0});
  ASSERT_TRUE(swept.has_value());
  const Collider<NoPcl> copy = *swept;
  Collider<> wide = with_pointclouds(std::move(*swept));
  EXPECT_EQ(wide.mask, copy.mask);
  EXPECT_EQ(wide.bounding, copy.bounding);
  EXPECT_EQ(wide.capsules.items, copy.capsules.items);
  EXPECT_EQ(wide.polytopes.items, copy.polytopes.items);
  EXPECT_EQ(wide.segments.items, copy.segments.items);
  EXPECT_EQ(wide.planes, copy.planes);
  EXPECT_EQ(wide.capsules.spheres.sphere(0), copy.capsules.spheres.sphere(0));
  EXPECT_EQ(swept->mask, 0);
  // The sphere swept to a capsule is found at the end of the motion.
  EXPECT_TRUE(query_collider(Sphere{{1, 2, 0}, 0.5f}, wide));
  wide.add(make_cloud({{9, 9, 9}}, 0.1f));
  EXPECT_TRUE(wide.has(Kind::Pointclouds));
}

TEST(ColliderSweep, EmptyColliderSweepsToAnEmptyOne) {
  const auto swept = Collider<>{}.try_stretch({1, 2, 3});
  ASSERT_TRUE(swept.has_value());
  EXPECT_EQ(swept->mask, 0);
  EXPECT_EQ(swept->bounding, Sphere{});
}

TEST(ColliderSweep, ZeroTranslationKeepsSpheresAndTurnsPointsIntoSegments) {
  Collider<> c;
  c.add(Sphere{{1, 0, 0}, 1});
  c.add(Plane{{0, 0, 1}, 2});
  add_point(c, {3, 3, 3});
  const auto swept = c.try_stretch({0, 0, 0});
  ASSERT_TRUE(swept.has_value());
  EXPECT_EQ(swept->mask, 0x080 | 0x008 | 0x400);
  EXPECT_EQ(swept->spheres.sphere(0), (Sphere{{1, 0, 0}, 1}));
  EXPECT_EQ(swept->planes[0].d, 2);
  EXPECT_EQ(swept->segments.items[0], (curvel::LineSegment{{3, 3, 3}, {3, 3, 3}}));
}

TEST(ColliderSweep, SphereBecomesACapsule) {
  Collider<> c;
  c.add(Sphere{{0, 0, 0}, 1});
  const auto swept = c.try_stretch({2, 0, 0});
  ASSERT_TRUE(swept.has_value());
  ASSERT_EQ(swept->capsules.items.size(), 1u);
  const Capsule& k = swept->capsules.items[0];
  EXPECT_EQ(k.p1, (Vec3{0, 0, 0}));
  EXPECT_EQ(k.dir, (Vec3{2, 0, 0}));
  EXPECT_EQ(k.radius, 1);
  EXPECT_EQ(k.rdv, 0.25f);
  EXPECT_FALSE(k.z_aligned);
  EXPECT_EQ(swept->bounding, (Sphere{{1, 0, 0}, 2}));
  EXPECT_EQ(swept->mask, 0x001);
  const auto up = c.try_stretch({0, 0, 5});
  EXPECT_TRUE(up->capsules.items[0].z_aligned);
}

TEST(ColliderSweep, PlanesMoveOnlyOutward) {
  for (const auto& [t, d] : std::vector<std::pair<Vec3, float>>{{{0, 0, 3}, 3}, {{0, 0, -3}, 0}, {{4, 0, 0}, 0}}) {
    Collider<> c;
    c.add(Plane{{0, 0, 1}, 0});
    c.add(Sphere{{7, 7, 7}, 1});
    const auto swept = c.try_stretch(t);
    EXPECT_EQ(swept->planes[0].d, d);
    EXPECT_EQ(swept->bounding, (Sphere{{0, 0, 0}, INF}));
  }
}

TEST(ColliderSweep, PointBecomesASegment) {
  Collider<> c;
  add_point(c, {1, 2, 3});
  const auto swept = c.try_stretch({1, 0, 0});
  EXPECT_EQ(swept->segments.items[0], (curvel::LineSegment{{1, 2, 3}, {2, 2, 3}}));
  EXPECT_EQ(swept->segments.spheres.sphere(0), (Sphere{{1.5f, 2, 3}, 0.5f}));
}

// The swept collider holds the start and the end of the motion: a query
// that touches the unmoved or the fully moved collider touches the sweep.
TEST(ColliderSweep, SweepCoversBothEndsOfTheMotion) {
  Scene s(3);
  const std::uint16_t kinds = ALL_KINDS & ~bit(Kind::Pointclouds) & ~UNBOUNDED_KINDS;
  for (int round = 0; round < 100; ++round) {
    Collider<> c = s.collider(3, kinds);
    const Vec3 t = s.point(2.0f);
    const auto swept = c.try_stretch(t);
    ASSERT_TRUE(swept.has_value());
    EXPECT_EQ(swept->pointclouds.items.size(), 0u);
    for (int k = 0; k < 10; ++k) {
      const Vec3 p = s.point(4.0f);
      Collider<> moved = c;
      moved.translate(t);
      // A point of the start or the end inside a solid of those colliders
      // lies in the sweep's solids too: the sweep's broad overlap sees it.
      const Sphere probe{p, 0.05f};
      if (query_collider(probe, c) || query_collider(probe, moved)) {
        EXPECT_TRUE(swept->broad_overlaps_any(probe)) << round;
      }
    }
  }
}

}  // namespace
