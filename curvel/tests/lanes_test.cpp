#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "curve_reference.hpp"
#include "curvel/bezier.hpp"
#include "quadrature.hpp"
#include "sampled_nearest.hpp"

namespace curvel {
namespace {

template <class B>
class LanesTest : public ::testing::Test {};
using BezierKinds = ::testing::Types<QuadraticBezier, CubicBezier>;
TYPED_TEST_SUITE(LanesTest, BezierKinds);

// The Bezier quadrature and nearest-point search run four parameters per
// step; their scalar forms are the reference, to the bit.
TYPED_TEST(LanesTest, LaneEvaluationGivesTheScalarBits) {
  const auto bits = [](float f) { return std::bit_cast<unsigned>(f); };
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> t_of(-0.3f, 1.3f);
  for (int k = 0; k < 400; ++k) {
    TypeParam curve;
    for (Vec3& p : curve.points) p = reference::random_point(rng);
    // Now and then a repeated first point: the speed vanishes at t = 0.
    if (k % 50 == 0) curve.points[1] = curve.points[0];
    for (int j = 0; j < 4; ++j) {
      const float t = t_of(rng);
      EXPECT_EQ(bits(integrate_speed(curve, t)), bits(integrate_speed_over(curve, t, BEZIER_QUADRATURE_INTERVALS)));
    }
    const Vec3 q = reference::random_point(rng);
    const auto at = [&](float x) { return point(curve, x); };
    const Nearest scalar = sampled_nearest_over([&](float x) { return distance_squared(q, at(x)); }, at, q, 24);
    const Nearest lanes = sampled_nearest(curve, q);
    EXPECT_EQ(bits(lanes.t), bits(scalar.t));
    EXPECT_EQ(bits(lanes.dist_sq), bits(scalar.dist_sq));
  }
}

}  // namespace
}  // namespace curvel
