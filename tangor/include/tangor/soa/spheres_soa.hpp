#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "tangor/aligned_buffer.hpp"
#include "tangor/serialize.hpp"
#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace tangor::soa {

// Storage boundary of the sphere arrays: one cache line, so that each of the
// four coordinate arrays (a multiple of 16 lanes long) starts on one too.
inline constexpr std::size_t kSpheresAlignment = 64;
inline constexpr std::size_t kCapacityStep = 16;

// The radius of a spare lane: the quiet NaN 0x7FC00000, which fails every
// comparison, so spare lanes never hit.
inline constexpr float kSpareRadius = std::bit_cast<float>(std::uint32_t{0x7FC00000});

// n raised to the next multiple of 16 (0 stays 0).
constexpr std::size_t lanes_for(std::size_t n) { return (n + 15) & ~std::size_t{15}; }

// Up to this many lanes an array is stored at exactly its capacity and grows
// by sixteen lanes at a time; beyond it the storage, when full, grows to four
// times its size (the capacity still by sixteen), so that n pushes copy O(n)
// lanes in all. The copies below it are a few kilobytes.
inline constexpr std::size_t kCompactLanes = 256;

// Spheres as four arrays, one after the other in `data`: x, y, z, then the
// radius, each `stride` lanes long, of which the first `capacity` are the
// array's lanes. Sphere i (i < len) is lane i. `capacity` is the size the
// array reports and writes (a multiple of 16 grown by 16); `stride` is only
// storage, equal to the capacity up to kCompactLanes and larger beyond it.
//
// Invariants: data.size() = 4·stride; capacity is 0 or a multiple of 16;
// len <= capacity <= stride; every spare lane (len <= i < capacity) has
// radius NaN, so that the lane kernels may run over all capacity lanes
// without looking at len; lanes past the capacity are storage not yet
// written, which nothing reads. Read lanes through xs(), ys(), zs(), rs().
// A copy holds the capacity's lanes alone (its stride is the capacity).
struct SpheresSoA {
  AlignedBuffer<float> data{kSpheresAlignment};
  std::size_t capacity = 0;
  std::size_t len = 0;
  std::size_t stride = 0;

  SpheresSoA() = default;
  SpheresSoA(const SpheresSoA& other);
  // A moved-from array is empty (capacity 0), never a length over no storage.
  SpheresSoA(SpheresSoA&& other) noexcept
      : data(std::move(other.data)),
        capacity(std::exchange(other.capacity, 0)),
        len(std::exchange(other.len, 0)),
        stride(std::exchange(other.stride, 0)) {}
  SpheresSoA& operator=(const SpheresSoA& other);
  SpheresSoA& operator=(SpheresSoA&& other) noexcept {
    data = std::move(other.data);
    capacity = std::exchange(other.capacity, 0);
    len = std::exchange(other.len, 0);
    stride = std::exchange(other.stride, 0);
    return *this;
  }

  // Empty (capacity 0) whatever n: the first push grows to sixteen lanes.
  static SpheresSoA with_capacity(std::size_t n);
  static SpheresSoA from_slice(std::span<const Sphere> spheres);

  // Grows the capacity by exactly sixteen lanes when full (the storage by
  // more, past kCompactLanes).
  void push(const Sphere& sphere) {
    if (len == capacity) grow_for_push();
    xs()[len] = sphere.center.x;
    ys()[len] = sphere.center.y;
    zs()[len] = sphere.center.z;
    rs()[len] = sphere.radius;
    ++len;
  }
  // Moves all of other's spheres behind these; other keeps its capacity and
  // coordinates, its used lanes get radius NaN and its len becomes 0.
  void append(SpheresSoA& other);
  // Radius NaN on the used lanes, len 0; capacity and coordinates stay.
  void clear();

  // Some stored sphere overlaps or touches the query (spare lanes never do).
  bool any_collides_sphere_f32x8(const Sphere& query) const;

  Sphere sphere(std::size_t i) const { return {{xs()[i], ys()[i], zs()[i]}, rs()[i]}; }

  const float* xs() const { return data.data(); }
  const float* ys() const { return data.data() + stride; }
  const float* zs() const { return data.data() + 2 * stride; }
  const float* rs() const { return data.data() + 3 * stride; }
  float* xs() { return data.data(); }
  float* ys() { return data.data() + stride; }
  float* zs() { return data.data() + 2 * stride; }
  float* rs() { return data.data() + 3 * stride; }

 private:
  // Sixteen more lanes of capacity, fresh (origin, radius NaN).
  void grow_for_push();
};

// Equal lengths and |a − b| <= epsilon on every used lane of the four arrays.
// A NaN in a compared lane makes the arrays unequal.
bool abs_diff_eq(const SpheresSoA& a, const SpheresSoA& b, float epsilon);

}  // namespace tangor::soa

namespace vxpickle {

// The record "Helper" {"x", "y", "z", "r": whole arrays, spare lanes
// included; "len"}. Reading refuses a state that breaks the invariants and
// forces the spare-lane radii to NaN.
template <>
struct Codec<tangor::soa::SpheresSoA> {
  static void write(Writer& w, const tangor::soa::SpheresSoA& spheres);
  static tangor::soa::SpheresSoA read(const Value& value);
};

}  // namespace vxpickle

namespace tangor {

// Lane moves: every lane of the whole groups of eight, spare lanes included;
// the rotations and transforms move centres, scale multiplies radii.
template <>
struct Transformable<soa::SpheresSoA> {
  static void translate(soa::SpheresSoA& s, Vec3 t);
  // By the rotation matrix of q (not the vector formula of the shapes).
  static void rotate_quat(soa::SpheresSoA& s, Quat q);
  static void rotate_mat(soa::SpheresSoA& s, const Mat3& m);
  static void transform(soa::SpheresSoA& s, const Affine3& a);
  static void scale(soa::SpheresSoA& s, float f);
};

}  // namespace tangor
