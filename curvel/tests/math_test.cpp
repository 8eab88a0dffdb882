#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "curvel/math/affine3f.hpp"

namespace curvel {
namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

TEST(Vec3Math, DotAddsLeftToRight) {
  // Products 1, 1e16, −1e16: (1 + 1e16) − 1e16 is 0 in f32, 1 + (1e16 − 1e16) would be 1.
  EXPECT_EQ(dot(Vec3{1.0f, 1e8f, 1e8f}, Vec3{1.0f, 1e8f, -1e8f}), 0.0f);
  // Products −1e16, 1e16, 1: left to right keeps the 1.
  EXPECT_EQ(dot(Vec3{1e8f, 1e8f, 1.0f}, Vec3{-1e8f, 1e8f, 1.0f}), 1.0f);
}

TEST(Vec3Math, CrossIsRightHandedAndOrthogonal) {
  EXPECT_EQ(cross(Vec3{1, 0, 0}, Vec3{0, 1, 0}), (Vec3{0, 0, 1}));
  EXPECT_EQ(cross(Vec3{0, 1, 0}, Vec3{0, 0, 1}), (Vec3{1, 0, 0}));
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-4.0f, 4.0f);
  for (int k = 0; k < 200; ++k) {
    const Vec3 a{coord(rng), coord(rng), coord(rng)};
    const Vec3 b{coord(rng), coord(rng), coord(rng)};
    const Vec3 c = cross(a, b);
    const double expected_x = double(a.y) * b.z - double(a.z) * b.y;
    EXPECT_NEAR(c.x, expected_x, 1e-5);
    EXPECT_NEAR(dot(c, a), 0.0f, 1e-4);
  }
}

TEST(Vec3Math, NormalizeOrZeroRefusesDegenerateLengths) {
  const Vec3 cases[] = {{0, 0, 0}, {NaN, 1, 0}, {INFINITY, 0, 0}, {1e-30f, 0, 0}};
  for (const Vec3& v : cases) EXPECT_EQ(normalize_or_zero(v), (Vec3{})) << v.x;
  const Vec3 n = normalize_or_zero(Vec3{3, 0, 4});
  EXPECT_FLOAT_EQ(length(n), 1.0f);
  EXPECT_EQ(n, (Vec3{3, 0, 4}) * (1.0f / 5.0f));
}

TEST(ScalarMath, MinMaxIgnoreNaNAndClampPassesNaN) {
  EXPECT_EQ(max(NaN, 2.0f), 2.0f);
  EXPECT_EQ(max(2.0f, NaN), 2.0f);
  EXPECT_EQ(min(NaN, -2.0f), -2.0f);
  EXPECT_EQ(min(-2.0f, NaN), -2.0f);
  EXPECT_TRUE(std::isnan(max(NaN, NaN)));
  EXPECT_EQ(max(1.0f, 3.0f), 3.0f);
  EXPECT_EQ(min(1.0f, 3.0f), 1.0f);
  EXPECT_TRUE(std::isnan(clamp(NaN, 0.0f, 1.0f)));
  EXPECT_EQ(clamp(-3.0f, 0.0f, 1.0f), 0.0f);
  EXPECT_EQ(clamp(3.0f, 0.0f, 1.0f), 1.0f);
  // Bounds are tested in order: lo first, then hi wins.
  EXPECT_EQ(clamp(0.5f, 2.0f, 1.0f), 1.0f);
  EXPECT_EQ(clamp(0.5f, 0.0f, NaN), 0.5f);
  EXPECT_EQ(max(Vec3{NaN, 1, 5}, Vec3{2, NaN, 4}), (Vec3{2, 1, 5}));
}

TEST(ScalarMath, SaturatingCastTruncatesAndSaturates) {
  struct Case {
    float in;
    std::int64_t as_i32;
    std::uint64_t as_size;
  };
  const Case cases[] = {
      {NaN, 0, 0},
      {-0.75f, 0, 0},
      {2.99f, 2, 2},
      {-2.99f, -2, 0},
      {3e9f, INT32_MAX, 3000000000u},
      {-3e9f, INT32_MIN, 0},
      {INFINITY, INT32_MAX, SIZE_MAX},
      {-INFINITY, INT32_MIN, 0},
      {1e30f, INT32_MAX, SIZE_MAX},
      {2147483520.0f, 2147483520, 2147483520u},  // the largest float below 2^31
  };
  for (const Case& c : cases) {
    EXPECT_EQ(saturating_cast<std::int32_t>(c.in), c.as_i32) << c.in;
    EXPECT_EQ(to_index(c.in), c.as_size) << c.in;
  }
}

TEST(QuatMath, RotationMatchesDoublePrecisionAndMatrix) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> coord(-2.0f, 2.0f);
  for (int k = 0; k < 200; ++k) {
    Quat q{coord(rng), coord(rng), coord(rng), coord(rng)};
    const float norm = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    q = {q.x / norm, q.y / norm, q.z / norm, q.w / norm};
    const Vec3 v{coord(rng), coord(rng), coord(rng)};
    // Reference: q·v·q* in double precision.
    const double w = q.w, x = q.x, y = q.y, z = q.z;
    const double tx = 2 * (y * v.z - z * v.y), ty = 2 * (z * v.x - x * v.z), tz = 2 * (x * v.y - y * v.x);
    const double rx = v.x + w * tx + (y * tz - z * ty);
    const double ry = v.y + w * ty + (z * tx - x * tz);
    const double rz = v.z + w * tz + (x * ty - y * tx);
    const Vec3 r = rotate(q, v);
    EXPECT_NEAR(r.x, rx, 1e-5);
    EXPECT_NEAR(r.y, ry, 1e-5);
    EXPECT_NEAR(r.z, rz, 1e-5);
    const Vec3 m = mat3_from_quat(q) * v;
    EXPECT_NEAR(m.x, rx, 1e-5);
    EXPECT_NEAR(m.y, ry, 1e-5);
    EXPECT_NEAR(m.z, rz, 1e-5);
  }
  // A non-unit quaternion scales by its squared norm.
  EXPECT_EQ(rotate(Quat{0, 0, 0, 2}, Vec3{1, 2, 3}), (Vec3{4, 8, 12}));
}

TEST(MatrixMath, InverseAndCompositionUndoEachOther) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> coord(-3.0f, 3.0f);
  for (int k = 0; k < 100; ++k) {
    const Affine3 a{{{coord(rng), coord(rng), coord(rng)},
                     {coord(rng), coord(rng), coord(rng)},
                     {coord(rng), coord(rng), coord(rng)}},
                    {coord(rng), coord(rng), coord(rng)}};
    if (std::fabs(determinant(a.matrix3)) < 0.5f) continue;
    const Vec3 p{coord(rng), coord(rng), coord(rng)};
    const Vec3 back = transform_point(inverse(a) * a, p);
    EXPECT_NEAR(back.x, p.x, 2e-3);
    EXPECT_NEAR(back.y, p.y, 2e-3);
    EXPECT_NEAR(back.z, p.z, 2e-3);
    const Vec3 twice = transform_point(a * a, p);
    const Vec3 stepwise = transform_point(a, transform_point(a, p));
    EXPECT_NEAR(twice.x, stepwise.x, 1e-3 * (1 + std::fabs(stepwise.x)));
  }
  // Rows of the inverse are the cofactor crosses over the determinant.
  const Mat3 m{{2, 0, 0}, {0, 4, 0}, {1, 0, 8}};
  const Mat3 inv = inverse(m);
  EXPECT_EQ(inv * Vec3(2, 0, 0), (Vec3{1, 0, 0}));
  EXPECT_EQ(inv * Vec3(1, 0, 8), (Vec3{0, 0, 1}));
  EXPECT_EQ(determinant(m), 64.0f);
}

}  // namespace
}  // namespace curvel
