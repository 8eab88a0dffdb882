#include <gtest/gtest.h>

#include <cmath>

#include "oracle_shapes.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/pairs.hpp"
#include "tangor/plane/convex.hpp"

using namespace tangor;
using oracle::Truth;

namespace {

constexpr int kTrials = 3000;
constexpr double kMargin = 2e-3;

Capsule hull_capsule(const Cylinder& c) { return Capsule::create(c.p1, c.p1 + c.dir, c.radius); }

Cuboid aligned_box(Vec3 c, float hx, float hy, float hz) {
  return Cuboid::create(c, cuboid::IDENTITY_AXES, {hx, hy, hz});
}

}  // namespace

TEST(CylinderCuboid, HitsAreCapsuleHitsAndClearContactsAreFound) {
  oracle::Shapes gen(31);
  for (int i = 0; i < kTrials; ++i) {
    const Cylinder c = gen.cylinder();
    const Cuboid b = gen.box(i % 3 == 0);
    const bool got = cylinder::cylinder_cuboid_collides(c, b);
    EXPECT_EQ(got, cylinder::cylinder_cuboid_collides_query(c, b));
    if (got) {
      EXPECT_LE(oracle::distance(oracle::capsule_support(hull_capsule(c)), oracle::box_support(b)), 1e-4) << i;
    }
    // The axis meeting the box, or a corner inside, is always found.
    const double axis_gap = oracle::distance(
        oracle::segment_support(oracle::to_d(c.p1), oracle::to_d(c.p1 + c.dir)), oracle::box_support(b, kMargin));
    if (axis_gap < 1e-9) { EXPECT_TRUE(got) << i; }
  }
}

TEST(CylinderCuboid, CapsuleLikeBeyondTheCapAndCornerBetweenSamples) {
  const Cylinder c = Cylinder::create({0, 0, 0}, {0, 0, 2}, 1.0f);
  // Beyond the cap plane z = 2 but within the radius of the cap centre.
  EXPECT_TRUE(cylinder::cylinder_cuboid_collides(c, aligned_box({0, 0, 2.8f}, 0.1f, 0.1f, 0.1f)));
  EXPECT_FALSE(cylinder::cylinder_cuboid_collides(c, aligned_box({0, 0, 3.2f}, 0.1f, 0.1f, 0.1f)));
  // A small box rotated so that only a corner pokes into the side wall at
  // mid-height, away from the face crossings of the axis.
  Cuboid b = aligned_box({0, 0, 0}, 0.3f, 0.3f, 0.3f);
  rotate_quat(b, {0.0f, 0.0f, 0.38268343f, 0.92387953f});
  b.axis_aligned = false;
  translate(b, Vec3{1.0f + 0.42426407f - 0.05f, 0.0f, 1.0f});
  EXPECT_TRUE(cylinder::cylinder_cuboid_collides(c, b));
}

TEST(CylinderCapsule, HitsAreRealAndClearOverlapsAtSamplesAreFound) {
  oracle::Shapes gen(32);
  int hits = 0;
  for (int i = 0; i < kTrials; ++i) {
    const Cylinder c = gen.cylinder();
    const Capsule k = gen.capsule();
    const bool got = cylinder::cylinder_capsule_collides(c, k);
    EXPECT_EQ(got, cylinder::cylinder_capsule_collides_query(c, k));
    if (got) {
      ++hits;
      EXPECT_LE(oracle::distance(oracle::cylinder_support(c), oracle::capsule_support(k)), 1e-4) << i;
    }
    // Either end ball of the capsule clearly inside the cylinder's reach.
    for (Vec3 end : {k.p1, k.p1 + k.dir}) {
      const tangor::Sphere ball{end, k.radius};
      if (oracle::overlaps(oracle::cylinder_support(c, kMargin), oracle::sphere_support(ball, kMargin))) {
        EXPECT_TRUE(got) << i;
      }
    }
  }
  EXPECT_GT(hits, kTrials / 20);
}

TEST(CylinderCapsule, ParallelAlongsideAndContactBetweenCandidates) {
  const Cylinder c = Cylinder::create({0, 0, 0}, {0, 0, 4}, 1.0f);
  // Parallel: u0 = 0.5 and crossings 0 and 1.
  EXPECT_TRUE(cylinder::cylinder_capsule_collides(c, Capsule::create({1.4f, 0, 1}, {1.4f, 0, 3}, 0.5f)));
  EXPECT_FALSE(cylinder::cylinder_capsule_collides(c, Capsule::create({1.6f, 0, 1}, {1.6f, 0, 3}, 0.5f)));
  // A sloping capsule that dips past the rim between its candidate
  // parameters (ends, nearest to the axis line, cap crossings, quarters):
  // the samples miss it, the nearest approach finds it.
  const Cylinder c2 = Cylinder::create({0, 0, 0}, {0, 0, 4}, 1.0f);
  const Capsule k = Capsule::create({-1.05f, -2.05f, 4.45f}, {-0.85f, 0.75f, 4.0f}, 0.1f);
  ASSERT_TRUE(oracle::overlaps(oracle::cylinder_support(c2), oracle::capsule_support(k, 0.04)));
  EXPECT_FALSE(cylinder::sampled_cylinder_capsule_hit(c2, k));
  EXPECT_TRUE(cylinder::cylinder_capsule_collides(c2, k));
}

TEST(CylinderPolygon, CompleteAndCapsuleBounded) {
  oracle::Shapes gen(33);
  for (int i = 0; i < kTrials; ++i) {
    const Cylinder c = gen.cylinder();
    const ConvexPolygon p = gen.polygon();
    const bool got = collides(c, p);
    EXPECT_EQ(got, cylinder::cylinder_polygon_collides_query(c, p.view()));
    if (got) {
      EXPECT_LE(oracle::distance(oracle::capsule_support(hull_capsule(c)), oracle::polygon_support(p)), 1e-4) << i;
    }
    if (oracle::overlaps(oracle::cylinder_support(c, kMargin), oracle::polygon_support(p, kMargin))) {
      EXPECT_TRUE(got) << i;
    }
  }
}

TEST(CylinderPolygon, VertexExactlyOnTheSideCollides) {
  const Cylinder c = Cylinder::create({0, 0, 0}, {0, 0, 2}, 1.0f);
  // A triangle far from the axis but for one vertex at (1, 0, 1).
  const ConvexPolygon p = ConvexPolygon::with_axes({3, 0, 1}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0},
                                                   {{-2.0f, 0.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}});
  ASSERT_EQ(p.vertices_3d[0].x, 1.0f);
  EXPECT_TRUE(collides(c, p));
}

TEST(CylinderPolytope, ConservativeNoFalseNegatives) {
  oracle::Shapes gen(34);
  for (int i = 0; i < kTrials; ++i) {
    const Cylinder c = gen.cylinder();
    const ConvexPolytope p = gen.tetrahedron();
    const Truth t = oracle::classify(oracle::cylinder_support(c), oracle::polytope_support(p),
                                     oracle::cylinder_support(c, kMargin), oracle::polytope_support(p, kMargin),
                                     kMargin);
    const bool got = collides(c, p);
    if (t == Truth::Overlap) { EXPECT_TRUE(got) << i; }
    if (got) { EXPECT_TRUE(cylinder::cylinder_polytope_collides_query(c, p.view())); }
  }
}

// Without an axis the face test has no direction to take: past the
// bounding-sphere reject a zero-length cylinder is a contact.
TEST(CylinderPolytope, ZeroLengthCylinderIsAContactPastTheReject) {
  const ConvexPolytope cube = oracle::Shapes::polytope_from_box(aligned_box({0, 0, 0}, 1, 1, 1));
  const auto at = [](Vec3 p) { return Cylinder::create(p, p, 0.5f); };
  EXPECT_TRUE(collides(at({1.6f, 0, 0}), cube));  // bounding spheres overlap, faces separate
  EXPECT_TRUE(collides(cube, at({2.2f, 0, 0})));
  EXPECT_FALSE(collides(at({2.3f, 0, 0}), cube));  // beyond |half extents| + radius
  EXPECT_TRUE(cylinder::cylinder_polytope_collides_query(at({50, 0, 0}), cube.view()));
  EXPECT_TRUE(collides(at({1.5f, 0, 0}), cube));  // touching the face x = 1
  EXPECT_TRUE(collides(at({0.2f, 0, 0}), cube));
  // A polytope without planes still takes every cylinder.
  EXPECT_TRUE(cylinder::cylinder_polytope_collides_query(Cylinder::create({9, 9, 9}, {9, 9, 10}, 0.1f),
                                                         {{}, cube.vertices, cube.obb}));
}

TEST(LineCylinder, ExactForEveryKind) {
  oracle::Shapes gen(35);
  for (int i = 0; i < kTrials; ++i) {
    const Cylinder c = gen.cylinder();
    const Vec3 o = gen.point(3.0f), d = gen.point(2.0f);
    const struct {
      float t_min, t_max;
    } ranges[] = {{-INF, INF}, {0.0f, INF}, {0.0f, 1.0f}};
    for (const auto& r : ranges) {
      const auto piece = oracle::piece_support(o, d, r.t_min, r.t_max);
      const bool got = cylinder::line_cylinder_collides(o, d, c, r.t_min, r.t_max);
      if (oracle::distance(piece, oracle::cylinder_support(c)) > kMargin) { EXPECT_FALSE(got) << i; }
      if (oracle::overlaps(piece, oracle::cylinder_support(c, kMargin))) { EXPECT_TRUE(got) << i; }
    }
  }
}

TEST(LineCylinder, BoundaryCases) {
  const Cylinder c = Cylinder::create({0, 0, 0}, {0, 0, 2}, 1.0f);
  // Parallel to the axis at exactly the radius, spanning the caps (Cq = 0).
  EXPECT_TRUE(cylinder::line_cylinder_collides({1, 0, -5}, {0, 0, 1}, c, -INF, INF));
  EXPECT_FALSE(cylinder::line_cylinder_collides({std::nextafter(1.0f, 2.0f), 0, -5}, {0, 0, 1}, c, -INF, INF));
  // Perpendicular to the axis between the caps, and beyond a cap.
  EXPECT_TRUE(cylinder::line_cylinder_collides({-5, 0, 1}, {1, 0, 0}, c, -INF, INF));
  EXPECT_FALSE(cylinder::line_cylinder_collides({-5, 0, 2.5f}, {1, 0, 0}, c, -INF, INF));
  // A segment ending exactly on the cap disc; a ray starting inside.
  EXPECT_TRUE(cylinder::line_cylinder_collides({0.5f, 0, 5}, {0, 0, -3}, c, 0.0f, 1.0f));
  EXPECT_FALSE(cylinder::line_cylinder_collides({0.5f, 0, 5}, {0, 0, -2.99f}, c, 0.0f, 1.0f));
  EXPECT_TRUE(cylinder::line_cylinder_collides({0.2f, 0.1f, 1}, {3, 1, 0.5f}, c, 0.0f, INF));
  // A zero-length cylinder is a ball in the line test.
  const Cylinder flat = Cylinder::create({0, 0, 0}, {0, 0, 0}, 1.0f);
  EXPECT_TRUE(cylinder::line_cylinder_collides({1, -5, 0}, {0, 1, 0}, flat, -INF, INF));
  EXPECT_FALSE(cylinder::line_cylinder_collides({1.01f, -5, 0}, {0, 1, 0}, flat, -INF, INF));
}
