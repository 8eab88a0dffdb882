// The point tree that a seeded cloud builds is stored by users in pickles:
// its bytes must not change when the builder does. Each case hashes the
// written tree of a seeded cloud (points uniform, clustered, on a grid with
// duplicates) for its radius range; the hashes were taken from the first
// builder.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "tangor/pointcloud/capt.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "vxpickle/writer.hpp"

namespace {

using tangor::pointcloud::capt::Capt;
using tangor::pointcloud::capt::Point3;

std::uint64_t fnv(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::vector<Point3> cloud(int shape, std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::normal_distribution<float> normal(0.0f, 0.05f);
  std::vector<Point3> points;
  for (std::size_t i = 0; i < n; ++i) {
    if (shape == 0) {
      points.push_back({unit(rng), unit(rng), unit(rng)});
    } else if (shape == 1) {
      const float cx = float(rng() % 5) * 0.2f;
      points.push_back({cx + normal(rng), 0.5f + normal(rng), normal(rng)});
    } else {
      points.push_back({float(rng() % 7) * 0.1f, float(rng() % 7) * 0.1f, float(rng() % 3) * 0.1f});
    }
  }
  return points;
}

struct Case {
  int shape;
  std::size_t points;
  unsigned seed;
  float rmin, rmax, point_radius;
  std::uint64_t hash;
};

TEST(CaptBuildBytes, SeededTreesAreWrittenAsBefore) {
  const Case cases[] = {
      {0, 0, 1, 0.01f, 0.05f, 0.0f, 10037639585190208446ull},
      {0, 1, 2, 0.01f, 0.05f, 0.0f, 1311658108198535241ull},
      {0, 3, 3, 0.01f, 0.05f, 0.01f, 3920146651740055995ull},
      {0, 1000, 4, 0.01f, 0.05f, 0.0f, 15002910030507481325ull},
      {0, 4096, 5, 0.02f, 0.08f, 0.005f, 2882999375716072800ull},
      {0, 3000, 6, 0.0f, 0.2f, 0.0f, 13772356307183580569ull},
      {1, 2500, 7, 0.01f, 0.06f, 0.002f, 13212183630174785910ull},
      {2, 1200, 8, 0.01f, 0.15f, 0.0f, 6580945344158336348ull},
      {0, 777, 9, 0.05f, std::numeric_limits<float>::infinity(), 0.0f, 11643779851095741027ull},
      {1, 5000, 10, 0.001f, 0.03f, 0.0f, 2393027017627286040ull},
  };
  for (const Case& c : cases) {
    const auto built = Capt::try_with_point_radius(cloud(c.shape, c.points, c.seed), {c.rmin, c.rmax}, c.point_radius);
    ASSERT_TRUE(std::holds_alternative<Capt>(built));
    vxpickle::Writer w;
    tangor::serial::write(w, std::get<Capt>(built));
    const std::uint64_t hash = fnv(w.finish());
    EXPECT_EQ(hash, c.hash) << "shape " << c.shape << ", " << c.points << " points, seed " << c.seed;
  }
}

}  // namespace
