#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "tangor/aligned_buffer.hpp"
#include "tangor/lanes.hpp"

namespace tangor::pointcloud::capt {

using Point3 = std::array<float, 3>;

// Smallest and largest effective query radius (query radius + point radius)
// that a tree answers exactly.
using RadiusRange = std::pair<float, float>;

struct Aabb {
  Point3 lo{};
  Point3 hi{};

  friend bool operator==(const Aabb&, const Aabb&) = default;
};

enum class NewCaptError : std::uint8_t {
  TooManyPoints = 0,
  NonFinite = 1,
  InvalidLaneCount = 2,
  // Memory ran out while the afforded lists grew; the build is abandoned and
  // nothing is returned.
  OutOfMemory = 3,
  // The tree's arrays would outgrow the machine's physical memory (a range
  // of query radii far wider than the points' spacing makes every leaf keep
  // most points); the build stops before allocating them.
  ExceedsPhysicalMemory = 4,
};

// The variant name, as a debug text.
std::string_view name(NewCaptError error);

inline constexpr float kInfinity = std::numeric_limits<float>::infinity();

// Byte boundary of the afforded arrays for a lane count of 2^lanes_log2.
constexpr std::size_t afforded_alignment(std::uint32_t lanes_log2) {
  return std::size_t{4} << lanes_log2;
}

// The collision-affording point tree: a complete implicit binary tree over the
// points whose leaves each store every point that a query centred anywhere in
// the leaf's cell could reach, so that a query descends to one leaf and scans
// one run. N leaves (a power of two), N−1 split values in heap order.
//
// Invariants (a built tree has them; a decoded one is checked for them before
// it exists): tests.size() = N−1, aabbs.size() = N, starts.size() = N+1 with
// starts[0] = 0, non-decreasing multiples of 8 ending within the afforded
// length; the three afforded arrays share one length, a multiple of 8, and
// are aligned for eight-lane loads; lanes_log2 = 3. Run filler lanes are +∞.
struct Capt {
  // A default tree is the tree of no points: one empty leaf whose box lies
  // at +∞, so that every query on it answers false.
  std::vector<float> tests;
  std::vector<Aabb> aabbs{Aabb{{kInfinity, kInfinity, kInfinity}, {kInfinity, kInfinity, kInfinity}}};
  std::vector<std::uint32_t> starts{0, 0};
  std::array<AlignedBuffer<float>, 3> afforded{AlignedBuffer<float>(afforded_alignment(3)),
                                               AlignedBuffer<float>(afforded_alignment(3)),
                                               AlignedBuffer<float>(afforded_alignment(3))};
  float r_point = 0.0f;
  std::uint32_t lanes_log2 = 3;

  // Builds the tree over `points` (none may be non-finite) for effective radii
  // in r_range; point_radius becomes r_point. A tree whose arrays would not
  // fit in physical memory is refused, not built.
  static std::variant<Capt, NewCaptError> try_with_point_radius(std::span<const Point3> points,
                                                                RadiusRange r_range,
                                                                float point_radius);

  // True iff some stored point lies within radius + r_point of centre (exact
  // only when radius + r_point lies within the r_range of the build; outside
  // it a false answer may be wrong, a true one never is).
  bool collides(const Point3& centre, float radius) const;

  // Eight spheres at once (centres as x, y and z rows): true iff any of them
  // collides in the sense of collides().
  bool collides_simd(const std::array<lanes::Row, 3>& centres, const lanes::Row& radii) const;

  std::size_t leaf_count() const { return aabbs.size(); }
  friend bool operator==(const Capt&, const Capt&) = default;
};

}  // namespace tangor::pointcloud::capt
