#pragma once

// The steps of the point tree's build that its memory bound repeats, and the
// pieces of the build's memory budget.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "curvel/math/scalar.hpp"
#include "tangor/pointcloud/capt.hpp"

namespace tangor::pointcloud::capt {

inline constexpr std::size_t kRunLanes = std::size_t{1} << 3;

// Padding points fill the working set up to a power of two; real points are
// finite, so one coordinate tells them apart.
inline bool is_padding(const Point3& p) { return p[0] == kInfinity; }

inline std::size_t leaf_count(std::size_t points) { return points <= 1 ? 1 : std::bit_ceil(points); }

// The points in their order, then the padding: the run the root splits.
inline std::vector<Point3> working_points(std::span<const Point3> points) {
  std::vector<Point3> working(points.begin(), points.end());
  working.resize(leaf_count(points.size()), Point3{kInfinity, kInfinity, kInfinity});
  return working;
}

// The root's cell.
inline constexpr Aabb kEverywhere{{-kInfinity, -kInfinity, -kInfinity}, {kInfinity, kInfinity, kInfinity}};

inline bool is_small(const Aabb& cell, float rmin_sq) {
  float diagonal_sq = 0.0f;
  for (int a = 0; a < 3; ++a) {
    const float extent = cell.hi[a] - cell.lo[a];
    diagonal_sq += extent * extent;
  }
  // Every centre in a small cell lies within rmin of every point of the cell;
  // an unbounded cell is never small, even for an infinite rmin.
  return std::isfinite(diagonal_sq) && diagonal_sq <= rmin_sq;
}

// Reorders run so that its upper half holds the points of rank half and
// above on `axis`, and returns the split value between the halves. The
// order it leaves inside the halves is part of the written tree.
inline float select_split(std::span<Point3> run, int axis) {
  const std::size_t half = run.size() / 2;
  const auto by_axis = [axis](const Point3& a, const Point3& b) { return a[axis] < b[axis]; };
  std::nth_element(run.begin(), run.begin() + half, run.end(), by_axis);
  float lower_max = -kInfinity;
  for (std::size_t i = 0; i < half; ++i) lower_max = curvel::max(lower_max, run[i][axis]);
  return (lower_max + run[half][axis]) * 0.5f;
}

// Squared distance from p to the farthest corner of its leaf's cell: within
// rmin², every centre in the cell reaches p and the leaf keeps p alone.
inline float farthest_sq(const Point3& p, const Aabb& cell) {
  float sum = 0.0f;
  for (int a = 0; a < 3; ++a) {
    const float to_lo = cell.lo[a] - p[a];
    const float to_hi = cell.hi[a] - p[a];
    sum += curvel::max(to_lo * to_lo, to_hi * to_hi);
  }
  return sum;
}

// Bytes of a tree of `leaves` leaves whose afforded arrays hold `afforded`
// lanes: three floats a lane, a split value, a leaf box and a run start a
// leaf.
constexpr std::uint64_t tree_bytes(std::uint64_t leaves, std::uint64_t afforded) {
  return 12 * afforded + 32 * leaves;
}

// Bytes of physical memory; the largest value where the system does not tell.
std::uint64_t physical_memory_bytes();

// Lanes that the tree of `points` for r_range stores at least (filler lanes
// included); never more than the build writes.
std::uint64_t afforded_lower_bound(std::span<const Point3> points, RadiusRange r_range);

// try_with_point_radius with the tree's arrays held to `memory_bytes`
// (tree_bytes): a tree that would need more is refused with
// ExceedsPhysicalMemory.
std::variant<Capt, NewCaptError> build_within(std::span<const Point3> points, RadiusRange r_range,
                                              float point_radius, std::uint64_t memory_bytes);

}  // namespace tangor::pointcloud::capt
