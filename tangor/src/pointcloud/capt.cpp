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

class Builder {
 public:
  Builder(Capt& tree, RadiusRange r_range)
      : tree_(tree),
        rmin_sq_(r_range.first * r_range.first),
        rmax_(r_range.second),
        first_leaf_(tree.aabbs.size() - 1) {}

  // Builds the subtree of `node` over `run` (a power-of-two count of working
  // points), which must also afford the points of `inherited`.
  bool build(std::span<Point3> run, std::size_t node, int axis, std::vector<Point3> inherited,
             const Aabb& cell) {
    if (run.size() == 1) return build_leaf(run[0], node, inherited, cell);

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

    const float lower_reach = test + rmax_;
    const float upper_reach = test - rmax_;
    std::vector<Point3> lower_list;
    std::vector<Point3> upper_list;
    if (!lower_small) {
      for (const Point3& p : inherited)
        if (p[axis] <= lower_reach) lower_list.push_back(p);
      for (std::size_t i = half; i < run.size(); ++i)
        if (run[i][axis] <= lower_reach) lower_list.push_back(run[i]);
    }
    if (!upper_small) {
      for (const Point3& p : inherited) {
        if (!lower_small && !std::isfinite(p[axis])) continue;
        if (p[axis] >= upper_reach) upper_list.push_back(p);
      }
      for (std::size_t i = 0; i < half; ++i)
        if (std::isfinite(run[i][axis]) && run[i][axis] >= upper_reach)
          upper_list.push_back(run[i]);
    }
    inherited = {};

    const int next_axis = (axis + 1) % 3;
    if (!build(run.first(half), 2 * node + 1, next_axis, std::move(lower_list), lower_cell))
      return false;
    return build(run.subspan(half), 2 * node + 2, next_axis, std::move(upper_list), upper_cell);
  }

 private:
  bool build_leaf(const Point3& p, std::size_t node, const std::vector<Point3>& inherited,
                  const Aabb& cell) {
    const std::size_t leaf = node - first_leaf_;
    Aabb& box = tree_.aabbs[leaf];
    box = Aabb{p, p};
    if (is_padding(p)) {
      tree_.starts[leaf + 1] = static_cast<std::uint32_t>(tree_.afforded[0].size());
      return true;
    }
    append(p);
    float farthest_sq = 0.0f;
    for (int a = 0; a < 3; ++a) {
      const float to_lo = cell.lo[a] - p[a];
      const float to_hi = cell.hi[a] - p[a];
      farthest_sq += curvel::max(to_lo * to_lo, to_hi * to_hi);
    }
    if (!(farthest_sq <= rmin_sq_)) {
      for (const Point3& q : inherited) {
        append(q);
        for (int a = 0; a < 3; ++a) {
          box.lo[a] = curvel::min(box.lo[a], q[a]);
          box.hi[a] = curvel::max(box.hi[a], q[a]);
        }
      }
    }
    while (tree_.afforded[0].size() % kRunLanes != 0) append({kInfinity, kInfinity, kInfinity});
    const std::size_t length = tree_.afforded[0].size();
    if (length > std::numeric_limits<std::uint32_t>::max()) return false;
    tree_.starts[leaf + 1] = static_cast<std::uint32_t>(length);
    return true;
  }

  void append(const Point3& p) {
    for (int a = 0; a < 3; ++a) tree_.afforded[a].push_back(p[a]);
  }

  Capt& tree_;
  float rmin_sq_;
  float rmax_;
  std::size_t first_leaf_;
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
    // Every real leaf stores at least one run of eight; the lists grow beyond
    // that only as far as the radius range makes them.
    for (auto& coordinate : tree.afforded) coordinate.reserve(kRunLanes * points.size());

    const Aabb everything{{-kInfinity, -kInfinity, -kInfinity}, {kInfinity, kInfinity, kInfinity}};
    Builder builder(tree, r_range);
    if (!builder.build(working, 0, 0, {}, everything)) return NewCaptError::TooManyPoints;

    for (auto& coordinate : tree.afforded) coordinate.shrink_to_fit();
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
