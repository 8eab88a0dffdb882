// Reading a large state holds, beyond the value it builds, at most four
// bytes per byte of the state (and a fixed allowance).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>
#include <vector>

#include "../../pickle/tests/peak_allocation.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/soa/spheres_soa.hpp"

namespace {

using tangor::Pointcloud;
using tangor::soa::SpheresSoA;

constexpr std::size_t one_mib = 1024 * 1024;

std::size_t bytes_held(const SpheresSoA& s) { return s.data.capacity() * sizeof(float); }

std::size_t bytes_held(const Pointcloud& c) {
  std::size_t afforded = 0;
  for (const auto& coordinate : c.tree.afforded) afforded += coordinate.capacity() * sizeof(float);
  return afforded + c.tree.tests.capacity() * sizeof(float) + c.tree.aabbs.capacity() * sizeof(c.tree.aabbs[0]) +
         c.tree.starts.capacity() * sizeof(std::uint32_t) + bytes_held(c.spheres);
}

template <class T>
void expect_reading_within_bound(const T& value) {
  const std::string state = tangor::serial::encode(value);
  std::size_t result = 0;
  const std::size_t peak = vxpickle::test::peak_allocation_of([&] {
    const T back = tangor::serial::decode<T>(state);
    result = bytes_held(back);
  });
  EXPECT_LE(peak, result + vxpickle::working_bytes_per_input_byte * state.size() + one_mib);
}

TEST(SerializedFormMemory, SphereArrayOfAMillionLanes) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<tangor::Sphere> spheres;
  for (std::size_t i = 0; i < 1'000'000; ++i) spheres.push_back({{unit(rng), unit(rng), unit(rng)}, 0.01f});
  expect_reading_within_bound(SpheresSoA::from_slice(spheres));
}

TEST(SerializedFormMemory, PointCloud) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> coordinate(0.0f, 50.0f);
  std::vector<tangor::pointcloud::capt::Point3> points;
  for (std::size_t i = 0; i < 100'000; ++i) points.push_back({coordinate(rng), coordinate(rng), coordinate(rng)});
  expect_reading_within_bound(std::get<Pointcloud>(Pointcloud::try_create(points, {0.01f, 0.05f}, 0.01f)));
}

}  // namespace
