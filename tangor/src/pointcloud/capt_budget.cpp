// How much memory a point tree may take, and a lower bound of how much a
// given tree will take, found without writing it.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "pointcloud/capt_build.hpp"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace tangor::pointcloud::capt {

std::uint64_t physical_memory_bytes() {
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages > 0 && page_size > 0) return std::uint64_t(pages) * std::uint64_t(page_size);
#endif
  // Unknown: only a failed allocation stops the build.
  return std::numeric_limits<std::uint64_t>::max();
}

namespace {

constexpr int kSlabs = 16;

// Counts of the points in boxes, from below: the points are binned into
// kSlabs slabs per axis, and each slab keeps the lowest and highest
// coordinate among its points, so a box counts the cells whose slabs lie
// wholly inside it and never a point outside it, however the binning
// rounded.
class SlabCounts {
 public:
  explicit SlabCounts(std::span<const Point3> points) {
    for (int a = 0; a < 3; ++a) {
      low_[a].fill(kInfinity);
      high_[a].fill(-kInfinity);
      float lo = kInfinity;
      float hi = -kInfinity;
      for (const Point3& p : points) {
        lo = std::min(lo, p[a]);
        hi = std::max(hi, p[a]);
      }
      const double scale = kSlabs / (double(hi) - double(lo));
      origin_[a] = lo;
      scale_[a] = std::isfinite(scale) ? scale : 0.0;
    }
    cells_.assign(kSide * kSide * kSide, 0);
    for (const Point3& p : points) {
      std::array<int, 3> slab;
      for (int a = 0; a < 3; ++a) {
        slab[a] = std::min(kSlabs - 1, int((double(p[a]) - origin_[a]) * scale_[a]));
        low_[a][slab[a]] = std::min(low_[a][slab[a]], p[a]);
        high_[a][slab[a]] = std::max(high_[a][slab[a]], p[a]);
      }
      ++cells_[index(slab[0] + 1, slab[1] + 1, slab[2] + 1)];
    }
    // Prefix sums: cells_[index(i, j, k)] counts the points of the slabs
    // below i, j and k.
    for (int a = 0; a < 3; ++a) {
      const std::size_t stride = a == 0 ? kSide * kSide : a == 1 ? kSide : 1;
      for (std::size_t c = 0; c < cells_.size(); ++c)
        if ((c / stride) % kSide != 0) cells_[c] += cells_[c - stride];
    }
  }

  // Points with lo[a] <= p[a] <= hi[a] on every axis, from below.
  std::uint64_t within(const Point3& lo, const Point3& hi) const {
    std::array<int, 3> first;
    std::array<int, 3> end;
    for (int a = 0; a < 3; ++a) {
      first[a] = kSlabs;
      while (first[a] > 0 && low_[a][first[a] - 1] >= lo[a]) --first[a];
      end[a] = 0;
      while (end[a] < kSlabs && high_[a][end[a]] <= hi[a]) ++end[a];
      if (first[a] >= end[a]) return 0;
    }
    const auto at = [&](bool x, bool y, bool z) {
      return cells_[index(x ? end[0] : first[0], y ? end[1] : first[1], z ? end[2] : first[2])];
    };
    return at(1, 1, 1) - at(0, 1, 1) - at(1, 0, 1) - at(1, 1, 0) + at(0, 0, 1) + at(0, 1, 0) + at(1, 0, 0) -
           at(0, 0, 0);
  }

 private:
  static constexpr std::size_t kSide = kSlabs + 1;
  static std::size_t index(std::size_t i, std::size_t j, std::size_t k) { return (i * kSide + j) * kSide + k; }

  std::array<std::array<float, kSlabs>, 3> low_;
  std::array<std::array<float, kSlabs>, 3> high_;
  std::array<double, 3> origin_;
  std::array<double, 3> scale_;
  std::vector<std::uint64_t> cells_;
};

// The build's descent without its lists: the same selections give the same
// cells, and a point passes every list filter on a leaf's path when it lies
// within the split values moved by rmax (below each split the path went
// down, above each it went up). A leaf that keeps its list therefore keeps
// every other point in that box; subtrees under a small cell are left out.
class LowerBound {
 public:
  LowerBound(std::span<const Point3> points, RadiusRange r_range)
      : counts_(points), rmin_sq_(r_range.first * r_range.first), rmax_(r_range.second) {}

  // Lanes that the leaves under `run` (in `cell`) store at least, where a
  // point inside [lo, hi] passes the filters of the path down to `run`.
  std::uint64_t walk(std::span<Point3> run, int axis, const Aabb& cell, Point3 lo, Point3 hi) {
    if (run.size() == 1) return leaf(run[0], cell, lo, hi);
    const std::size_t half = run.size() / 2;
    const float test = select_split(run, axis);
    Aabb lower_cell = cell;
    lower_cell.hi[axis] = test;
    Aabb upper_cell = cell;
    upper_cell.lo[axis] = test;
    const int next_axis = (axis + 1) % 3;
    std::uint64_t lanes = 0;
    if (!is_small(lower_cell, rmin_sq_)) {
      Point3 lower_hi = hi;
      // A NaN reach admits nothing, so it must replace the bound.
      const float reach = test + rmax_;
      if (!(reach >= lower_hi[axis])) lower_hi[axis] = reach;
      lanes += walk(run.first(half), next_axis, lower_cell, lo, lower_hi);
    }
    if (!is_small(upper_cell, rmin_sq_)) {
      Point3 upper_lo = lo;
      const float reach = test - rmax_;
      if (!(reach <= upper_lo[axis])) upper_lo[axis] = reach;
      lanes += walk(run.subspan(half), next_axis, upper_cell, upper_lo, hi);
    }
    return lanes;
  }

 private:
  std::uint64_t leaf(const Point3& p, const Aabb& cell, const Point3& lo, const Point3& hi) const {
    if (is_padding(p)) return 0;
    if (farthest_sq(p, cell) <= rmin_sq_) return kRunLanes;
    // p itself may be among the points counted.
    const std::uint64_t within = counts_.within(lo, hi);
    const std::uint64_t listed = within == 0 ? 0 : within - 1;
    return (1 + listed + kRunLanes - 1) / kRunLanes * kRunLanes;
  }

  SlabCounts counts_;
  float rmin_sq_;
  float rmax_;
};

}  // namespace

std::uint64_t afforded_lower_bound(std::span<const Point3> points, RadiusRange r_range) {
  std::vector<Point3> working = working_points(points);
  return LowerBound(points, r_range).walk(working, 0, kEverywhere, kEverywhere.lo, kEverywhere.hi);
}

}  // namespace tangor::pointcloud::capt
