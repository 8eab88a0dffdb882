#include <bit>
#include <cmath>

#include <gtest/gtest.h>

#include "collider_fixtures.hpp"

namespace {

using namespace collider_fixtures;

void expect_sphere(const Sphere& s, Vec3 c, float r, float tol = 0.0f) {
  EXPECT_NEAR(s.center.x, c.x, tol);
  EXPECT_NEAR(s.center.y, c.y, tol);
  EXPECT_NEAR(s.center.z, c.z, tol);
  if (std::isinf(r)) {
    EXPECT_EQ(s.radius, r);
  } else {
    EXPECT_NEAR(s.radius, r, tol);
  }
}

bool all_zero(const Sphere& s) {
  return std::bit_cast<std::uint32_t>(s.radius) == 0 && s.center == Vec3{};
}

TEST(ColliderBuild, EmptyCollider) {
  const Collider<> c;
  EXPECT_EQ(c.mask, 0);
  EXPECT_TRUE(all_zero(c.bounding));
  EXPECT_FALSE(c.broad_overlaps_any(Sphere{{0, 0, 0}, 1e30f}));
}

TEST(ColliderBuild, TwoSpheresMergeAsTheRuleSays) {
  Collider<> c;
  c.add(Sphere{{0, 0, 0}, 1});
  c.add(Sphere{{4, 0, 0}, 1});
  expect_sphere(c.bounding, {2, 0, 0}, 3);
  EXPECT_EQ(c.mask, 0x080);
  // Inside, and touching from inside: unchanged.
  c.add(Sphere{{2, 1, 0}, 0.5f});
  c.add(Sphere{{4, 0, 0}, 1});
  expect_sphere(c.bounding, {2, 0, 0}, 3);
}

TEST(ColliderBuild, MemberThatEnclosesTheBoundReplacesIt) {
  Collider<> c;
  c.add(Sphere{{0, 0, 0}, 1});
  c.add(Sphere{{0.5f, 0, 0}, 5});  // encloses the old bound
  expect_sphere(c.bounding, {0.5f, 0, 0}, 5);
  // Concentric and larger: the half-way rule would give 3, not enclosing 5.
  Collider<> d;
  d.add(Sphere{{1, 1, 1}, 1});
  d.add(Sphere{{1, 1, 1}, 5});
  expect_sphere(d.bounding, {1, 1, 1}, 5);
}

TEST(ColliderBuild, RadiusZeroSphereAtTheOriginIsAFirstMember) {
  Collider<> c;
  c.add(Sphere{{0, 0, 0}, 0});
  c.add(Sphere{{4, 0, 0}, 1});
  // Both enclosed: the origin point and the second sphere.
  expect_sphere(c.bounding, {2.5f, 0, 0}, 2.5f);
  EXPECT_TRUE(bounds_enclose(c));
}

TEST(ColliderBuild, UnboundedKindsMakeTheRadiusInfinite) {
  Collider<> c;
  c.add(Plane{{0, 0, 1}, 0});
  expect_sphere(c.bounding, {0, 0, 0}, INF);
  EXPECT_EQ(c.mask, 0x008);
  c.add(Sphere{{5, 0, 0}, 1});
  expect_sphere(c.bounding, {0, 0, 0}, INF);
  EXPECT_EQ(c.mask, 0x088);
  Collider<> r;
  r.add(curvel::Ray{{100, 0, 0}, {1, 0, 0}});
  EXPECT_TRUE(r.broad_overlaps_any(Sphere{{-1e6f, 0, 0}, 0}));
}

TEST(ColliderBuild, EveryKindSetsItsBit) {
  Scene s(1);
  Collider<> c;
  c.add(s.capsule());
  c.add(s.box());
  c.add(s.cylinder());
  c.add(s.polygon());
  c.add(s.polytope());
  c.add(s.segment());
  c.add(s.cloud());
  c.add(s.sphere());
  EXPECT_EQ(c.mask, 0x001 | 0x002 | 0x004 | 0x010 | 0x020 | 0x400 | 0x800 | 0x080);
  EXPECT_TRUE(bounds_enclose(c));
  c.add(s.line());
  c.add(s.ray());
  EXPECT_EQ(c.mask, 0xFB7);
}

TEST(ColliderBuild, BroadOverlapTouchingCounts) {
  Collider<> c;
  c.add(Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {3, 4, 0}));  // lane radius 5
  EXPECT_TRUE(c.broad_overlaps_any(Sphere{{7, 0, 0}, 2}));
  EXPECT_FALSE(c.broad_overlaps_any(Sphere{{7.001f, 0, 0}, 2}));
}

TEST(ColliderBuild, IncludeKeepsOrderAndMovesStorage) {
  Collider<> a;
  Collider<> b;
  a.add(Capsule::create({0, 0, 0}, {1, 0, 0}, 0.5f));
  b.add(Capsule::create({5, 0, 0}, {6, 0, 0}, 0.25f));
  b.add(Capsule::create({7, 0, 0}, {8, 0, 0}, 0.25f));
  b.add(Plane{{0, 0, 1}, 0});
  a.include(std::move(b));
  ASSERT_EQ(a.capsules.items.size(), 3u);
  EXPECT_EQ(a.capsules.items[1].p1.x, 5);
  EXPECT_EQ(a.capsules.items[2].p1.x, 7);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(a.capsules.spheres.sphere(i), a.capsules.items[i].broadphase());
  EXPECT_EQ(a.mask, 0x009);
  EXPECT_EQ(a.bounding.radius, INF);
  EXPECT_EQ(a.bounding.center, (Vec3{0.5f, 0, 0}));  // the receiver's centre
  EXPECT_EQ(b.mask, 0);
  EXPECT_TRUE(b.capsules.items.empty());
  EXPECT_EQ(b.capsules.spheres.len, 0u);
}

TEST(ColliderBuild, IncludingAnEmptyColliderChangesNothing) {
  Collider<> a;
  a.add(Sphere{{10, 0, 0}, 1});
  Collider<> empty;
  empty.translate({3, 3, 3});  // an empty collider gains no phantom bound
  a.include(std::move(empty));
  expect_sphere(a.bounding, {10, 0, 0}, 1);
  EXPECT_EQ(a.mask, 0x080);
  // An empty receiver takes the other's bound whole.
  Collider<> r;
  Collider<> other;
  other.add(Sphere{{0, 0, 0}, 0});
  r.include(std::move(other));
  expect_sphere(r.bounding, {0, 0, 0}, 0);
  EXPECT_EQ(r.mask, 0x080);
}

TEST(ColliderBuild, RebuildBounding) {
  Collider<> c;
  c.segments.push(curvel::LineSegment{{0, 0, 0}, {2, 0, 0}});
  c.rebuild_bounding();
  expect_sphere(c.bounding, {1, 0, 0}, 1);
  EXPECT_EQ(c.mask, 0x400);
  Collider<> l;
  l.lines.push_back({{5, 5, 5}, {1, 0, 0}});
  l.rebuild_bounding();
  expect_sphere(l.bounding, {0, 0, 0}, INF);
  EXPECT_EQ(l.mask, 0x100);
  Collider<> e;
  e.rebuild_bounding();
  EXPECT_TRUE(all_zero(e.bounding));
}

TEST(ColliderBuild, RandomAdditionsKeepEveryBoundEnclosing) {
  Scene s(2);
  for (int round = 0; round < 200; ++round) {
    Collider<> c = s.collider(5, ALL_KINDS & ~UNBOUNDED_KINDS);
    ASSERT_TRUE(bounds_enclose(c)) << round;
    Collider<> rebuilt = c;
    rebuilt.rebuild_bounding();
    ASSERT_TRUE(bounds_enclose(rebuilt)) << round;
    EXPECT_EQ(rebuilt.mask, c.mask);
    Collider<> other = s.collider(3, ALL_KINDS & ~UNBOUNDED_KINDS);
    const std::uint16_t mask = c.mask | other.mask;
    c.include(std::move(other));
    ASSERT_TRUE(bounds_enclose(c)) << round;
    EXPECT_EQ(c.mask, mask);
  }
}

TEST(ColliderBuild, RefineBounding) {
  Collider<> one;
  one.add(Sphere{{0, 0, 0}, 1});
  one.refine_bounding();
  expect_sphere(one.bounding, {0, 0, 0}, 1, 1e-6f);
  Collider<> two;
  two.add(Sphere{{-5, 0, 0}, 1});
  two.add(Sphere{{5, 0, 0}, 1});
  two.refine_bounding();
  expect_sphere(two.bounding, {0, 0, 0}, 6, 1e-5f);
  Collider<> near;
  near.add(Sphere{{0, 0, 0}, 1});
  near.add(Sphere{{4, 0, 0}, 1});
  near.refine_bounding();
  expect_sphere(near.bounding, {2, 0, 0}, 3, 1e-5f);
  Collider<> line;
  line.add(curvel::Line{{1, 1, 1}, {0, 1, 0}});
  line.refine_bounding();
  expect_sphere(line.bounding, {0, 0, 0}, INF);
  Collider<> empty;
  empty.refine_bounding();
  EXPECT_TRUE(all_zero(empty.bounding));
}

TEST(ColliderBuild, RefinedBoundEnclosesAndIsNoLargerThanTheMergedOne) {
  Scene s(3);
  for (int round = 0; round < 100; ++round) {
    Collider<> c = s.collider(6, ALL_KINDS & ~UNBOUNDED_KINDS);
    if (c.empty()) continue;
    const float merged = c.bounding.radius;
    c.refine_bounding();
    ASSERT_TRUE(bounds_enclose(c)) << round;
    // Not a promise of the iteration, but it should rarely lose.
    EXPECT_LE(c.bounding.radius, merged * 1.3f) << round;
  }
}

TEST(ColliderBuild, BoxesOfTheBound) {
  Collider<> c;
  EXPECT_EQ(c.aabb().center, Vec3{});
  EXPECT_EQ(c.aabb().half_extents, (std::array<float, 3>{0, 0, 0}));
  c.add(Sphere{{1, 2, 3}, 2});
  const Cuboid box = c.aabb();
  EXPECT_EQ(box.center, (Vec3{1, 2, 3}));
  EXPECT_EQ(box.half_extents, (std::array<float, 3>{2, 2, 2}));
  EXPECT_TRUE(box.axis_aligned);
  EXPECT_EQ(box.axes, cuboid::IDENTITY_AXES);
  EXPECT_EQ(c.obb(), box);
  c.add(curvel::Ray{{0, 0, 0}, {1, 0, 0}});
  const Cuboid unbounded = c.aabb();
  EXPECT_EQ(unbounded.center, (Vec3{1, 2, 3}));
  EXPECT_EQ(unbounded.half_extents, (std::array<float, 3>{INF, INF, INF}));
  EXPECT_EQ(c.obb(), unbounded);
  EXPECT_EQ(c.broadphase().radius, INF);
}

}  // namespace
