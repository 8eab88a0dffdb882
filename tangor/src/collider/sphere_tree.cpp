#include "collider/sphere_tree.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace tangor::collider {

namespace {

constexpr float kEmpty = std::numeric_limits<float>::quiet_NaN();

// The least float at or above v.
float up(double v) {
  const float f = static_cast<float>(v);
  return static_cast<double>(f) >= v ? f : std::nextafter(f, std::numeric_limits<float>::infinity());
}

struct Ball {
  double x, y, z, r;
};

// A ball stored in single precision that holds every given ball: the centre
// rounded to floats, the radius measured from that rounded centre, then
// rounded up.
template <class Balls>
Ball enclose(const Balls& balls) {
  double lo[3] = {INFINITY, INFINITY, INFINITY};
  double hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (const Ball& b : balls) {
    const double c[3] = {b.x, b.y, b.z};
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], c[a] - b.r);
      hi[a] = std::max(hi[a], c[a] + b.r);
    }
  }
  const double x = static_cast<float>((lo[0] + hi[0]) * 0.5);
  const double y = static_cast<float>((lo[1] + hi[1]) * 0.5);
  const double z = static_cast<float>((lo[2] + hi[2]) * 0.5);
  double r = 0.0;
  for (const Ball& b : balls) r = std::max(r, std::hypot(b.x - x, b.y - y, b.z - z) + b.r);
  return {x, y, z, static_cast<double>(up(r * (1.0 + 0x1p-20)))};
}

}  // namespace

SphereTree::SphereTree(std::vector<TreeMember> members) {
  if (members.empty()) return;
  nodes_.reserve(members.size() / 4 + 1);
  build(members, 0, members.size());
}

SphereTree::Bound SphereTree::build(std::vector<TreeMember>& members, std::size_t begin, std::size_t end) {
  const std::size_t index = nodes_.size();
  nodes_.emplace_back();
  for (int l = 0; l < kFan; ++l) {
    nodes_[index].r[l] = kEmpty;
    nodes_[index].x[l] = nodes_[index].y[l] = nodes_[index].z[l] = nodes_[index].k[l] = 0.0f;
    nodes_[index].ref[l] = 0;
  }

  // The ranges of the eight children: the members themselves when they fit,
  // else three rounds of halving at the median of the widest spread of
  // centres.
  std::size_t cuts[kFan + 1];
  int children = 0;
  const std::size_t n = end - begin;
  if (n <= static_cast<std::size_t>(kFan)) {
    for (std::size_t i = 0; i <= n; ++i) cuts[i] = begin + i;
    children = static_cast<int>(n);
  } else {
    cuts[0] = begin;
    cuts[kFan] = end;
    for (int step = kFan / 2; step >= 1; step /= 2) {
      for (int at = 0; at < kFan; at += 2 * step) {
        const std::size_t lo = cuts[at];
        const std::size_t hi = cuts[at + 2 * step];
        double span[3] = {0.0, 0.0, 0.0};
        double min_c[3] = {INFINITY, INFINITY, INFINITY};
        double max_c[3] = {-INFINITY, -INFINITY, -INFINITY};
        for (std::size_t i = lo; i < hi; ++i) {
          const double c[3] = {members[i].x, members[i].y, members[i].z};
          for (int a = 0; a < 3; ++a) {
            min_c[a] = std::min(min_c[a], c[a]);
            max_c[a] = std::max(max_c[a], c[a]);
          }
        }
        for (int a = 0; a < 3; ++a) span[a] = max_c[a] - min_c[a];
        const int axis = span[0] >= span[1] ? (span[0] >= span[2] ? 0 : 2) : (span[1] >= span[2] ? 1 : 2);
        const std::size_t mid = lo + (hi - lo) / 2;
        const auto coordinate = [axis](const TreeMember& m) { return axis == 0 ? m.x : axis == 1 ? m.y : m.z; };
        std::nth_element(members.begin() + static_cast<std::ptrdiff_t>(lo),
                         members.begin() + static_cast<std::ptrdiff_t>(mid),
                         members.begin() + static_cast<std::ptrdiff_t>(hi),
                         [&](const TreeMember& a, const TreeMember& b) { return coordinate(a) < coordinate(b); });
        cuts[at + step] = mid;
      }
    }
    children = kFan;
  }

  Ball balls[kFan];
  float kappa = 1.0f;
  for (int l = 0; l < children; ++l) {
    Bound child;
    std::int32_t ref;
    if (cuts[l + 1] - cuts[l] == 1) {
      const TreeMember& m = members[cuts[l]];
      const Ball fitted = enclose(std::initializer_list<Ball>{{m.x, m.y, m.z, m.radius}});
      child = {static_cast<float>(fitted.x), static_cast<float>(fitted.y), static_cast<float>(fitted.z),
               static_cast<float>(fitted.r), up(m.kappa)};
      ref = ~static_cast<std::int32_t>(m.id);
    } else {
      ref = static_cast<std::int32_t>(nodes_.size());
      child = build(members, cuts[l], cuts[l + 1]);
    }
    Node& node = nodes_[index];
    node.x[l] = child.x;
    node.y[l] = child.y;
    node.z[l] = child.z;
    node.r[l] = child.r;
    node.k[l] = child.k;
    node.ref[l] = ref;
    balls[l] = {child.x, child.y, child.z, child.r};
    kappa = std::max(kappa, child.k);
  }
  const Ball all = enclose(std::span<const Ball>(balls, static_cast<std::size_t>(children)));
  return {static_cast<float>(all.x), static_cast<float>(all.y), static_cast<float>(all.z), static_cast<float>(all.r),
          kappa};
}

}  // namespace tangor::collider
