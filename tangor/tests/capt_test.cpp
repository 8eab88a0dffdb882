#include "tangor/pointcloud/capt.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "pointcloud/capt_build.hpp"

namespace {

using tangor::pointcloud::capt::Capt;
using tangor::pointcloud::capt::NewCaptError;
using tangor::pointcloud::capt::Point3;

constexpr float kInf = std::numeric_limits<float>::infinity();

Capt build(const std::vector<Point3>& points, float rmin, float rmax, float point_radius) {
  auto built = Capt::try_with_point_radius(points, {rmin, rmax}, point_radius);
  EXPECT_TRUE(std::holds_alternative<Capt>(built));
  return std::get<Capt>(std::move(built));
}

// The same single-precision distance the tree computes, over every point.
bool brute_collides(const std::vector<Point3>& points, const Point3& c, float reach) {
  const float reach_sq = reach * reach;
  for (const Point3& p : points) {
    const float dx = p[0] - c[0], dy = p[1] - c[1], dz = p[2] - c[2];
    if (dx * dx + dy * dy + dz * dz <= reach_sq) return true;
  }
  return false;
}

std::vector<Point3> random_points(std::size_t n, std::mt19937& rng) {
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::vector<Point3> points(n);
  for (Point3& p : points) p = {coordinate(rng), coordinate(rng), coordinate(rng)};
  return points;
}

void expect_invariants(const Capt& tree, std::size_t n) {
  const std::size_t leaves = n <= 1 ? 1 : std::bit_ceil(n);
  ASSERT_EQ(tree.tests.size(), leaves - 1);
  ASSERT_EQ(tree.aabbs.size(), leaves);
  ASSERT_EQ(tree.starts.size(), leaves + 1);
  EXPECT_EQ(tree.starts.front(), 0u);
  for (std::size_t j = 0; j < leaves; ++j) {
    EXPECT_LE(tree.starts[j], tree.starts[j + 1]);
    EXPECT_EQ(tree.starts[j + 1] % 8, 0u);
  }
  for (const auto& coordinate : tree.afforded) {
    EXPECT_EQ(coordinate.size(), tree.starts.back());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(coordinate.data()) % 32, 0u);
  }
  EXPECT_EQ(tree.lanes_log2, 3u);
}

struct CloudCase {
  std::size_t points;
  float rmin, rmax, point_radius;
};

class CaptAgainstBruteForce : public testing::TestWithParam<CloudCase> {};

TEST_P(CaptAgainstBruteForce, ScalarAndEightLaneAgreeWithTheScan) {
  const CloudCase param = GetParam();
  std::mt19937 rng(1234 + static_cast<unsigned>(param.points));
  const auto points = random_points(param.points, rng);
  const Capt tree = build(points, param.rmin, param.rmax, param.point_radius);
  expect_invariants(tree, points.size());

  std::uniform_real_distribution<float> coordinate(-1.2f, 1.2f);
  // Effective radii inside the range must be answered exactly; outside it a
  // "yes" must still be right.
  std::uniform_real_distribution<float> inside(param.rmin, param.rmax);
  std::uniform_real_distribution<float> outside(0.0f, 3.0f * param.rmax);
  const int queries = param.points > 10000 ? 4000 : 1600;
  for (int q = 0; q < queries; q += 8) {
    const bool in_range = (q / 8) % 2 == 0;
    std::array<tangor::lanes::Row, 3> centres;
    tangor::lanes::Row radii;
    bool any_hit = false;
    for (int l = 0; l < 8; ++l) {
      const Point3 c{coordinate(rng), coordinate(rng), coordinate(rng)};
      const float effective = in_range ? inside(rng) : outside(rng);
      const float radius = effective - param.point_radius;
      for (int a = 0; a < 3; ++a) centres[a][l] = c[a];
      radii[l] = radius;
      const bool expected = brute_collides(points, c, radius + param.point_radius);
      const bool answer = tree.collides(c, radius);
      if (in_range) {
        EXPECT_EQ(answer, expected) << "centre " << c[0] << "," << c[1] << "," << c[2]
                                    << " radius " << radius;
      } else if (answer) {
        EXPECT_TRUE(expected);
      }
      any_hit = any_hit || answer;
    }
    EXPECT_EQ(tree.collides_simd(centres, radii), any_hit);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Clouds, CaptAgainstBruteForce,
    testing::Values(CloudCase{1, 0.05f, 0.2f, 0.0f}, CloudCase{2, 0.05f, 0.2f, 0.01f},
                    CloudCase{3, 0.05f, 0.2f, 0.01f}, CloudCase{7, 0.05f, 0.3f, 0.0f},
                    CloudCase{8, 0.05f, 0.3f, 0.02f}, CloudCase{9, 0.01f, 0.5f, 0.0f},
                    CloudCase{100, 0.02f, 0.2f, 0.01f}, CloudCase{1000, 0.01f, 0.1f, 0.005f},
                    CloudCase{1000, 0.0f, 0.05f, 0.0f}, CloudCase{10000, 0.01f, 0.05f, 0.002f},
                    CloudCase{100000, 0.005f, 0.02f, 0.001f}));

TEST(Capt, EmptyCloudHasOneEmptyLeafAndNeverCollides) {
  const Capt tree = build({}, 0.1f, 1.0f, 0.25f);
  EXPECT_TRUE(tree.tests.empty());
  ASSERT_EQ(tree.aabbs.size(), 1u);
  EXPECT_EQ(tree.aabbs[0].lo, (Point3{kInf, kInf, kInf}));
  EXPECT_EQ(tree.aabbs[0].hi, (Point3{kInf, kInf, kInf}));
  EXPECT_EQ(tree.starts, (std::vector<std::uint32_t>{0, 0}));
  EXPECT_TRUE(tree.afforded[0].empty());
  EXPECT_EQ(tree.r_point, 0.25f);
  EXPECT_FALSE(tree.collides({0, 0, 0}, 1e30f));
  std::array<tangor::lanes::Row, 3> centres{};
  tangor::lanes::Row radii;
  radii.fill(1e30f);
  EXPECT_FALSE(tree.collides_simd(centres, radii));
}

TEST(Capt, ADefaultTreeIsTheEmptyTree) {
  const Capt fresh;
  EXPECT_TRUE(fresh == build({}, 0.1f, 1.0f, 0.0f));
  EXPECT_FALSE(fresh.collides({0, 0, 0}, 1e30f));
}

TEST(Capt, OnePointIsStoredWithSevenFillerLanes) {
  const Point3 p{1.0f, -2.0f, 3.0f};
  const Capt tree = build({p}, 0.1f, 1.0f, 0.5f);
  EXPECT_TRUE(tree.tests.empty());
  EXPECT_EQ(tree.starts, (std::vector<std::uint32_t>{0, 8}));
  EXPECT_EQ(tree.aabbs[0].lo, p);
  EXPECT_EQ(tree.aabbs[0].hi, p);
  ASSERT_EQ(tree.afforded[0].size(), 8u);
  EXPECT_EQ(tree.afforded[0][0], 1.0f);
  EXPECT_EQ(tree.afforded[2][0], 3.0f);
  for (int i = 1; i < 8; ++i) EXPECT_EQ(tree.afforded[1][i], kInf);
  // Touching counts: the centre lies exactly radius + r_point from p.
  EXPECT_TRUE(tree.collides({1.0f, -2.0f, 4.0f}, 0.5f));
  EXPECT_FALSE(tree.collides({1.0f, -2.0f, 4.0f}, 0.4999f));
}

TEST(Capt, ThreePointsLeaveOnePaddingLeafEmpty) {
  const Capt tree = build({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 0.1f, 0.5f, 0.0f);
  ASSERT_EQ(tree.aabbs.size(), 4u);
  int empty_runs = 0;
  for (std::size_t j = 0; j < 4; ++j) empty_runs += tree.starts[j] == tree.starts[j + 1];
  EXPECT_EQ(empty_runs, 1);
  EXPECT_TRUE(tree.collides({2.0f, 0.3f, 0.0f}, 0.3f));
}

TEST(Capt, DuplicatePointsAreFoundOnEitherSideOfTheSplit) {
  std::vector<Point3> points(9, Point3{0.5f, 0.5f, 0.5f});
  points.push_back({-3.0f, 0.0f, 0.0f});
  const Capt tree = build(points, 0.01f, 0.2f, 0.0f);
  EXPECT_TRUE(tree.collides({0.5f, 0.5f, 0.55f}, 0.1f));
  EXPECT_TRUE(tree.collides({0.5f, 0.5f, 0.5f}, 0.01f));
  EXPECT_FALSE(tree.collides({0.5f, 0.5f, 0.8f}, 0.1f));
}

TEST(Capt, NonFiniteCoordinatesAreRefusedWhereverTheyStand) {
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), kInf, -kInf}) {
    for (int position = 0; position < 3; ++position) {
      std::vector<Point3> points{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
      points[position][position] = bad;
      auto built = Capt::try_with_point_radius(points, {0.1f, 1.0f}, 0.0f);
      ASSERT_TRUE(std::holds_alternative<NewCaptError>(built));
      EXPECT_EQ(std::get<NewCaptError>(built), NewCaptError::NonFinite);
    }
  }
  EXPECT_EQ(tangor::pointcloud::capt::name(NewCaptError::TooManyPoints), "TooManyPoints");
}

// An unbounded rmax makes every leaf afford every point (padding points
// included, so its box reaches +∞): answers stay exact for radii >= rmin.
TEST(Capt, InfiniteRmaxAffordsEverything) {
  std::mt19937 rng(99);
  const auto points = random_points(13, rng);
  const Capt tree = build(points, 0.1f, kInf, 0.0f);
  expect_invariants(tree, points.size());
  std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
  std::uniform_real_distribution<float> radius(0.1f, 4.0f);
  for (int q = 0; q < 500; ++q) {
    const Point3 c{coordinate(rng), coordinate(rng), coordinate(rng)};
    const float r = radius(rng);
    EXPECT_EQ(tree.collides(c, r), brute_collides(points, c, r));
  }
}

TEST(Capt, NanQueriesNeverCollide) {
  const Capt tree = build({{0, 0, 0}}, 0.1f, 1.0f, 0.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(tree.collides({nan, 0, 0}, 1.0f));
  EXPECT_FALSE(tree.collides({0, 0, 0}, nan));
}

// The memory budget meets each tree exactly: the lower bound never passes
// the lanes written (and nearly reaches them where radii up to the cloud's
// extent make every leaf keep nearly every point), a budget of the tree's
// own bytes builds the same tree, and one byte less refuses it.
struct BudgetCase {
  std::size_t points;
  bool on_grid;  // coordinates in quarters: many duplicates
  float rmin, rmax;
  double tight;  // the bound's least share of the lanes
};

class CaptBudget : public testing::TestWithParam<BudgetCase> {};

TEST_P(CaptBudget, BoundAndLimitMeetTheTreeExactly) {
  using namespace tangor::pointcloud::capt;
  const BudgetCase c = GetParam();
  std::mt19937 rng(77 + static_cast<unsigned>(c.points));
  auto points = random_points(c.points, rng);
  if (c.on_grid)
    for (Point3& p : points)
      for (float& x : p) x = std::round(x * 4.0f) / 4.0f;
  const Capt tree = build(points, c.rmin, c.rmax, 0.0f);
  const std::uint64_t lanes = tree.afforded[0].size();
  const std::uint64_t bound = afforded_lower_bound(points, {c.rmin, c.rmax});
  EXPECT_LE(bound, lanes);
  EXPECT_GE(double(bound), c.tight * double(lanes));
  const std::uint64_t bytes = tree_bytes(tree.aabbs.size(), lanes);
  const auto within = build_within(points, {c.rmin, c.rmax}, 0.0f, bytes);
  ASSERT_TRUE(std::holds_alternative<Capt>(within));
  EXPECT_TRUE(std::get<Capt>(within) == tree);
  const auto below = build_within(points, {c.rmin, c.rmax}, 0.0f, bytes - 1);
  ASSERT_TRUE(std::holds_alternative<NewCaptError>(below));
  EXPECT_EQ(std::get<NewCaptError>(below), NewCaptError::ExceedsPhysicalMemory);
}

INSTANTIATE_TEST_SUITE_P(
    Clouds, CaptBudget,
    testing::Values(BudgetCase{0, false, 0.1f, 1.0f, 0.0}, BudgetCase{2000, false, 0.0f, 3.5f, 0.99},
                    BudgetCase{2000, false, 0.02f, 1.8f, 0.9}, BudgetCase{3000, false, 0.01f, 0.05f, 0.0},
                    BudgetCase{1500, true, 0.0f, 0.7f, 0.0}, BudgetCase{700, false, 0.1f, kInf, 0.99},
                    BudgetCase{300, false, 0.0f, -0.5f, 1.0}));

#if defined(__linux__)
TEST(CaptBudget, PhysicalMemoryIsTheSystemsTotal) {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kib = 0;
  while (meminfo >> key >> kib && key != "MemTotal:") meminfo.ignore(64, '\n');
  EXPECT_EQ(tangor::pointcloud::capt::physical_memory_bytes(), kib * 1024);
}
#endif

}  // namespace
