#include "tangor/pointcloud/capt.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

#include "curvel/math/scalar.hpp"

namespace tangor::pointcloud::capt {

std::string_view name(NewCaptError error) {
  switch (error) {
    case NewCaptError::TooManyPoints: return "TooManyPoints";
    case NewCaptError::NonFinite: return "NonFinite";
    case NewCaptError::InvalidLaneCount: return "InvalidLaneCount";
    case NewCaptError::OutOfMemory: return "OutOfMemory";
  }
  return "NewCaptError";
}

namespace {

constexpr std::size_t kRunLanes = std::size_t{1} << 3;

// Padding points fill the working set up to a power of two; real points are
// finite, so one coordinate tells them apart.
bool is_padding(const Point3& p) { return p[0] == kInfinity; }

bool is_small(const Aabb& cell, float rmin_sq) {
  float diagonal_sq = 0.0f;
  for (int a = 0; a < 3; ++a) {
    const float extent = cell.hi[a] - cell.lo[a];
    diagonal_sq += extent * extent;
  }
  // Every centre in a small cell lies within rmin of every point of the cell;
  // an unbounded cell is never small, even for an infinite rmin.
  return std::isfinite(diagonal_sq) && diagonal_sq <= rmin_sq;
}

// A stack of points whose pushes may be conditional without a branch: the
// point is written in any case and the top moves by the condition.
class PointStack {
 public:
  std::size_t size() const { return size_; }
  const Point3& operator[](std::size_t i) const { return data_[i]; }
  void truncate(std::size_t size) { size_ = size; }
  // Room for `more` pushes.
  void ensure(std::size_t more) {
    if (size_ + more <= data_.size()) return;
    data_.resize(std::max(size_ + more, 2 * data_.size()));
  }
  void push_if(const Point3& p, bool keep) {
    data_[size_] = p;
    size_ += keep;
  }

 private:
  std::vector<Point3> data_;
  std::size_t size_ = 0;
};

// The recursive build, cheap without changing what it writes: the
// children's lists live in one arena used as a stack (a node's lists sit
// above its parent's and are dropped when it returns) and are filtered
// without branches; a node whose children are leaves hands their lists
// straight to the leaves' runs instead of gathering them first (the largest
// level of lists); the runs are written into the afforded arrays, grown
// geometrically.
class Builder {
 public:
  Builder(Capt& tree, RadiusRange r_range, std::size_t points)
      : tree_(tree),
        rmin_sq_(r_range.first * r_range.first),
        rmax_(r_range.second),
        first_leaf_(tree.aabbs.size() - 1) {
    // Every real leaf stores at least one run of eight; the lists grow beyond
    // that only as far as the radius range makes them.
    reserve(kRunLanes * points);
  }

  // Builds the subtree of `node` over `run` (a power-of-two count of working
  // points), which must also afford the points lists_[inherited, end).
  bool build(std::span<Point3> run, std::size_t node, int axis, std::size_t inherited, std::size_t end,
             const Aabb& cell) {
    if (run.size() == 1) {
      return build_leaf(run[0], node, cell, end - inherited, [&](auto&& take) {
        for (std::size_t i = inherited; i < end; ++i) take(lists_[i], true);
      });
    }

    const std::size_t half = run.size() / 2;
    const auto by_axis = [axis](const Point3& a, const Point3& b) { return a[axis] < b[axis]; };
    std::nth_element(run.begin(), run.begin() + half, run.end(), by_axis);
    float lower_max = -kInfinity;
    for (std::size_t i = 0; i < half; ++i) lower_max = curvel::max(lower_max, run[i][axis]);
    const float test = (lower_max + run[half][axis]) * 0.5f;
    tree_.tests[node] = test;

    Aabb lower_cell = cell;
    lower_cell.hi[axis] = test;
    Aabb upper_cell = cell;
    upper_cell.lo[axis] = test;
    const bool lower_small = is_small(lower_cell, rmin_sq_);
    const bool upper_small = is_small(upper_cell, rmin_sq_);

    // The children's lists: the inherited points and the other half's points
    // within rmax of the split, in that order. take(p, keep) is called for
    // every candidate.
    const float lower_reach = test + rmax_;
    const float upper_reach = test - rmax_;
    const std::size_t candidates = end - inherited + half;
    const auto lower_list = [&](auto&& take) {
      if (lower_small) return;
      for (std::size_t i = inherited; i < end; ++i) take(lists_[i], lists_[i][axis] <= lower_reach);
      for (std::size_t i = half; i < run.size(); ++i) take(run[i], run[i][axis] <= lower_reach);
    };
    const auto upper_list = [&](auto&& take) {
      if (upper_small) return;
      for (std::size_t i = inherited; i < end; ++i) {
        const Point3& p = lists_[i];
        take(p, (lower_small || std::isfinite(p[axis])) && p[axis] >= upper_reach);
      }
      for (std::size_t i = 0; i < half; ++i) take(run[i], std::isfinite(run[i][axis]) && run[i][axis] >= upper_reach);
    };

    if (half == 1) {
      return build_leaf(run[0], 2 * node + 1, lower_cell, candidates, lower_list) &&
             build_leaf(run[1], 2 * node + 2, upper_cell, candidates, upper_list);
    }

    // The upper child's list first, so that the lower child's, built and
    // dropped first, lies on top of the stack.
    const auto push = [this](const Point3& p, bool keep) { lists_.push_if(p, keep); };
    lists_.ensure(2 * candidates);
    const std::size_t upper_begin = lists_.size();
    upper_list(push);
    const std::size_t upper_end = lists_.size();
    lower_list(push);
    const std::size_t lower_end = lists_.size();

    const int next_axis = (axis + 1) % 3;
    const bool lower_built = build(run.first(half), 2 * node + 1, next_axis, upper_end, lower_end, lower_cell);
    lists_.truncate(upper_end);
    if (!lower_built) return false;
    if (node == 0) {
      // Half the leaves are written: the other half will take about as much.
      reserve(2 * length_ + kRunLanes * run.size());
    }
    const bool upper_built = build(run.subspan(half), 2 * node + 2, next_axis, upper_begin, upper_end, upper_cell);
    lists_.truncate(upper_begin);
    return upper_built;
  }

  // The afforded arrays at their length (kept aligned), trimmed when the
  // storage left over is worth giving back.
  void finish() {
    for (AlignedBuffer<float>& coordinate : tree_.afforded) {
      coordinate.resize_for_overwrite(length_);
      if (coordinate.capacity() - length_ > length_ / 8) coordinate.shrink_to_fit();
    }
  }

 private:
  // `listed(take)` calls take(q, keep) for each of at most `candidates`
  // points, in order; the leaf's list is those with keep.
  template <class Listed>
  bool build_leaf(const Point3& p, std::size_t node, const Aabb& cell, std::size_t candidates, Listed&& listed) {
    const std::size_t leaf = node - first_leaf_;
    Aabb& box = tree_.aabbs[leaf];
    box = Aabb{p, p};
    if (is_padding(p)) {
      tree_.starts[leaf + 1] = static_cast<std::uint32_t>(length_);
      return true;
    }
    reserve_more(1 + candidates + kRunLanes);
    float* x = tree_.afforded[0].data();
    float* y = tree_.afforded[1].data();
    float* z = tree_.afforded[2].data();
    // The run's length in a local while it is written: the stores through
    // x, y and z would otherwise make the compiler reload it each time.
    std::size_t length = length_;
    const auto take = [&](const Point3& q, bool keep) {
      x[length] = q[0];
      y[length] = q[1];
      z[length] = q[2];
      length += keep;
    };
    take(p, true);
    float farthest_sq = 0.0f;
    for (int a = 0; a < 3; ++a) {
      const float to_lo = cell.lo[a] - p[a];
      const float to_hi = cell.hi[a] - p[a];
      farthest_sq += curvel::max(to_lo * to_lo, to_hi * to_hi);
    }
    if (!(farthest_sq <= rmin_sq_)) {
      const std::size_t first = length;
      listed(take);
      // The box takes the listed points in their order. No coordinate here
      // is NaN (the points are finite, the padding +inf), so curvel's
      // NaN-ignoring min and max reduce to the plain comparisons, which
      // compile to minss and maxss instead of branches.
      const auto low = [](float a, float b) { return b < a ? b : a; };
      const auto high = [](float a, float b) { return b > a ? b : a; };
      Point3 lo = box.lo;
      Point3 hi = box.hi;
      for (std::size_t i = first; i < length; ++i) {
        lo[0] = low(lo[0], x[i]);
        hi[0] = high(hi[0], x[i]);
        lo[1] = low(lo[1], y[i]);
        hi[1] = high(hi[1], y[i]);
        lo[2] = low(lo[2], z[i]);
        hi[2] = high(hi[2], z[i]);
      }
      box.lo = lo;
      box.hi = hi;
    }
    while (length % kRunLanes != 0) take({kInfinity, kInfinity, kInfinity}, true);
    length_ = length;
    if (length_ > std::numeric_limits<std::uint32_t>::max()) return false;
    tree_.starts[leaf + 1] = static_cast<std::uint32_t>(length_);
    return true;
  }

  void reserve_more(std::size_t more) {
    if (length_ + more > capacity_) reserve(std::max(length_ + more, 2 * capacity_));
  }

  void reserve(std::size_t lanes) {
    if (lanes <= capacity_) return;
    for (AlignedBuffer<float>& coordinate : tree_.afforded) {
      coordinate.resize_for_overwrite(length_);
      coordinate.reserve(lanes);
      coordinate.advise_huge_pages();
      coordinate.resize_for_overwrite(lanes);
    }
    capacity_ = lanes;
  }

  Capt& tree_;
  float rmin_sq_;
  float rmax_;
  std::size_t first_leaf_;
  PointStack lists_;
  // The afforded arrays are written up to length_ and sized to capacity_.
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace

std::variant<Capt, NewCaptError> Capt::try_with_point_radius(std::span<const Point3> points,
                                                             RadiusRange r_range,
                                                             float point_radius) {
  for (const Point3& p : points)
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
      return NewCaptError::NonFinite;
  // Leaf indices and run positions are 32-bit.
  if (points.size() > std::numeric_limits<std::uint32_t>::max())
    return NewCaptError::TooManyPoints;

  try {
    const std::size_t leaves = points.size() <= 1 ? 1 : std::bit_ceil(points.size());
    std::vector<Point3> working(points.begin(), points.end());
    working.resize(leaves, Point3{kInfinity, kInfinity, kInfinity});

    Capt tree;
    tree.tests.assign(leaves - 1, kInfinity);
    tree.aabbs.assign(leaves, Aabb{{-kInfinity, -kInfinity, -kInfinity}, {kInfinity, kInfinity, kInfinity}});
    tree.starts.assign(leaves + 1, 0);
    const Aabb everything{{-kInfinity, -kInfinity, -kInfinity}, {kInfinity, kInfinity, kInfinity}};
    Builder builder(tree, r_range, points.size());
    if (!builder.build(working, 0, 0, 0, 0, everything)) return NewCaptError::TooManyPoints;
    builder.finish();
    tree.r_point = point_radius;
    tree.lanes_log2 = 3;
    return tree;
  } catch (const std::bad_alloc&) {
    return NewCaptError::OutOfMemory;
  }
}

namespace {

// Depth of the complete tree whose inner nodes number tests.size() = 2^D − 1.
int depth_of(const std::vector<float>& tests) { return std::countr_one(tests.size()); }

}  // namespace

bool Capt::collides(const Point3& centre, float radius) const {
  const float reach = radius + r_point;
  const float reach_sq = reach * reach;

  std::size_t node = 0;
  const int depth = depth_of(tests);
  for (int d = 0; d < depth; ++d)
    node = 2 * node + 1 + static_cast<std::size_t>(tests[node] <= centre[d % 3]);
  const std::size_t leaf = node - tests.size();

  const Aabb& box = aabbs[leaf];
  float box_dist_sq = 0.0f;
  for (int a = 0; a < 3; ++a) {
    const float gap = centre[a] - curvel::clamp(centre[a], box.lo[a], box.hi[a]);
    box_dist_sq += gap * gap;
  }
  if (!(box_dist_sq <= reach_sq)) return false;

  const float* x = afforded[0].data();
  const float* y = afforded[1].data();
  const float* z = afforded[2].data();
  for (std::size_t at = starts[leaf]; at < starts[leaf + 1]; at += lanes::kWidth) {
    if (lanes::points_within_any<lanes::kWidth>(x + at, y + at, z + at, centre[0], centre[1],
                                                centre[2], reach_sq))
      return true;
  }
  return false;
}

bool Capt::collides_simd(const std::array<lanes::Row, 3>& centres, const lanes::Row& radii) const {
  lanes::Row reach;
  lanes::Row reach_sq;
  TANGOR_LANE_LOOP
  for (int l = 0; l < lanes::kWidth; ++l) {
    reach[l] = radii[l] + r_point;
    reach_sq[l] = reach[l] * reach[l];
  }

  std::array<std::size_t, lanes::kWidth> node{};
  const int depth = depth_of(tests);
  for (int d = 0; d < depth; ++d) {
    const lanes::Row& coordinate = centres[d % 3];
    for (int l = 0; l < lanes::kWidth; ++l)
      node[l] = 2 * node[l] + 1 + static_cast<std::size_t>(tests[node[l]] <= coordinate[l]);
  }
  std::array<std::size_t, lanes::kWidth> leaf;
  for (int l = 0; l < lanes::kWidth; ++l) leaf[l] = node[l] - tests.size();

  // A box grown by the reach on every axis: cheaper than the Euclidean
  // distance and still never rejects a lane that has a point within reach.
  const unsigned in_box = lanes::lane_mask<lanes::kWidth>([&](int l) {
    const Aabb& box = aabbs[leaf[l]];
    bool inside = true;
    for (int a = 0; a < 3; ++a)
      inside = inside && box.lo[a] - reach[l] <= centres[a][l] && centres[a][l] - reach[l] <= box.hi[a];
    return inside;
  });
  if (in_box == 0) return false;

  const float* x = afforded[0].data();
  const float* y = afforded[1].data();
  const float* z = afforded[2].data();
  for (int l = 0; l < lanes::kWidth; ++l) {
    if ((in_box & (1u << l)) == 0) continue;
    for (std::size_t at = starts[leaf[l]]; at < starts[leaf[l] + 1]; at += lanes::kWidth) {
      if (lanes::points_within_any<lanes::kWidth>(x + at, y + at, z + at, centres[0][l],
                                                  centres[1][l], centres[2][l], reach_sq[l]))
        return true;
    }
  }
  return false;
}

}  // namespace tangor::pointcloud::capt
