#include "tangor/soa/spheres_soa.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "vxpickle/error.hpp"
#include "vxpickle/reader.hpp"

namespace {

using tangor::Sphere;
using tangor::Vec3;
using tangor::soa::SpheresSoA;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

bool same_bits(const SpheresSoA& a, const SpheresSoA& b) {
  if (a.capacity != b.capacity || a.len != b.len || a.data.size() != b.data.size()) return false;
  for (std::size_t i = 0; i < a.data.size(); ++i)
    if (bits(a.data[i]) != bits(b.data[i])) return false;
  return true;
}

std::vector<Sphere> random_spheres(std::size_t n, std::mt19937& rng) {
  std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f);
  std::uniform_real_distribution<float> radius(0.0f, 1.0f);
  std::vector<Sphere> spheres(n);
  for (Sphere& s : spheres) s = {{coordinate(rng), coordinate(rng), coordinate(rng)}, radius(rng)};
  return spheres;
}

// The plain loop the lanes must agree with, over the used spheres only.
bool scalar_any_collides(const std::vector<Sphere>& spheres, const Sphere& q) {
  for (const Sphere& s : spheres) {
    const float dx = q.center.x - s.center.x, dy = q.center.y - s.center.y,
                dz = q.center.z - s.center.z;
    const float reach = q.radius + s.radius;
    if (dx * dx + dy * dy + dz * dz <= reach * reach) return true;
  }
  return false;
}

void expect_layout(const SpheresSoA& s) {
  EXPECT_EQ(s.data.size(), 4 * s.capacity);
  EXPECT_EQ(s.capacity % 16, 0u);
  EXPECT_LE(s.len, s.capacity);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s.data.data()) % 64, 0u);
  for (std::size_t i = s.len; i < s.capacity; ++i) EXPECT_EQ(bits(s.rs()[i]), 0x7FC00000u);
}

TEST(SpheresSoA, AgreesWithAScalarLoopForEverySize) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coordinate(-11.0f, 11.0f);
  std::uniform_real_distribution<float> radius(0.0f, 2.0f);
  for (std::size_t n : {0, 1, 7, 8, 15, 16, 17, 33, 100}) {
    const auto spheres = random_spheres(n, rng);
    const SpheresSoA built = SpheresSoA::from_slice(spheres);
    SpheresSoA pushed;
    for (const Sphere& s : spheres) pushed.push(s);
    expect_layout(built);
    expect_layout(pushed);
    for (int q = 0; q < 300; ++q) {
      const Sphere query{{coordinate(rng), coordinate(rng), coordinate(rng)}, radius(rng)};
      const bool expected = scalar_any_collides(spheres, query);
      EXPECT_EQ(built.any_collides_sphere_f32x8(query), expected);
      EXPECT_EQ(pushed.any_collides_sphere_f32x8(query), expected);
    }
  }
}

TEST(SpheresSoA, TouchingCollidesAndNanNever) {
  const SpheresSoA s = SpheresSoA::from_slice(std::vector<Sphere>{{{3, 0, 0}, 1.0f}});
  EXPECT_TRUE(s.any_collides_sphere_f32x8({{0, 0, 0}, 2.0f}));
  EXPECT_FALSE(s.any_collides_sphere_f32x8({{0, 0, 0}, 1.99f}));
  EXPECT_FALSE(s.any_collides_sphere_f32x8({{kNan, 0, 0}, 100.0f}));
  EXPECT_FALSE(s.any_collides_sphere_f32x8({{0, 0, 0}, kNan}));
  const SpheresSoA nan_radius = SpheresSoA::from_slice(std::vector<Sphere>{{{0, 0, 0}, kNan}});
  EXPECT_FALSE(nan_radius.any_collides_sphere_f32x8({{0, 0, 0}, 1.0f}));
  // Spare lanes sit at the origin with radius NaN.
  EXPECT_FALSE(s.any_collides_sphere_f32x8({{0, 0, 0}, 0.5f}));
  EXPECT_FALSE(SpheresSoA{}.any_collides_sphere_f32x8({{0, 0, 0}, 1e30f}));
}

TEST(SpheresSoA, GrowsBySixteenAndKeepsItsLanes) {
  SpheresSoA s = SpheresSoA::with_capacity(100);
  EXPECT_EQ(s.capacity, 0u);
  s.push({{1, 2, 3}, 4});
  EXPECT_EQ(s.capacity, 16u);
  EXPECT_EQ(s.len, 1u);
  for (int i = 1; i < 17; ++i) s.push({{float(i), 0, 0}, 1});
  EXPECT_EQ(s.capacity, 32u);
  EXPECT_EQ(s.len, 17u);
  EXPECT_EQ(s.sphere(0), (Sphere{{1, 2, 3}, 4}));
  EXPECT_EQ(s.sphere(16), (Sphere{{16, 0, 0}, 1}));
  for (std::size_t i = 17; i < 32; ++i) {
    EXPECT_EQ(s.xs()[i], 0.0f);
    EXPECT_EQ(s.zs()[i], 0.0f);
  }
  expect_layout(s);
}

TEST(SpheresSoA, AppendMovesTheSpheresAndEmptiesTheOther) {
  std::mt19937 rng(3);
  const auto first = random_spheres(10, rng);
  const auto second = random_spheres(10, rng);
  SpheresSoA a = SpheresSoA::from_slice(first);
  SpheresSoA b = SpheresSoA::from_slice(second);
  a.append(b);
  EXPECT_EQ(a.len, 20u);
  EXPECT_EQ(a.capacity, 32u);
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(a.sphere(i), first[i]);
    EXPECT_EQ(a.sphere(10 + i), second[i]);
  }
  expect_layout(a);
  EXPECT_EQ(b.len, 0u);
  EXPECT_EQ(b.capacity, 16u);
  EXPECT_EQ(b.xs()[3], second[3].center.x);
  expect_layout(b);

  SpheresSoA empty;
  const SpheresSoA before = a;
  a.append(empty);
  EXPECT_TRUE(same_bits(a, before));
}

TEST(SpheresSoA, ClearKeepsCapacityAndRefillsLaneZero) {
  std::mt19937 rng(5);
  SpheresSoA s = SpheresSoA::from_slice(random_spheres(20, rng));
  s.clear();
  EXPECT_EQ(s.capacity, 32u);
  EXPECT_EQ(s.len, 0u);
  expect_layout(s);
  EXPECT_FALSE(s.any_collides_sphere_f32x8({{0, 0, 0}, 1e30f}));
  s.push({{9, 9, 9}, 1});
  EXPECT_EQ(s.capacity, 32u);
  EXPECT_EQ(s.sphere(0), (Sphere{{9, 9, 9}, 1}));
}

TEST(SpheresSoA, AbsDiffEqComparesUsedLanesAndRefusesNan) {
  std::mt19937 rng(11);
  const auto spheres = random_spheres(13, rng);
  SpheresSoA a = SpheresSoA::from_slice(spheres);
  SpheresSoA b;
  for (std::size_t i = 0; i < 13; ++i) b.push(spheres[i]);
  for (int i = 0; i < 40; ++i) b.push({{1, 1, 1}, 1});
  b.len = 13;  // same spheres, capacity 64 vs 16
  EXPECT_TRUE(abs_diff_eq(a, b, 0.0f));
  b.ys()[12] += 0.25f;
  EXPECT_FALSE(abs_diff_eq(a, b, 0.1f));
  EXPECT_TRUE(abs_diff_eq(a, b, 0.5f));
  // A NaN in a full group of eight and in the tail both make them unequal.
  for (std::size_t lane : {3, 11}) {
    SpheresSoA c = a;
    c.zs()[lane] = kNan;
    EXPECT_FALSE(abs_diff_eq(c, c, 1.0f)) << lane;
  }
  SpheresSoA shorter = SpheresSoA::from_slice(std::span(spheres).first(12));
  EXPECT_FALSE(abs_diff_eq(a, shorter, 1.0f));
}

TEST(SpheresSoA, LaneMovesMatchTheShapeFormulasLaneByLane) {
  std::mt19937 rng(13);
  const auto spheres = random_spheres(21, rng);
  const tangor::Affine3 affine{{{0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 2.0f}},
                               {1.0f, -2.0f, 0.5f}};
  SpheresSoA s = SpheresSoA::from_slice(spheres);
  tangor::transform(s, affine);
  for (std::size_t i = 0; i < spheres.size(); ++i) {
    const Vec3 expected = curvel::transform_point(affine, spheres[i].center);
    EXPECT_EQ(s.sphere(i).center, expected);
    EXPECT_EQ(bits(s.rs()[i]), bits(spheres[i].radius));
  }
  // Spare lanes move too; their radius stays NaN.
  EXPECT_EQ(s.xs()[25], 1.0f);
  EXPECT_EQ(bits(s.rs()[25]), 0x7FC00000u);

  SpheresSoA t = SpheresSoA::from_slice(spheres);
  tangor::rotate_quat(t, tangor::Quat{0, 0, 0, 1});
  EXPECT_TRUE(same_bits(t, SpheresSoA::from_slice(spheres)));
  tangor::translate(t, Vec3{1, 2, 3});
  tangor::scale(t, 2.0f);
  EXPECT_EQ(t.sphere(4).center, (spheres[4].center + Vec3{1, 2, 3}));
  EXPECT_EQ(t.rs()[4], spheres[4].radius * 2.0f);
}

std::string encode(const SpheresSoA& s) {
  vxpickle::Writer w;
  tangor::serial::write(w, s);
  return w.finish();
}

SpheresSoA decode(const std::string& bytes) {
  const vxpickle::Document doc = vxpickle::parse(bytes);
  return tangor::serial::read<SpheresSoA>(doc.root());
}

TEST(SpheresSoASerde, RoundTripKeepsEveryLaneBitForBit) {
  std::mt19937 rng(17);
  const SpheresSoA s = SpheresSoA::from_slice(random_spheres(3, rng));
  const SpheresSoA back = decode(encode(s));
  EXPECT_TRUE(same_bits(back, s));
  expect_layout(back);
  const vxpickle::Document doc = vxpickle::parse(encode(s));
  ASSERT_EQ(doc.root().kind(), vxpickle::Kind::Dict);
  EXPECT_EQ(doc.root().entries().at(3).value.items().size(), 16u);
}

// A state built by hand: x, y, z, r lists of the given lengths and "len".
std::string state(std::size_t nx, std::size_t ny, std::size_t nz, std::size_t nr,
                  std::uint64_t len, float spare_radius = 0.5f) {
  vxpickle::Writer w;
  w.begin_record();
  const char* names[] = {"x", "y", "z", "r"};
  const std::size_t sizes[] = {nx, ny, nz, nr};
  for (int a = 0; a < 4; ++a) {
    w.field(names[a]);
    w.begin_list();
    for (std::size_t i = 0; i < sizes[a]; ++i) w.f32(a == 3 ? spare_radius : float(i));
    w.end_list();
  }
  w.field("len");
  w.uint(len);
  w.end_record();
  return w.finish();
}

TEST(SpheresSoASerde, MalformedStatesAreRefused) {
  struct Case {
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {state(16, 16, 15, 16, 3), "invalid sphere array: x, y, z and r hold 16, 16, 15 and 16 lanes"},
      {state(16, 16, 16, 32, 3), "invalid sphere array: x, y, z and r hold 16, 16, 16 and 32 lanes"},
      {state(8, 8, 8, 8, 3), "invalid sphere array: capacity 8 is not a multiple of 16"},
      {state(16, 16, 16, 16, 17), "invalid sphere array: len 17 exceeds the capacity 16"},
      {state(0, 0, 0, 0, 1), "invalid sphere array: len 1 exceeds the capacity 0"},
  };
  for (const Case& c : cases) {
    try {
      decode(c.bytes);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const vxpickle::DecodeError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  try {
    vxpickle::Writer w;
    w.begin_tuple();
    w.begin_list();
    w.end_list();
    w.end_tuple();
    decode(w.finish());
    ADD_FAILURE();
  } catch (const vxpickle::DecodeError& e) {
    EXPECT_EQ(std::string(e.what()), "invalid length 1, expected struct Helper with 5 elements");
  }
}

TEST(SpheresSoASerde, SpareRadiiAreForcedToNan) {
  const SpheresSoA s = decode(state(16, 16, 16, 16, 2, 5.0f));
  EXPECT_EQ(s.rs()[1], 5.0f);
  for (std::size_t i = 2; i < 16; ++i) EXPECT_EQ(bits(s.rs()[i]), 0x7FC00000u);
  // Spare lane 5 sits at (5, 5, 5) with a stored radius 5: it must not hit.
  EXPECT_FALSE(s.any_collides_sphere_f32x8({{5, 5, 5}, 0.1f}));
}

}  // namespace
