#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "curve_reference.hpp"
#include "curvel/polyline.hpp"

namespace curvel {
namespace {

namespace ref = reference;

const Polyline BENT{{Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{3, 0, 0}}};

TEST(Polyline, EvaluatesOnItsSegments) {
  EXPECT_EQ(point(BENT, 1.0f), BENT.points[2]);
  EXPECT_EQ(point(BENT, 0.5f), BENT.points[1]);
  EXPECT_EQ(point(BENT, 0.75f), (Vec3{2, 0, 0}));
  EXPECT_EQ(point(BENT, -1.0f), BENT.points[0]);
  EXPECT_EQ(point(BENT, 2.0f), BENT.points[2]);
  EXPECT_EQ(velocity(BENT, 0.25f), (Vec3{2, 0, 0}));
  EXPECT_EQ(velocity(BENT, 0.75f), (Vec3{4, 0, 0}));
  EXPECT_EQ(acceleration(BENT, 0.75f), (Vec3{}));
  EXPECT_EQ(normal(BENT, 0.75f), (Vec3{}));
  EXPECT_EQ(point(Polyline{}, 0.5f), (Vec3{}));
  EXPECT_EQ(point(Polyline{{Vec3{4, 5, 6}}}, 0.5f), (Vec3{4, 5, 6}));
}

TEST(Polyline, LengthsAreExact) {
  EXPECT_EQ(arc_length(BENT), 3.0f);
  EXPECT_EQ(arc_length_to(BENT, 0.75f), 2.0f);
  EXPECT_EQ(arc_length_to(BENT, 5.0f), 3.0f);
  EXPECT_EQ(arc_length_to(BENT, -5.0f), 0.0f);
  EXPECT_EQ(arc_length(Polyline{{Vec3{4, 5, 6}}}), 0.0f);
  std::mt19937 rng(3);
  Polyline walk;
  double expected = 0;
  for (int k = 0; k < 50; ++k) {
    walk.points.push_back(ref::random_point(rng));
    if (k > 0) expected += ref::dist(ref::widen(walk.points[k]), ref::widen(walk.points[k - 1]));
  }
  EXPECT_NEAR(arc_length(walk), expected, 1e-5 * expected);
}

TEST(Polyline, DistanceInversionWalksTheSegments) {
  struct Case {
    float s;
    float t;
  };
  for (const Case c : {Case{1.0f, 0.5f}, Case{2.0f, 0.75f}, Case{0.0f, 0.0f}, Case{-1.0f, 0.0f},
                       Case{3.0f, 1.0f}, Case{9.0f, 1.0f}, Case{0.5f, 0.25f}})
    EXPECT_EQ(t_at_distance(BENT, c.s), c.t) << c.s;
  const Polyline stutter{{Vec3{0, 0, 0}, Vec3{0, 0, 0}, Vec3{2, 0, 0}}};
  EXPECT_EQ(t_at_distance(stutter, 0.0f), 0.0f);
  EXPECT_EQ(t_at_distance(stutter, 1.0f), 0.75f);
  EXPECT_EQ(t_at_distance(Polyline{{Vec3{1, 1, 1}}}, 1.0f), 0.0f);
  const Polyline broken{{Vec3{0, 0, 0}, Vec3{std::numeric_limits<float>::quiet_NaN(), 0, 0}}};
  EXPECT_TRUE(std::isnan(t_at_distance(broken, 0.5f)));
}

TEST(Polyline, NearestMatchesDenseSampling) {
  std::mt19937 rng(9);
  for (int trial = 0; trial < 20; ++trial) {
    Polyline curve;
    for (int k = 0; k < 6; ++k) curve.points.push_back(ref::random_point(rng));
    for (int k = 0; k < 20; ++k) {
      const Vec3 q = ref::random_point(rng, 8.0f);
      const Nearest found = nearest(curve, q);
      EXPECT_LT(distance(found.point, point(curve, found.t)), 1e-4f);
      const double best = ref::brute_force_nearest(
          [&](double t) { return ref::widen(point(curve, float(t))); }, q, 50000);
      EXPECT_LE(found.dist_sq, best * (1 + 1e-5) + 1e-6);
      EXPECT_GE(found.dist_sq, best * (1 - 1e-3) - 1e-4);
    }
  }
}

TEST(Polyline, NearestBoundaryRules) {
  // A query beyond the end clamps onto the last segment.
  const Nearest beyond = nearest(BENT, Vec3{7, 1, 0});
  EXPECT_EQ(beyond, (Nearest{1.0f, Vec3{3, 0, 0}, 17.0f}));
  // The shared vertex reports the earlier segment with s = 1.
  const Polyline corner{{Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}}};
  const Nearest at_corner = nearest(corner, Vec3{2, -1, 0});
  EXPECT_EQ(at_corner, (Nearest{0.5f, Vec3{1, 0, 0}, 2.0f}));
  // A zero-length first segment contributes its start point with s = 0.
  const Polyline stutter{{Vec3{0, 0, 0}, Vec3{0, 0, 0}, Vec3{2, 0, 0}}};
  EXPECT_EQ(nearest(stutter, Vec3{-1, 0, 0}), (Nearest{0.0f, Vec3{0, 0, 0}, 1.0f}));
  EXPECT_EQ(nearest(Polyline{}, Vec3{1, 0, 0}), (Nearest{0.0f, Vec3{}, INF}));
}

}  // namespace
}  // namespace curvel
