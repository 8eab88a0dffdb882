#pragma once

// The polytope tests' scans over face planes and vertices, eight entries per
// lane step: sphere and point against the faces, a plane against the
// vertices, and each polytope's faces against the other's vertices.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>

#include "tangor/lanes.hpp"
#include "tangor/plane/infinite.hpp"

namespace tangor::convex_polytope::face_lanes {

inline constexpr int kWidth = lanes::kWidth;

// Eight face planes, one coordinate per row.
struct PlaneLanes {
  lanes::Row nx, ny, nz, d;

  static PlaneLanes from(const Plane* p) {
    PlaneLanes out;
    TANGOR_LANE_LOOP
    for (int l = 0; l < kWidth; ++l) {
      out.nx[l] = p[l].normal.x;
      out.ny[l] = p[l].normal.y;
      out.nz[l] = p[l].normal.z;
      out.d[l] = p[l].d;
    }
    return out;
  }

  // n·v for the plane of lane l, rounded as dot(n, v) rounds it.
  float dot(int l, Vec3 v) const { return nx[l] * v.x + ny[l] * v.y + nz[l] * v.z; }
};

// Eight points, one coordinate per row.
struct PointLanes {
  lanes::Row x, y, z;

  // Read as one block of floats, which the compiler splits into rows with
  // shuffles; read member by member, it assembled each row from scalars
  // through the stack and measured slower than the plain loop.
  static PointLanes from(const Vec3* p) {
    static_assert(sizeof(Vec3) == 3 * sizeof(float));
    float f[3 * kWidth];
    std::memcpy(f, p, sizeof f);
    PointLanes out;
    for (int l = 0; l < kWidth; ++l) {
      out.x[l] = f[3 * l];
      out.y[l] = f[3 * l + 1];
      out.z[l] = f[3 * l + 2];
    }
    return out;
  }

  // n·p for the point of lane l, rounded as dot(n, p) rounds it.
  float dot(Vec3 n, int l) const { return n.x * x[l] + n.y * y[l] + n.z * z[l]; }
};

// Eight entries of `items` from `first` (which `items` must hold) in lanes.
// Where fewer than eight remain, the last eight of `items` are taken, so the
// remainder group overlaps the one before it; a span shorter than eight is
// copied with its last entry repeated. Either way the extra lanes repeat
// entries already tested, which changes no "some entry" or "every entry"
// answer, and every group is read in place but the short span's.
template <class Lanes, class T>
inline Lanes eight_from(std::span<const T> items, std::size_t first) {
  constexpr std::size_t width = kWidth;
  if (items.size() >= width) return Lanes::from(items.data() + std::min(first, items.size() - width));
  const std::size_t last = items.size() - 1;
  T tail[kWidth];
  for (std::size_t l = 0; l < width; ++l) tail[l] = items[std::min(first + l, last)];
  return Lanes::from(tail);
}

// Some plane with lane_fails(lanes, l) for its lane. The answer does not
// depend on which plane fails first, so a step may test up to seven planes
// past it.
template <class LaneFails>
inline bool some_plane(std::span<const Plane> planes, LaneFails&& lane_fails) {
  for (std::size_t first = 0; first < planes.size(); first += kWidth) {
    const PlaneLanes p = eight_from<PlaneLanes>(planes, first);
    if (lanes::any_lane<kWidth>([&](int l) { return lane_fails(p, l); })) return true;
  }
  return false;
}

// Some plane (n, d) of `planes` whose lowest n·v over `points` (from +inf,
// NaN ignored) exceeds d; an empty point set lies beyond every plane with
// d < +inf.
bool some_face_separates(std::span<const Plane> planes, std::span<const Vec3> points);

// Whether the lowest n·v over `points` (from +inf, NaN ignored) is <= d.
bool lowest_within(std::span<const Vec3> points, const Plane& plane);

}  // namespace tangor::convex_polytope::face_lanes
