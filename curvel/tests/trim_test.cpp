#include <gtest/gtest.h>

#include <random>

#include "curve_reference.hpp"
#include "curvel/polyline.hpp"
#include "curvel/spline.hpp"

namespace curvel {
namespace {

template <class C>
class PointListTrim : public ::testing::Test {};
using PointListKinds = ::testing::Types<Spline, Polyline>;
TYPED_TEST_SUITE(PointListTrim, PointListKinds);

TYPED_TEST(PointListTrim, KeepsInteriorPointsStrictlyInsideTheCut) {
  const TypeParam five{{Vec3{0, 0, 0}, Vec3{1, 1, 0}, Vec3{2, 0, 0}, Vec3{3, 1, 0}, Vec3{4, 0, 0}}};
  const TypeParam cut = subcurve(five, 0.3f, 0.7f);
  EXPECT_EQ(cut.points, (std::vector<Vec3>{point(five, 0.3f), five.points[2], point(five, 0.7f)}));
  EXPECT_EQ(subcurve(five, 0.7f, 0.3f), cut);
  // Points exactly at a cut are replaced by the cut point.
  const TypeParam at_points = subcurve(five, 0.25f, 0.75f);
  EXPECT_EQ(at_points.points, (std::vector<Vec3>{point(five, 0.25f), five.points[2], point(five, 0.75f)}));
  const TypeParam everything = subcurve(five, -1.0f, 2.0f);
  EXPECT_EQ(everything.points.size(), 5u);
  EXPECT_EQ(everything.points[2], five.points[2]);
}

TYPED_TEST(PointListTrim, DegenerateCuts) {
  const TypeParam three{{Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 2, 0}}};
  const TypeParam pinch = subcurve(three, 0.5f, 0.5f);
  ASSERT_EQ(pinch.points.size(), 2u);
  EXPECT_EQ(pinch.points[0], pinch.points[1]);
  EXPECT_TRUE(subcurve(TypeParam{}, 0.2f, 0.4f).points.empty());
  const TypeParam single{{Vec3{1, 2, 3}}};
  EXPECT_EQ(subcurve(single, 0.2f, 0.4f), single);
}

TYPED_TEST(PointListTrim, TrimmedPointsLieOnTheOriginal) {
  std::mt19937 rng(12);
  TypeParam curve;
  for (int k = 0; k < 9; ++k) curve.points.push_back(reference::random_point(rng));
  const TypeParam piece = subcurve(curve, 0.1f, 0.8f);
  for (const Vec3& p : piece.points) {
    float best = INF;
    for (int k = 0; k <= 8000; ++k) best = min(best, distance(p, point(curve, float(k) / 8000.0f)));
    EXPECT_LT(best, 5e-3f);
  }
}

}  // namespace
}  // namespace curvel
