#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "curve_reference.hpp"
#include "curvel/bezier.hpp"

namespace curvel {
namespace {

namespace ref = reference;

template <class B>
class BezierTest : public ::testing::Test {};
using BezierKinds = ::testing::Types<QuadraticBezier, CubicBezier>;
TYPED_TEST_SUITE(BezierTest, BezierKinds);

template <class B>
B random_bezier(std::mt19937& rng) {
  B curve;
  for (Vec3& p : curve.points) p = ref::random_point(rng);
  return curve;
}

TYPED_TEST(BezierTest, EndPointsAreExactAndTheInteriorMatchesBernstein) {
  std::mt19937 rng(1);
  for (int k = 0; k < 100; ++k) {
    const TypeParam curve = random_bezier<TypeParam>(rng);
    EXPECT_EQ(point(curve, 0.0f), curve.points.front());
    EXPECT_EQ(point(curve, 1.0f), curve.points.back());
    for (float t : {0.1f, 0.37f, 0.5f, 0.93f, -0.5f, 2.0f}) {
      const ref::DVec3 expected = ref::bezier_point(curve.points, t);
      EXPECT_LT(ref::dist(ref::widen(point(curve, t)), expected), 1e-4) << t;
      const ref::DVec3 expected_v = ref::bezier_velocity(curve.points, t);
      EXPECT_LT(ref::dist(ref::widen(velocity(curve, t)), expected_v), 1e-3) << t;
    }
  }
}

TYPED_TEST(BezierTest, AccelerationIsTheDerivativeOfVelocity) {
  std::mt19937 rng(2);
  const TypeParam curve = random_bezier<TypeParam>(rng);
  for (double t : {0.0, 0.25, 0.8}) {
    const double h = 1e-4;
    const ref::DVec3 a = ref::bezier_velocity(curve.points, t + h);
    const ref::DVec3 b = ref::bezier_velocity(curve.points, t - h);
    const ref::DVec3 expected{(a.x - b.x) / (2 * h), (a.y - b.y) / (2 * h), (a.z - b.z) / (2 * h)};
    EXPECT_LT(ref::dist(ref::widen(acceleration(curve, float(t))), expected), 1e-2) << t;
  }
}

TYPED_TEST(BezierTest, NormalIsUnitOrthogonalOrZeroOnAStraightCurve) {
  std::mt19937 rng(3);
  for (int k = 0; k < 50; ++k) {
    const TypeParam curve = random_bezier<TypeParam>(rng);
    const Vec3 n = normal(curve, 0.4f);
    EXPECT_NEAR(length(n), 1.0f, 1e-5);
    EXPECT_NEAR(dot(n, normalize(velocity(curve, 0.4f))), 0.0f, 1e-4);
  }
  TypeParam straight;
  for (std::size_t i = 0; i < straight.points.size(); ++i)
    straight.points[i] = Vec3{float(i), 2.0f * float(i), 0.0f};
  EXPECT_EQ(normal(straight, 0.3f), (Vec3{}));
}

TYPED_TEST(BezierTest, CurvatureMatchesDoublePrecision) {
  std::mt19937 rng(13);
  for (int k = 0; k < 50; ++k) {
    const TypeParam curve = random_bezier<TypeParam>(rng);
    const double t = 0.6, h = 1e-4;
    const ref::DVec3 v = ref::bezier_velocity(curve.points, t);
    const ref::DVec3 v1 = ref::bezier_velocity(curve.points, t + h), v0 = ref::bezier_velocity(curve.points, t - h);
    const ref::DVec3 a{(v1.x - v0.x) / (2 * h), (v1.y - v0.y) / (2 * h), (v1.z - v0.z) / (2 * h)};
    const ref::DVec3 c{v.y * a.z - v.z * a.y, v.z * a.x - v.x * a.z, v.x * a.y - v.y * a.x};
    const double expected = ref::norm(c) / std::pow(ref::norm(v), 3);
    EXPECT_NEAR(curvature(curve, float(t)), expected, 1e-3 * (1 + expected));
  }
  TypeParam coincident;
  coincident.points.fill(Vec3{1, 2, 3});
  EXPECT_EQ(curvature(coincident, 0.5f), 0.0f);
}

TYPED_TEST(BezierTest, ArcLengthMatchesAdaptiveQuadrature) {
  std::mt19937 rng(4);
  for (int k = 0; k < 50; ++k) {
    const TypeParam curve = random_bezier<TypeParam>(rng);
    for (float t : {1.0f, 0.3f}) {
      const double expected = ref::integrate(
          [&](double x) { return ref::norm(ref::bezier_velocity(curve.points, x)); }, 0.0, t);
      EXPECT_NEAR(integrate_speed(curve, t), expected, 2e-5 * expected + 1e-5);
    }
    EXPECT_EQ(arc_length_to(curve, 3.0f), arc_length(curve));
    EXPECT_EQ(arc_length_to(curve, -1.0f), 0.0f);
  }
}

TYPED_TEST(BezierTest, DistanceInversionFindsTheParameter) {
  std::mt19937 rng(5);
  for (int k = 0; k < 50; ++k) {
    const TypeParam curve = random_bezier<TypeParam>(rng);
    const float L = arc_length(curve);
    for (float fraction : {0.1f, 0.5f, 0.77f}) {
      const float t = t_at_distance(curve, fraction * L);
      EXPECT_NEAR(integrate_speed(curve, t), fraction * L, 1e-4f * L);
    }
    EXPECT_EQ(t_at_distance(curve, -1.0f), 0.0f);
    EXPECT_EQ(t_at_distance(curve, L * 2.0f), 1.0f);
  }
}

TYPED_TEST(BezierTest, DegenerateAndNonFiniteCurvesDoNotAbort) {
  TypeParam coincident;
  coincident.points.fill(Vec3{1, 2, 3});
  EXPECT_EQ(arc_length(coincident), 0.0f);
  EXPECT_EQ(t_at_distance(coincident, 5.0f), 0.0f);
  TypeParam broken = coincident;
  broken.points[1].y = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(std::isnan(t_at_distance(broken, 1.0f)));
  EXPECT_TRUE(std::isnan(point_at_distance(broken, 1.0f).x));
  const Nearest none = sampled_nearest(broken, Vec3{});
  EXPECT_GE(none.t, 0.0f);
  EXPECT_LE(none.t, 1.0f);
}

TYPED_TEST(BezierTest, SampledNearestMatchesBruteForce) {
  std::mt19937 rng(6);
  int within = 0;
  const int trials = 200;
  for (int k = 0; k < trials; ++k) {
    const TypeParam curve = random_bezier<TypeParam>(rng);
    const Vec3 q = ref::random_point(rng, 8.0f);
    const Nearest found = sampled_nearest(curve, q);
    EXPECT_GE(found.t, 0.0f);
    EXPECT_LE(found.t, 1.0f);
    EXPECT_EQ(found.point, point(curve, found.t));
    EXPECT_EQ(found.dist_sq, distance_squared(q, found.point));
    const double best = ref::brute_force_nearest(
        [&](double t) { return ref::bezier_point(curve.points, t); }, q, 20000);
    // A sampled search may settle in a local minimum the samples did not
    // separate; it must never beat the true minimum and almost always reach it.
    EXPECT_GE(found.dist_sq, best * (1 - 1e-4) - 1e-5);
    if (found.dist_sq <= best * (1 + 1e-3) + 1e-4) ++within;
  }
  EXPECT_GE(within, trials * 97 / 100);
}

TEST(BezierNearest, TiesKeepTheEarlierSample) {
  // Both ends of a symmetric arch are equally far from a query below its
  // middle: the sample at t = 0 seeds the window, not the one at t = 1.
  const QuadraticBezier arch{{Vec3{-1, 0, 0}, Vec3{0, 2, 0}, Vec3{1, 0, 0}}};
  const Nearest found = sampled_nearest(arch, Vec3{0, -10, 0});
  EXPECT_LT(found.t, 0.5f);
  EXPECT_LE(found.t, 1.0f / 24.0f);
}

TYPED_TEST(BezierTest, SubcurveTracesTheOriginal) {
  std::mt19937 rng(7);
  for (int k = 0; k < 50; ++k) {
    const TypeParam curve = random_bezier<TypeParam>(rng);
    const float a = 0.2f, b = 0.65f;
    const TypeParam piece = subcurve(curve, b, a);
    EXPECT_EQ(piece, subcurve(curve, a, b));
    for (float s : {0.0f, 0.3f, 0.5f, 1.0f}) {
      const ref::DVec3 expected = ref::bezier_point(curve.points, a + (b - a) * double(s));
      EXPECT_LT(ref::dist(ref::widen(point(piece, s)), expected), 1e-4) << s;
    }
    const TypeParam whole = subcurve(curve, -1.0f, 2.0f);
    for (std::size_t i = 0; i < curve.points.size(); ++i)
      EXPECT_LT(distance(whole.points[i], curve.points[i]), 1e-5f);
    const TypeParam end = subcurve(curve, 1.0f, 1.0f);
    for (const Vec3& p : end.points) EXPECT_EQ(p, curve.points.back());
  }
}

TEST(BezierArcLength, StraightCubicHasLengthThree) {
  const CubicBezier line{{Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{2, 0, 0}, Vec3{3, 0, 0}}};
  EXPECT_NEAR(arc_length(line), 3.0f, 1e-5f);
  EXPECT_NEAR(t_at_distance(line, 1.5f), 0.5f, 1e-6f);
  EXPECT_EQ(point(line, 2.0f), (Vec3{6, 0, 0}));
  EXPECT_EQ(integrate_speed(line, 0.0f), 0.0f);
  EXPECT_EQ(integrate_speed(line, -1.0f), 0.0f);
}

}  // namespace
}  // namespace curvel
