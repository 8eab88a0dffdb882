// The sphere arrays' sweeps give the same bits whichever build runs them:
// a hash of many answers and moved lanes from the baseline build equals the
// hash from the AVX2 build, in one process.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "soa/lane_kernels.hpp"

namespace {

using tangor::soa::kernels::Move;
using tangor::soa::kernels::Variant;

struct Hash {
  std::uint64_t value = 1469598103934665603ull;
  void add(std::uint32_t bits) {
    for (int b = 0; b < 4; ++b) {
      value ^= (bits >> (8 * b)) & 0xFFu;
      value *= 1099511628211ull;
    }
  }
  void add(float f) { add(std::bit_cast<std::uint32_t>(f)); }
};

// Ordinary values with a sprinkle of the awkward ones.
float value(std::mt19937& rng) {
  static const float odd[] = {0.0f,
                              -0.0f,
                              std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::denorm_min(),
                              1e-20f,
                              3e38f};
  if (rng() % 64 == 0) return odd[rng() % 8];
  return std::uniform_real_distribution<float>(-20.0f, 20.0f)(rng);
}

std::uint64_t run(const Variant& v) {
  std::mt19937 rng(99);
  Hash hash;
  for (int round = 0; round < 400; ++round) {
    const std::size_t lanes = 8 * (1 + rng() % 40);
    std::vector<float> x(lanes), y(lanes), z(lanes), r(lanes);
    for (std::size_t i = 0; i < lanes; ++i) {
      x[i] = value(rng);
      y[i] = value(rng);
      z[i] = value(rng);
      r[i] = std::fabs(value(rng)) * 0.05f * (rng() % 8 == 0 ? -1.0f : 1.0f);
    }
    for (int q = 0; q < 500; ++q) {
      const bool hit = v.any_overlap(x.data(), y.data(), z.data(), r.data(), lanes, value(rng), value(rng),
                                     value(rng), std::fabs(value(rng)) * 0.2f);
      hash.add(std::uint32_t{hit});
    }
    curvel::Affine3 a;
    for (float* f : {&a.matrix3.x_axis.x, &a.matrix3.x_axis.y, &a.matrix3.x_axis.z, &a.matrix3.y_axis.x,
                     &a.matrix3.y_axis.y, &a.matrix3.y_axis.z, &a.matrix3.z_axis.x, &a.matrix3.z_axis.y,
                     &a.matrix3.z_axis.z, &a.translation.x, &a.translation.y, &a.translation.z})
      *f = value(rng) * 0.1f;
    v.move_lanes(x.data(), y.data(), z.data(), lanes, a, static_cast<Move>(round % 3));
    for (std::size_t i = 0; i < lanes; ++i) {
      hash.add(x[i]);
      hash.add(y[i]);
      hash.add(z[i]);
    }
  }
  return hash.value;
}

TEST(LaneDispatch, BaselineAndAvx2GiveTheSameBits) {
  const Variant* wide = tangor::soa::kernels::avx2();
  if (wide == nullptr) GTEST_SKIP() << "no AVX2 on this processor";
  EXPECT_EQ(run(tangor::soa::kernels::baseline()), run(*wide));
}

TEST(LaneDispatch, TheChosenBuildAnswersAsTheBaseline) {
  const Variant chosen{tangor::soa::kernels::any_overlap, tangor::soa::kernels::move_lanes};
  EXPECT_EQ(run(chosen), run(tangor::soa::kernels::baseline()));
}

}  // namespace
