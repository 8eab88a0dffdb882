#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "curve_reference.hpp"
#include "curvel/spline.hpp"

namespace curvel {
namespace {

namespace ref = reference;

// Catmull-Rom in Hermite form: tangents ½·(P[k+1] − P[k−1]) at each point.
// derivative = false gives the point, true the derivative with respect to t.
ref::DVec3 hermite(const Spline& curve, double t, bool derivative) {
  const std::size_t n = curve.points.size();
  const double u = std::clamp(t, 0.0, 1.0) * double(n - 1);
  const std::size_t i = std::min<std::size_t>(std::size_t(u), n - 2);
  const double s = u - double(i);
  auto at = [&](std::ptrdiff_t k) {
    return ref::widen(curve.points[std::clamp<std::ptrdiff_t>(k, 0, std::ptrdiff_t(n) - 1)]);
  };
  const std::ptrdiff_t k = std::ptrdiff_t(i);
  const ref::DVec3 p0 = at(k), p1 = at(k + 1), pm = at(k - 1), p2 = at(k + 2);
  double h00 = 2 * s * s * s - 3 * s * s + 1, h10 = s * s * s - 2 * s * s + s;
  double h01 = -2 * s * s * s + 3 * s * s, h11 = s * s * s - s * s;
  if (derivative) {
    const double f = double(n - 1);
    h00 = (6 * s * s - 6 * s) * f, h10 = (3 * s * s - 4 * s + 1) * f;
    h01 = (-6 * s * s + 6 * s) * f, h11 = (3 * s * s - 2 * s) * f;
  }
  auto comp = [&](double ref::DVec3::*c) {
    const double m0 = 0.5 * (p1.*c - pm.*c), m1 = 0.5 * (p2.*c - p0.*c);
    return h00 * p0.*c + h10 * m0 + h01 * p1.*c + h11 * m1;
  };
  return {comp(&ref::DVec3::x), comp(&ref::DVec3::y), comp(&ref::DVec3::z)};
}

ref::DVec3 hermite_point(const Spline& curve, double t) { return hermite(curve, t, false); }

Spline random_spline(std::mt19937& rng, std::size_t n) {
  Spline curve;
  for (std::size_t k = 0; k < n; ++k) curve.points.push_back(ref::random_point(rng));
  return curve;
}

class SplineSizes : public ::testing::TestWithParam<std::size_t> {};
INSTANTIATE_TEST_SUITE_P(Counts, SplineSizes, ::testing::Values(2, 3, 4, 7, 16));

TEST_P(SplineSizes, PassesThroughItsPointsAndMatchesHermiteForm) {
  std::mt19937 rng{unsigned(GetParam())};
  const Spline curve = random_spline(rng, GetParam());
  const std::size_t n = curve.points.size();
  for (std::size_t k = 0; k + 1 < n; ++k)
    EXPECT_EQ(point(curve, float(k) / float(n - 1)), curve.points[k]) << k;
  EXPECT_LT(distance(point(curve, 1.0f), curve.points.back()), 1e-5f);
  EXPECT_EQ(point(curve, -1.0f), curve.points.front());
  EXPECT_EQ(point(curve, 2.0f), point(curve, 1.0f));
  for (float t : {0.05f, 0.33f, 0.5f, 0.71f, 0.99f})
    EXPECT_LT(ref::dist(ref::widen(point(curve, t)), hermite_point(curve, t)), 1e-4) << t;
}

TEST_P(SplineSizes, DerivativesMatchTheHermiteForm) {
  std::mt19937 rng(unsigned(GetParam()) + 100);
  const Spline curve = random_spline(rng, GetParam());
  for (double t : {0.13, 0.42, 0.88}) {
    const ref::DVec3 expected = hermite(curve, t, true);
    EXPECT_LT(ref::dist(ref::widen(velocity(curve, float(t))), expected), 1e-3 * (1 + ref::norm(expected)));
    const Vec3 va = velocity(curve, float(t + 1e-3)), vb = velocity(curve, float(t - 1e-3));
    const Vec3 fd_acc = (va - vb) / 2e-3f;
    EXPECT_LT(distance(acceleration(curve, float(t)), fd_acc), 2e-2f * (1 + length(fd_acc)));
  }
}

TEST_P(SplineSizes, ArcLengthAndInversionMatchAdaptiveQuadrature) {
  std::mt19937 rng(unsigned(GetParam()) + 200);
  const Spline curve = random_spline(rng, GetParam());
  // Segment by segment: the acceleration jumps at the points.
  double expected = 0;
  const std::size_t n = curve.points.size();
  for (std::size_t k = 0; k + 1 < n; ++k) {
    const double lo = double(k) / double(n - 1), hi = double(k + 1) / double(n - 1);
    expected += ref::integrate([&](double t) { return ref::norm(hermite(curve, t, true)); }, lo, hi);
  }
  const float L = arc_length(curve);
  EXPECT_NEAR(L, expected, 1e-4 * expected);
  for (float fraction : {0.2f, 0.6f}) {
    const float t = t_at_distance(curve, fraction * L);
    EXPECT_NEAR(arc_length_to(curve, t), fraction * L, 2e-4f * L);
  }
  EXPECT_EQ(t_at_distance(curve, -3.0f), 0.0f);
  EXPECT_EQ(t_at_distance(curve, L), 1.0f);
}

TEST_P(SplineSizes, NearestMatchesBruteForce) {
  std::mt19937 rng(unsigned(GetParam()) + 300);
  const Spline curve = random_spline(rng, GetParam());
  int within = 0;
  for (int k = 0; k < 50; ++k) {
    const Vec3 q = ref::random_point(rng, 8.0f);
    const Nearest found = nearest(curve, q);
    EXPECT_EQ(found.point, point(curve, found.t));
    const double best = ref::brute_force_nearest([&](double t) { return hermite_point(curve, t); }, q, 20000);
    EXPECT_GE(found.dist_sq, best * (1 - 1e-4) - 1e-5);
    if (found.dist_sq <= best * (1 + 1e-3) + 1e-4) ++within;
  }
  EXPECT_GE(within, 48);
}

TEST(Spline, QuadratureIntervalsGrowWithThePointCount) {
  const std::size_t expected[] = {16, 16, 16, 16, 24, 32};
  for (std::size_t n = 0; n < std::size(expected); ++n)
    EXPECT_EQ(quadrature_intervals(Spline{std::vector<Vec3>(n)}), expected[n]) << n;
}

TEST(Spline, TwoPointsGiveTheMidpointAndHalfTheChordAsVelocity) {
  const Vec3 A{1, 2, 3}, B{5, -2, 7};
  const Spline curve{{A, B}};
  EXPECT_EQ(point(curve, 0.5f), (A + B) * 0.5f);
  EXPECT_EQ(velocity(curve, 0.0f), 0.5f * (B - A));
}

TEST(Spline, EmptyAndSinglePointCurves) {
  const Spline empty;
  EXPECT_EQ(point(empty, 0.3f), (Vec3{}));
  EXPECT_EQ(arc_length(empty), 0.0f);
  EXPECT_EQ(t_at_distance(empty, 1.0f), 0.0f);
  const Nearest none = nearest(empty, Vec3{1, 1, 1});
  EXPECT_EQ(none, (Nearest{0.0f, Vec3{}, INF}));

  const Vec3 P{1, 2, 3};
  const Spline single{{P}};
  EXPECT_EQ(point(single, 0.7f), P);
  EXPECT_EQ(velocity(single, 0.7f), (Vec3{}));
  EXPECT_EQ(acceleration(single, 0.7f), (Vec3{}));
  EXPECT_EQ(normal(single, 0.7f), (Vec3{}));
  EXPECT_EQ(arc_length(single), 0.0f);
  EXPECT_EQ(nearest(single, Vec3{1, 2, 5}), (Nearest{0.0f, P, 4.0f}));
}

TEST(Spline, NaNPointGivesNaNDistanceParameter) {
  const Spline curve{{Vec3{0, 0, 0}, Vec3{std::numeric_limits<float>::quiet_NaN(), 0, 0}, Vec3{2, 0, 0}}};
  EXPECT_TRUE(std::isnan(t_at_distance(curve, 1.0f)));
  EXPECT_TRUE(std::isnan(point_at_distance(curve, 1.0f).x));
  // A NaN parameter lands on the first segment and propagates.
  EXPECT_TRUE(std::isnan(point(Spline{{Vec3{}, Vec3{1, 1, 1}}}, std::nanf("")).x));
}

}  // namespace
}  // namespace curvel
