#include <bit>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "collider_fixtures.hpp"

namespace {

using namespace collider_fixtures;

bool all_zero(const Sphere& s) { return s.center == Vec3{} && std::bit_cast<std::uint32_t>(s.radius) == 0; }

Mat3 scaling(float x, float y, float z) { return {{x, 0, 0}, {0, y, 0}, {0, 0, z}}; }

TEST(ColliderMoves, EmptyColliderKeepsItsAllZeroBound) {
  Collider<> c;
  c.translate({4, 0, 0});
  c.rotate_quat({0, 0, 1, 0});
  c.transform(Affine3{scaling(2, 2, 2), {1, 1, 1}});
  ASSERT_FALSE(c.scale(3).has_value());
  EXPECT_EQ(c.mask, 0);
  EXPECT_TRUE(all_zero(c.bounding));
  // The first member after the moves is the bound itself.
  c.add(Sphere{{0, 0, 0}, 1});
  EXPECT_EQ(c.bounding, (Sphere{{0, 0, 0}, 1}));
}

TEST(ColliderMoves, PlaneTranslated) {
  Collider<> c;
  c.add(Plane{{0, 0, 1}, 2});
  c.translate({0, 0, 3});
  EXPECT_EQ(c.planes[0].d, 5);
  EXPECT_EQ(c.bounding.center, (Vec3{0, 0, 3}));
  EXPECT_EQ(c.bounding.radius, INF);
  EXPECT_EQ(c.mask, 0x008);
}

TEST(ColliderMoves, CapsuleTranslatedAndTurned) {
  Collider<> c;
  c.add(Capsule::create({0, 0, 0}, {2, 0, 0}, 0.5f));
  c.translate({1, 2, 3});
  EXPECT_EQ(c.capsules.items[0].p1, (Vec3{1, 2, 3}));
  EXPECT_EQ(c.capsules.items[0].dir, (Vec3{2, 0, 0}));
  EXPECT_EQ(c.capsules.spheres.sphere(0), (Sphere{{2, 2, 3}, 1.5f}));
  EXPECT_EQ(c.bounding, (Sphere{{2, 2, 3}, 1.5f}));

  Collider<> h;
  h.add(Capsule::create({1, 0, 0}, {3, 0, 0}, 0.5f));
  h.rotate_quat({0, 0, 1, 0});  // a half turn about z
  EXPECT_EQ(h.capsules.items[0].p1, (Vec3{-1, 0, 0}));
  EXPECT_EQ(h.capsules.items[0].dir, (Vec3{-2, 0, 0}));
  EXPECT_FALSE(h.capsules.items[0].z_aligned);
  EXPECT_EQ(h.capsules.spheres.sphere(0), (Sphere{{-2, 0, 0}, 1.5f}));
}

TEST(ColliderMoves, CloudMovesAccumulateInItsInverseTransform) {
  Collider<> c;
  c.add(make_cloud({{0, 0, 0}, {1, 0, 0}}, 0.1f));
  const Sphere lane = c.pointclouds.spheres.sphere(0);
  c.translate({1, 2, 3});
  ASSERT_TRUE(c.pointclouds.items[0].inverse_transform.has_value());
  EXPECT_EQ(c.pointclouds.items[0].inverse_transform->matrix3, Mat3{});
  EXPECT_EQ(c.pointclouds.items[0].inverse_transform->translation, (Vec3{-1, -2, -3}));
  c.translate({1, 0, 0});
  EXPECT_EQ(c.pointclouds.items[0].inverse_transform->translation, (Vec3{-2, -2, -3}));
  EXPECT_EQ(c.pointclouds.spheres.sphere(0).center, (lane.center + Vec3{2, 2, 3}));
  // The identity rotation still leaves a cloud without a transform with one.
  Collider<> d;
  d.add(make_cloud({{0, 0, 0}}, 0.1f));
  d.rotate_quat({0, 0, 0, 1});
  EXPECT_TRUE(d.pointclouds.items[0].inverse_transform.has_value());
}

TEST(ColliderMoves, ScalingMatrixMovesPositionsAndRebuildsBounds) {
  Collider<> c;
  c.add(Sphere{{1, 0, 0}, 1});
  c.add(Capsule::create({0, 0, 0}, {1, 0, 0}, 0.25f));
  c.rotate_mat(scaling(2, 2, 2));
  EXPECT_EQ(c.spheres.sphere(0), (Sphere{{2, 0, 0}, 1}));
  EXPECT_EQ(c.capsules.items[0].dir, (Vec3{2, 0, 0}));
  EXPECT_EQ(c.capsules.items[0].rdv, 1.0f);  // kept by a matrix rotation
  // The lane follows the moved capsule, not the old lane radius.
  EXPECT_EQ(c.capsules.spheres.sphere(0), c.capsules.items[0].broadphase());
  EXPECT_TRUE(bounds_enclose(c));
  Collider<> t;
  t.add(Capsule::create({0, 0, 0}, {1, 0, 0}, 0.25f));
  t.transform(Affine3{scaling(2, 2, 2), {}});
  EXPECT_EQ(t.capsules.items[0].rdv, 0.25f);  // derived afresh by a transform
}

TEST(ColliderMoves, ScaleKeepsReferencePoints) {
  Collider<> c;
  c.add(Sphere{{1, 0, 0}, 1});
  c.add(Cuboid::create({0, 0, 5}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  add_point(c, {3, 3, 3});
  ASSERT_FALSE(c.scale(2).has_value());
  EXPECT_EQ(c.spheres.sphere(0), (Sphere{{1, 0, 0}, 2}));
  EXPECT_EQ(c.cuboids.items[0].half_extents, (std::array<float, 3>{2, 2, 2}));
  EXPECT_EQ(c.cuboids.items[0].center, (Vec3{0, 0, 5}));
  EXPECT_FLOAT_EQ(c.cuboids.spheres.sphere(0).radius, length(Vec3{2, 2, 2}));
  EXPECT_EQ(c.points.items[0].position, (Vec3{3, 3, 3}));
  EXPECT_EQ(c.points.spheres.sphere(0).radius, 0.0f);
  EXPECT_TRUE(bounds_enclose(c));
}

TEST(ColliderMoves, ScaleOfAxisShapesRecomputesTheirLanes) {
  Collider<> c;
  c.add(Capsule::create({0, 0, 0}, {4, 0, 0}, 0.5f));
  c.add(curvel::LineSegment{{0, 0, 0}, {0, 4, 0}});
  ASSERT_FALSE(c.scale(3).has_value());
  EXPECT_EQ(c.capsules.spheres.sphere(0), c.capsules.items[0].broadphase());
  EXPECT_EQ(c.segments.spheres.sphere(0), broadphase(c.segments.items[0]));
  EXPECT_TRUE(bounds_enclose(c));
  // The far end of the scaled capsule is found by a query.
  EXPECT_TRUE(query_collider(Sphere{{12.4f, 0, 0}, 0.2f}, c));
}

// A cloud is scaled like a Pointcloud: its pending move baked into its
// points, its lane and the bound taken afresh. A refusal of its tree leaves
// the whole collider as it was.
TEST(ColliderMoves, ScaleScalesPointCloudsOrRefusesAsAWhole) {
  Collider<> c;
  c.add(Sphere{{0, 0, 0}, 1});
  c.add(make_cloud({{1, 0, 0}, {2, 0, 0}}, 0.1f));
  c.translate({0, 5, 0});
  ASSERT_FALSE(c.scale(2).has_value());
  const Pointcloud& cloud = c.pointclouds.items[0];
  EXPECT_FALSE(cloud.inverse_transform.has_value());
  EXPECT_EQ(cloud.spheres.sphere(1), (Sphere{{4, 5, 0}, 0.2f}));
  EXPECT_EQ(c.pointclouds.spheres.sphere(0), broadphase(cloud));
  EXPECT_TRUE(bounds_enclose(c));
  EXPECT_TRUE(query_collider(Sphere{{4, 5.3f, 0}, 0.11f}, c));
  EXPECT_FALSE(query_collider(Sphere{{4, 5.3f, 0}, 0.09f}, c));

  const Collider<> before = c;
  EXPECT_EQ(c.scale(std::numeric_limits<float>::quiet_NaN()), pointcloud::capt::NewCaptError::NonFinite);
  EXPECT_EQ(c.spheres.sphere(0), before.spheres.sphere(0));
  EXPECT_EQ(c.pointclouds.items[0].spheres.sphere(1), before.pointclouds.items[0].spheres.sphere(1));
  EXPECT_EQ(c.bounding, before.bounding);
}

TEST(ColliderMoves, DegenerateScalesNeverMakeAnInfiniteRadiusNaN) {
  for (float f : {0.0f, -2.0f}) {
    Collider<> c;
    c.add(Plane{{0, 0, 1}, 1});
    c.add(Sphere{{1, 0, 0}, 1});
    ASSERT_FALSE(c.scale(f).has_value());
    EXPECT_EQ(c.bounding.radius, INF) << f;
    EXPECT_FALSE(std::isnan(c.bounding.center.x)) << f;
  }
}

// A singular move gives a held cloud the non-finite inverse a cloud moved
// alone gets. No query reaches such a cloud; its lane falls back to the
// stored points' sphere, so neither the lane nor the bound turns NaN.
TEST(ColliderMoves, SingularMatrixGivesCloudsTheirNonFiniteInverse) {
  Collider<> c;
  c.add(make_cloud({{0, 0, 0}, {1, 1, 1}}, 0.1f));
  const Sphere own = c.pointclouds.spheres.sphere(0);
  c.add(Sphere{{2, 0, 0}, 0.5f});
  c.rotate_mat(scaling(1, 1, 0));
  Pointcloud alone = make_cloud({{0, 0, 0}, {1, 1, 1}}, 0.1f);
  rotate_mat(alone, scaling(1, 1, 0));
  ASSERT_TRUE(c.pointclouds.items[0].inverse_transform.has_value());
  const Affine3 held = *c.pointclouds.items[0].inverse_transform;
  EXPECT_EQ(std::memcmp(&held, &*alone.inverse_transform, sizeof held), 0);
  EXPECT_TRUE(std::isnan(held.translation.x));
  c.transform(Affine3{Mat3{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {1, 0, 0}});
  EXPECT_EQ(c.pointclouds.spheres.sphere(0), own);
  EXPECT_FALSE(std::isnan(c.bounding.radius) || std::isnan(c.bounding.center.x));
  EXPECT_TRUE(bounds_enclose(c));
  Collider<> only;
  only.add(make_cloud({{0, 0, 0}, {1, 1, 1}}, 0.1f));
  only.rotate_mat(scaling(1, 1, 0));
  EXPECT_EQ(only.bounding, own);
  EXPECT_FALSE(query_collider(Sphere{{0, 0, 0}, 5}, only));
}

TEST(ColliderMoves, NoMoveChangesMaskCountsOrCapacities) {
  Scene s(5);
  Collider<> c = s.collider(20, ALL_KINDS);
  const std::uint16_t mask = c.mask;
  const std::size_t caps = c.capsules.spheres.capacity;
  const std::size_t n = c.capsules.items.size();
  c.translate({1, 2, 3});
  c.rotate_quat(s.rotation());
  c.rotate_mat(scaling(1, 2, 3));
  c.transform(Affine3{scaling(0.5f, 0.5f, 0.5f), {1, 0, 0}});
  ASSERT_FALSE(c.scale(1.5f).has_value());
  EXPECT_EQ(c.mask, mask);
  EXPECT_EQ(c.capsules.spheres.capacity, caps);
  EXPECT_EQ(c.capsules.items.size(), n);
}

// After every move and every scale, each lane encloses its item and the
// bound encloses every lane: rigid moves carry the bounds along, the others
// rebuild them.
TEST(ColliderMoves, BoundsEncloseAfterEveryMove) {
  Scene s(6);
  for (int round = 0; round < 150; ++round) {
    Collider<> c = s.collider(4, ALL_KINDS & ~UNBOUNDED_KINDS);
    ASSERT_TRUE(bounds_enclose(c));
    switch (round % 6) {
      case 0: c.translate(s.point(5.0f)); break;
      case 1: c.rotate_quat(s.rotation()); break;
      case 2: {
        Quat q = s.rotation();
        q = {q.x * 1.5f, q.y * 1.5f, q.z * 1.5f, q.w * 1.5f};  // non-unit
        c.rotate_quat(q);
        break;
      }
      case 3: {
        const Vec3 shear{s.uniform(-1, 1), s.uniform(-1, 1), 0};
        c.rotate_mat(Mat3{{1, 0, 0}, {shear.x, 1, 0}, {shear.y, 0, 2}});
        break;
      }
      case 4: c.transform(Affine3{scaling(s.uniform(0.2f, 3), s.uniform(0.2f, 3), 1), s.point()}); break;
      default: ASSERT_FALSE(c.scale(s.uniform(-2, 3)).has_value()); break;
    }
    ASSERT_TRUE(bounds_enclose(c, 2e-4f)) << "round " << round;
  }
}

// Every point of the member (its support towards the 26 neighbours of a cell
// of a grid) lies in the lane and, while nothing is unbounded, in the bound.
::testing::AssertionResult holds(const Collider<>& c, const Sphere& lane, const oracle::Support& member) {
  for (int k = 0; k < 27; ++k) {
    const oracle::D3 p = member({double(k % 3) - 1, double(k / 3 % 3) - 1, double(k / 9) - 1});
    for (const Sphere& bound : {lane, c.bounding}) {
      const double gap = oracle::norm(p - oracle::to_d(bound.center)) - bound.radius;
      if (gap > 1e-4 * (1.0 + std::fabs(bound.radius))) return ::testing::AssertionFailure() << "outside by " << gap;
    }
  }
  return ::testing::AssertionSuccess();
}

// A shearing matrix or a quaternion of non-unit length changes sizes: the
// lanes and the bound are taken afresh from the moved members, and hold them.
// Not checked: cuboids, polygons and polytopes, whose spheres come from
// half extents and 2-D data that such a move keeps while it stretches their
// axes, so that those spheres hold them only under moves that keep lengths.
TEST(ColliderMoves, NonRigidMovesKeepLanesAndBoundAroundTheMembers) {
  using namespace oracle;
  Scene s(9);
  for (int round = 0; round < 90; ++round) {
    Collider<> c = s.collider(3, round % 5 ? ALL_KINDS & ~UNBOUNDED_KINDS : ALL_KINDS);
    if (round % 2) {
      const Quat q = s.rotation();
      const float f = s.uniform(0.5f, 1.6f);
      c.rotate_quat({q.x * f, q.y * f, q.z * f, q.w * f});
    } else {
      c.rotate_mat(Mat3{s.point(1.5f), s.point(1.5f), s.point(1.5f)});
    }
    const auto each = [&](const auto& collection, auto support) {
      for (std::size_t i = 0; i < collection.items.size(); ++i)
        ASSERT_TRUE(holds(c, collection.spheres.sphere(i), support(collection.items[i]))) << "round " << round;
    };
    for (std::size_t i = 0; i < c.spheres.len; ++i)
      ASSERT_TRUE(holds(c, c.spheres.sphere(i), sphere_support(c.spheres.sphere(i))));
    each(c.capsules, [](const Capsule& m) { return capsule_support(m); });
    each(c.cylinders, [](const Cylinder& m) { return cylinder_support(m); });
    each(c.points, [](const Point& m) { return points_support({to_d(m.position)}); });
    each(c.segments, [](const curvel::LineSegment& m) { return segment_support(to_d(m.start), to_d(m.end)); });
    each(c.pointclouds, [](const Pointcloud& m) {
      const Affine3 forward = pointcloud::inverse_of_move(m.inverse_transform.value_or(Affine3{}));
      std::vector<D3> world;
      for (std::size_t i = 0; i < m.spheres.len; ++i)
        world.push_back(to_d(curvel::transform_point(forward, m.spheres.sphere(i).center)));
      return inflate(points_support(world), m.point_radius);
    });
  }
}

// A rigid move carries the answers along: a query moved with the collider
// gets the same answer (up to rounding near contact).
TEST(ColliderMoves, RigidMovesKeepQueryAnswers) {
  Scene s(7);
  int same = 0;
  int total = 0;
  for (int round = 0; round < 200; ++round) {
    Collider<> c = s.collider(4, ALL_KINDS & ~bit(Kind::Pointclouds));
    Sphere q = s.sphere();
    const bool before = query_collider(q, c);
    const Affine3 move{curvel::mat3_from_quat(s.rotation()), s.point(3.0f)};
    c.transform(move);
    q.center = curvel::transform_point(move, q.center);
    same += query_collider(q, c) == before;
    ++total;
  }
  EXPECT_GE(same, total - 4);
}

}  // namespace
