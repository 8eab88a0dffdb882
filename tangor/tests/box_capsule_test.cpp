#include <gtest/gtest.h>

#include <cmath>

#include "oracle_shapes.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/pairs.hpp"

using namespace tangor;
using oracle::Truth;

namespace {

constexpr int kTrials = 4000;
constexpr double kMargin = 2e-3;

Cuboid aligned_box(Vec3 c, float hx, float hy, float hz) {
  return Cuboid::create(c, cuboid::IDENTITY_AXES, {hx, hy, hz});
}

// Brute-force squared distance of two segments in double precision.
double brute_segment_dist_sq(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2) {
  return std::pow(oracle::distance(oracle::segment_support(oracle::to_d(p1), oracle::to_d(p1 + d1)),
                                   oracle::segment_support(oracle::to_d(p2), oracle::to_d(p2 + d2))),
                  2);
}

}  // namespace

TEST(PointDistSq, MatchesDoublePrecisionDistance) {
  oracle::Shapes gen(11);
  for (int i = 0; i < kTrials; ++i) {
    const Cuboid b = gen.box(i % 2 == 0);
    const Vec3 p = gen.point(3.0f);
    const double want = std::pow(oracle::distance(oracle::box_support(b), oracle::points_support({oracle::to_d(p)})), 2);
    EXPECT_NEAR(b.point_dist_sq(p), want, 1e-4 * (1 + want));
  }
  const Cuboid b = aligned_box({1, 2, 3}, 1, 1, 1);
  EXPECT_EQ(b.point_dist_sq({1.5f, 2.5f, 3.5f}), 0.0f);
  EXPECT_EQ(b.point_dist_sq({2.0f, 2.0f, 3.0f}), 0.0f);  // on a face
  EXPECT_EQ(b.point_dist_sq({4.0f, 2.0f, 7.0f}), 4.0f + 9.0f);
}

TEST(SegmentSegmentDistSq, MatchesBruteForceIncludingDegenerateAndParallel) {
  oracle::Shapes gen(12);
  for (int i = 0; i < kTrials; ++i) {
    Vec3 p1 = gen.point(), d1 = gen.point(1.5f), p2 = gen.point(), d2 = gen.point(1.5f);
    if (i % 7 == 0) d2 = d1 * 0.5f;          // parallel
    if (i % 11 == 0) d1 = Vec3{};            // a point
    if (i % 13 == 0) d2 = Vec3{};
    const double want = brute_segment_dist_sq(p1, d1, p2, d2);
    EXPECT_NEAR(capsule::segment_segment_dist_sq(p1, d1, p2, d2), want, 1e-4 * (1 + want)) << i;
    // On [0, 1] the line-piece routine is the segment routine, to the bit.
    EXPECT_EQ(util::clamped_line_segment_dist_sq(p1, d1, p2, d2, 0.0f, 1.0f),
              capsule::segment_segment_dist_sq(p1, d1, p2, d2));
  }
  // Parallel: s = 0 and the distance is exact.
  EXPECT_EQ(capsule::segment_segment_dist_sq({0, 0, 0}, {2, 0, 0}, {1, 1, 0}, {2, 0, 0}), 1.0f);
}

TEST(ClampedLineSegmentDistSq, RangesOfTheLineKinds) {
  // The closest approach lies at a negative parameter: only the line gets it.
  const Capsule c = Capsule::create({-5, 1, -1}, {-5, 1, 1}, 1.5f);
  const curvel::Line line{{0, 0, 0}, {1, 0, 0}};
  const curvel::Ray ray{{0, 0, 0}, {1, 0, 0}};
  const curvel::LineSegment seg{{0, 0, 0}, {1, 0, 0}};
  EXPECT_TRUE(capsule::line_capsule_collides(util::line_piece(line), c));
  EXPECT_FALSE(capsule::line_capsule_collides(util::line_piece(ray), c));
  EXPECT_FALSE(capsule::line_capsule_collides(util::line_piece(seg), c));
  EXPECT_FALSE(collides(seg, c));
  // A zero direction measures the origin itself.
  EXPECT_EQ(util::clamped_line_segment_dist_sq({3, 0, 0}, {}, {0, 0, 0}, {0, 1, 0}, -INF, INF), 9.0f);
}

TEST(CuboidCuboid, TouchingAlignedCollidesAndOneUlpApartDoesNot) {
  const Cuboid a = aligned_box({0, 0, 0}, 1, 1, 1);
  const Cuboid b = aligned_box({2, 0.5f, 0}, 1, 1, 1);
  EXPECT_TRUE(collides(a, b));
  const Cuboid c = aligned_box({std::nextafter(2.0f, 3.0f), 0.5f, 0}, 1, 1, 1);
  EXPECT_FALSE(collides(a, c));
}

TEST(CuboidCuboid, RotatedFaceContactCollides) {
  oracle::Shapes gen(14);
  for (int i = 0; i < 50; ++i) {
    Cuboid a = aligned_box({0, 0, 0}, 1, 0.5f, 0.25f), b = aligned_box({1.5f, 0, 0}, 0.5f, 0.5f, 0.5f);
    const Quat q = gen.rotation();
    rotate_quat(a, q);
    rotate_quat(b, q);
    EXPECT_TRUE(collides(a, b));
  }
}

TEST(CapsuleCuboid, AlignedCaseIsExact) {
  oracle::Shapes gen(15);
  for (int i = 0; i < kTrials; ++i) {
    const Cuboid b = gen.box(true);
    const Capsule c = gen.capsule(true);
    const Truth t = oracle::classify(oracle::capsule_support(c), oracle::box_support(b),
                                     oracle::capsule_support(c, kMargin), oracle::box_support(b, kMargin), kMargin);
    const bool got = cuboid::capsule_cuboid_collides(c, b);
    EXPECT_EQ(got, cuboid::capsule_cuboid_collides_query(c, b));
    if (t == Truth::Apart) { EXPECT_FALSE(got) << i; }
    if (t == Truth::Overlap) { EXPECT_TRUE(got) << i; }
  }
  // Surface just reaching a face: point distance equal to the radius.
  const Cuboid b = aligned_box({0, 0, 0}, 1, 1, 1);
  EXPECT_TRUE(cuboid::capsule_cuboid_collides(Capsule::create({1.5f, 0, -3}, {1.5f, 0, 3}, 0.5f), b));
  EXPECT_FALSE(cuboid::capsule_cuboid_collides(
      Capsule::create({std::nextafter(1.5f, 2.0f), 0, -3}, {std::nextafter(1.5f, 2.0f), 0, 3}, 0.5f), b));
}

TEST(PolytopeCuboid, NoFalseNegativesAndQueryFormIsLooser) {
  oracle::Shapes gen(17);
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolytope p = gen.tetrahedron();
    const Cuboid b = gen.box(i % 3 == 0);
    const Truth t = oracle::classify(oracle::polytope_support(p), oracle::box_support(b),
                                     oracle::polytope_support(p, kMargin), oracle::box_support(b, kMargin), kMargin);
    const bool full = p.view().collides_cuboid(b);
    const bool query = convex_polytope::refer::RefConvexPolytope::collides_cuboid_query(p.planes, b);
    if (t == Truth::Overlap) { EXPECT_TRUE(full) << i; }
    if (full) { EXPECT_TRUE(query); }
  }
  // A box beyond an edge of a cube-shaped polytope but inside every face
  // plane's half-space: the planes admit it, the obb does not.
  const ConvexPolytope cube = oracle::Shapes::polytope_from_box(aligned_box({0, 0, 0}, 1, 1, 1));
  Cuboid small = aligned_box({0, 0, 0}, 0.2f, 0.2f, 0.2f);
  rotate_quat(small, {0.0f, 0.0f, 0.38268343f, 0.92387953f});
  translate(small, Vec3{1.2f, 1.2f, 0.0f});
  EXPECT_TRUE(convex_polytope::refer::RefConvexPolytope::collides_cuboid_query(cube.planes, small));
  EXPECT_FALSE(cube.view().collides_cuboid(small));
}

TEST(PolytopeCapsule, NoFalseNegatives) {
  oracle::Shapes gen(18);
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolytope p = gen.tetrahedron();
    const Capsule c = gen.capsule();
    const Truth t = oracle::classify(oracle::polytope_support(p), oracle::capsule_support(c),
                                     oracle::polytope_support(p, kMargin), oracle::capsule_support(c, kMargin), kMargin);
    const bool full = p.view().collides_capsule(c);
    if (t == Truth::Overlap) { EXPECT_TRUE(full) << i; }
    if (full) { EXPECT_TRUE(convex_polytope::refer::RefConvexPolytope::collides_capsule_query(p.planes, c)); }
  }
}

TEST(LineCuboid, BoundaryCases) {
  const Cuboid b = aligned_box({0, 0, 0}, 1, 1, 1);
  // A segment ending exactly on a face.
  EXPECT_TRUE(collides(curvel::LineSegment{{3, 0, 0}, {1, 0, 0}}, b));
  EXPECT_FALSE(collides(curvel::LineSegment{{3, 0, 0}, {std::nextafter(1.0f, 2.0f), 0, 0}}, b));
  // A line parallel to a face, lying in the face plane.
  EXPECT_TRUE(line::line_cuboid_collides({0, 1, 5}, {0, 0, 1}, b, -INF, INF));
  EXPECT_FALSE(line::line_cuboid_collides({0, std::nextafter(1.0f, 2.0f), 5}, {0, 0, 1}, b, -INF, INF));
  // A ray starting inside collides whatever its direction; one pointing away
  // from a box it does not contain does not.
  EXPECT_TRUE(line::line_cuboid_collides({0.5f, 0, 0}, {1, 2, 3}, b, 0.0f, INF));
  EXPECT_FALSE(line::line_cuboid_collides({3, 0, 0}, {1, 0, 0}, b, 0.0f, INF));
}

TEST(LinePolytope, WithoutPlanesTheObbSlabsDecide) {
  const Cuboid obb = aligned_box({0, 0, 0}, 1, 1, 1);
  EXPECT_TRUE(line::line_polytope_collides({0, 0, 5}, {0, 0, -1}, {}, obb, 0.0f, INF));
  EXPECT_FALSE(line::line_polytope_collides({0, 3, 5}, {0, 0, -1}, {}, obb, 0.0f, INF));
}

TEST(PolytopePolytope, FaceAxesOnlyNoFalseNegativesAndTheFullFormIsStricter) {
  oracle::Shapes gen(23);
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolytope a = gen.tetrahedron(), b = gen.tetrahedron();
    const Truth t = oracle::classify(oracle::polytope_support(a), oracle::polytope_support(b),
                                     oracle::polytope_support(a, kMargin), oracle::polytope_support(b, kMargin), kMargin);
    const bool faces = a.view().collides_polytope_query(b.view());
    EXPECT_EQ(faces, b.view().collides_polytope_query(a.view())) << i;
    if (t == Truth::Overlap) { EXPECT_TRUE(faces) << i; }
    if (a.view().collides_polytope(b.view())) { EXPECT_TRUE(faces) << i; }
  }
  // Without vertices a polytope is separated by any face plane of the other.
  const ConvexPolytope cube = oracle::Shapes::polytope_from_box(aligned_box({0, 0, 0}, 1, 1, 1));
  const ConvexPolytope hollow = ConvexPolytope::create(cube.planes, {});
  EXPECT_FALSE(cube.view().collides_polytope_query(hollow.view()));
}
