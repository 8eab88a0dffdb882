#pragma once

#include <cstddef>

#include "tangor/lanes.hpp"
#include "tangor/soa/spheres_soa.hpp"

namespace tangor::pointcloud {

// Whether some used lane of the sphere array (lanes 0 .. len−1; spare lanes
// are never looked at) is a hit: whole groups of eight through
// group_hits(x, y, z) (pointers to the group's first lane; non-zero for a
// hit), the rest one at a time through point_hits(x, y, z). Both must decide
// by the same condition, so the answer does not depend on where a point
// falls.
template <class GroupHits, class PointHits>
bool any_point_hits(const soa::SpheresSoA& points, GroupHits&& group_hits, PointHits&& point_hits) {
  const float* x = points.xs();
  const float* y = points.ys();
  const float* z = points.zs();
  const std::size_t grouped = points.len / lanes::kWidth * lanes::kWidth;
  for (std::size_t g = 0; g < grouped; g += lanes::kWidth)
    if (group_hits(x + g, y + g, z + g)) return true;
  for (std::size_t i = grouped; i < points.len; ++i)
    if (point_hits(x[i], y[i], z[i])) return true;
  return false;
}

// The same with the group test made of point_hits lane by lane.
template <class PointHits>
bool any_point_hits(const soa::SpheresSoA& points, PointHits&& point_hits) {
  const auto group_hits = [&](const float* x, const float* y, const float* z) {
    return lanes::any_lane<lanes::kWidth>([&](int l) { return point_hits(x[l], y[l], z[l]); });
  };
  return any_point_hits(points, group_hits, point_hits);
}

}  // namespace tangor::pointcloud
