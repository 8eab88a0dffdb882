#include "tangor/pointcloud/capt.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

#include "curvel/math/scalar.hpp"
#include "pointcloud/capt_build.hpp"

namespace tangor::pointcloud::capt {

std::string_view name(NewCaptError error) {
  switch (error) {
    case NewCaptError::TooManyPoints: return "TooManyPoints";
    case NewCaptError::NonFinite: return "NonFinite";
    case NewCaptError::InvalidLaneCount: return "InvalidLaneCount";
    case NewCaptError::OutOfMemory: return "OutOfMemory";
    case NewCaptError::ExceedsPhysicalMemory: return "ExceedsPhysicalMemory";
  }
  return "NewCaptError";
}

namespace {

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
//
// The arrays are held to limit_ lanes. Each run's end is checked against it
// (with the 32-bit range of the run starts, in one comparison), and growth
// never asks for more than the limit beyond one run's candidates. A range of
// radii wide against the points' spacing makes nearly every leaf keep
// nearly every point, so such a tree would reach the limit only after
// filling memory: when the arrays must grow and the runs written so far,
// taken for all the points, pass half the limit (or the arrays pass a
// quarter of it), the build takes the lower bound of the whole tree's lanes
// once, and stops there if it passes the limit. The bound costs about the
// selections of the build, so trees far below the limit never take it.
class Builder {
 public:
  Builder(Capt& tree, std::span<const Point3> points, RadiusRange r_range, std::uint64_t limit)
      : tree_(tree),
        points_(points),
        r_range_(r_range),
        rmin_sq_(r_range.first * r_range.first),
        rmax_(r_range.second),
        first_leaf_(tree.aabbs.size() - 1),
        limit_(static_cast<std::size_t>(std::min<std::uint64_t>(limit, std::numeric_limits<std::size_t>::max()))),
        max_length_(std::min<std::size_t>(limit_, std::numeric_limits<std::uint32_t>::max())) {
    // Every real leaf stores at least one run of eight; the lists grow beyond
    // that only as far as the radius range makes them.
    grow(0, kRunLanes * points.size());
  }

  // Why the build stopped, after build() returned false.
  NewCaptError error() const { return error_; }

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
    const float test = select_split(run, axis);
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
      grow(length_, 2 * length_ + kRunLanes * run.size());
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
    if (!reserve_more(1 + candidates + kRunLanes, leaf)) return false;
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
    if (!(farthest_sq(p, cell) <= rmin_sq_)) {
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
    if (length_ > max_length_) {
      return stop(length_ > std::numeric_limits<std::uint32_t>::max() ? NewCaptError::TooManyPoints
                                                                       : NewCaptError::ExceedsPhysicalMemory);
    }
    tree_.starts[leaf + 1] = static_cast<std::uint32_t>(length_);
    return true;
  }

  // Room for `more` lanes past the runs of the leaves before `leaf`.
  bool reserve_more(std::size_t more, std::size_t leaf) {
    if (length_ + more <= capacity_) return true;
    // Real leaves precede the padding ones: the leaves before `leaf` are real.
    const double projected = double(length_) / double(std::max<std::size_t>(leaf, 1)) * double(points_.size());
    if (!bounded_ && (length_ + more > limit_ / 4 || projected > double(limit_ / 2))) {
      bounded_ = true;
      if (afforded_lower_bound(points_, r_range_) > limit_) return stop(NewCaptError::ExceedsPhysicalMemory);
    }
    grow(length_ + more, 2 * capacity_);
    return true;
  }

  bool stop(NewCaptError error) {
    error_ = error;
    return false;
  }

  // Room for `needed` lanes, and for `wanted` as far as a quarter of the
  // limit (until the bound is taken) or the limit allow.
  void grow(std::size_t needed, std::size_t wanted) {
    const std::size_t ceiling = bounded_ ? limit_ : limit_ / 4;
    reserve(std::max(needed, std::min(wanted, ceiling)));
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
  std::span<const Point3> points_;
  RadiusRange r_range_;
  float rmin_sq_;
  float rmax_;
  std::size_t first_leaf_;
  std::size_t limit_;
  std::size_t max_length_;
  bool bounded_ = false;
  NewCaptError error_ = NewCaptError::TooManyPoints;
  PointStack lists_;
  // The afforded arrays are written up to length_ and sized to capacity_.
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace

std::variant<Capt, NewCaptError> build_within(std::span<const Point3> points, RadiusRange r_range,
                                              float point_radius, std::uint64_t memory_bytes) {
  for (const Point3& p : points)
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
      return NewCaptError::NonFinite;
  // Leaf indices and run positions are 32-bit.
  if (points.size() > std::numeric_limits<std::uint32_t>::max())
    return NewCaptError::TooManyPoints;
  const std::size_t leaves = leaf_count(points.size());
  // The smallest tree keeps one run of eight for every point.
  if (tree_bytes(leaves, kRunLanes * points.size()) > memory_bytes) return NewCaptError::ExceedsPhysicalMemory;

  try {
    std::vector<Point3> working = working_points(points);
    Capt tree;
    tree.tests.assign(leaves - 1, kInfinity);
    tree.aabbs.assign(leaves, kEverywhere);
    tree.starts.assign(leaves + 1, 0);
    Builder builder(tree, points, r_range, (memory_bytes - tree_bytes(leaves, 0)) / tree_bytes(0, 1));
    if (!builder.build(working, 0, 0, 0, 0, kEverywhere)) return builder.error();
    builder.finish();
    tree.r_point = point_radius;
    tree.lanes_log2 = 3;
    return tree;
  } catch (const std::bad_alloc&) {
    return NewCaptError::OutOfMemory;
  }
}

std::variant<Capt, NewCaptError> Capt::try_with_point_radius(std::span<const Point3> points,
                                                             RadiusRange r_range,
                                                             float point_radius) {
  return build_within(points, r_range, point_radius, physical_memory_bytes());
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
