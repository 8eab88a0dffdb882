// Past its first few hundred lanes a sphere array grows its storage ahead of
// its capacity: what it reports, writes and answers stays that of the
// sixteen-lane rule, and appending reuses the storage in place.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "tangor/soa/spheres_soa.hpp"
#include "vxpickle/writer.hpp"

namespace {

using tangor::Sphere;
using tangor::soa::SpheresSoA;

std::string encode(const SpheresSoA& s) {
  vxpickle::Writer w;
  tangor::serial::write(w, s);
  return w.finish();
}

std::vector<Sphere> spheres(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-5.0f, 5.0f);
  std::vector<Sphere> out(n);
  for (Sphere& s : out) s = {{u(rng), u(rng), u(rng)}, std::fabs(u(rng)) * 0.1f};
  return out;
}

TEST(SpheresSoAGrowth, PushesWriteWhatFromSliceWrites) {
  const auto all = spheres(5000, 1);
  SpheresSoA pushed;
  for (std::size_t n = 0; n < all.size(); ++n) {
    pushed.push(all[n]);
    ASSERT_EQ(pushed.capacity, (n + 1 + 15) / 16 * 16);
  }
  EXPECT_GT(pushed.stride, pushed.capacity);
  const SpheresSoA built = SpheresSoA::from_slice(all);
  EXPECT_EQ(encode(pushed), encode(built));
  std::mt19937 rng(2);
  std::uniform_real_distribution<float> u(-6.0f, 6.0f);
  for (int q = 0; q < 500; ++q) {
    const Sphere query{{u(rng), u(rng), u(rng)}, 0.05f};
    EXPECT_EQ(pushed.any_collides_sphere_f32x8(query), built.any_collides_sphere_f32x8(query));
  }
}

// Appending into storage that already holds the joined lanes writes the same
// state as the rule's fresh allocation: lanes behind the joined spheres at the
// origin with radius NaN, the capacity that of the joined count.
TEST(SpheresSoAGrowth, AppendInPlaceWritesTheFreshLayout) {
  const auto first = spheres(700, 3);
  const auto second = spheres(40, 4);
  SpheresSoA a;
  for (const Sphere& s : first) a.push(s);
  a.clear();
  for (std::size_t i = 0; i < 300; ++i) a.push(first[i]);
  ASSERT_EQ(a.capacity, 704u);
  SpheresSoA b = SpheresSoA::from_slice(second);
  a.append(b);
  EXPECT_EQ(a.len, 340u);
  EXPECT_EQ(a.capacity, 352u);
  std::vector<Sphere> joined(first.begin(), first.begin() + 300);
  joined.insert(joined.end(), second.begin(), second.end());
  EXPECT_EQ(encode(a), encode(SpheresSoA::from_slice(joined)));
  EXPECT_EQ(b.len, 0u);
  // Pushing again refills the lanes left over from the larger capacity.
  a.push(first[0]);
  EXPECT_EQ(a.sphere(340), first[0]);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(a.rs()[341]), 0x7FC00000u);
}

// A copy leaves the storage grown ahead behind (stride = capacity) and
// writes what the original writes; pushes on it grow it past that storage
// as on any array.
TEST(SpheresSoAGrowth, CopiesHoldTheCapacityAndGrowOnPush) {
  const auto all = spheres(5000, 5);
  SpheresSoA grown;
  for (std::size_t i = 0; i < 3000; ++i) grown.push(all[i]);
  ASSERT_GT(grown.stride, grown.capacity);
  SpheresSoA copied(grown);
  SpheresSoA assigned = SpheresSoA::from_slice(all);
  assigned = grown;
  for (SpheresSoA* copy : {&copied, &assigned}) {
    EXPECT_EQ(copy->stride, copy->capacity);
    EXPECT_EQ(copy->data.size(), 4 * copy->capacity);
    EXPECT_EQ(encode(*copy), encode(grown));
    for (std::size_t i = 3000; i < all.size(); ++i) copy->push(all[i]);
    EXPECT_EQ(encode(*copy), encode(SpheresSoA::from_slice(all)));
  }
  // What a move leaves behind is an empty array that grows again.
  SpheresSoA moved(std::move(grown));
  EXPECT_EQ(encode(grown), encode(SpheresSoA()));
  grown.push(all[0]);
  EXPECT_EQ(encode(grown), encode(SpheresSoA::from_slice(std::span(all).first(1))));
}

}  // namespace
