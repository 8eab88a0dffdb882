#include "convex_polytope/face_lanes.hpp"

#include <cstdint>

namespace tangor::convex_polytope::face_lanes {

// Both scans decide "lowest > d" or "lowest <= d", where lowest is the least
// n·v over the points taken from +inf by curvel::min (NaN ignored), without
// forming the minimum:
//   lowest > d   exactly when  d < +inf and no point has n·v <= d;
//   lowest <= d  exactly when  d = +inf or some point has n·v <= d.
// lowest is +inf or one of the non-NaN products, and a minimum exceeds d
// exactly when each of its elements does; a NaN product neither enters the
// minimum nor passes n·v <= d; a NaN d fails every comparison on both sides.
// Each n·v is rounded as dot(n, v) rounds it ((x·x' + y·y') + z·z', no fused
// multiply-add), so the answers are the plain loop's to the bit, whatever
// order the lanes take the points and planes in. The sign of a zero
// minimum, which a reordered minimum may change, never enters; an empty or
// all-NaN point set gives lowest = +inf in both forms. A lane-wise minimum
// would give the same answers (any order of a minimum yields one of its
// elements, and > d does not see the sign of a zero), but its
// compare-and-select chain measured about three times slower on 12-vertex
// hulls than these ORs of comparisons, which also stop at the first point
// that reaches every lane's plane.

bool some_face_separates(std::span<const Plane> planes, std::span<const Vec3> points) {
  for (std::size_t first = 0; first < planes.size(); first += kWidth) {
    const PlaneLanes p = eight_from<PlaneLanes>(planes, first);
    // reached[l]: the plane of lane l cannot separate.
    std::int32_t reached[kWidth];
    TANGOR_LANE_LOOP
    for (int l = 0; l < kWidth; ++l) reached[l] = INF > p.d[l] ? 0 : -1;
    for (const Vec3& v : points) {
      TANGOR_LANE_LOOP
      for (int l = 0; l < kWidth; ++l) reached[l] |= p.dot(l, v) <= p.d[l] ? -1 : 0;
      if (lanes::all_set(reached)) break;
    }
    if (!lanes::all_set(reached)) return true;
  }
  return false;
}

bool lowest_within(std::span<const Vec3> points, const Plane& plane) {
  const Vec3 n = plane.normal;
  const float d = plane.d;
  if (INF <= d) return true;
  for (std::size_t first = 0; first < points.size(); first += kWidth) {
    const PointLanes v = eight_from<PointLanes>(points, first);
    if (lanes::any_lane<kWidth>([&](int l) { return v.dot(n, l) <= d; })) return true;
  }
  return false;
}

}  // namespace tangor::convex_polytope::face_lanes
