#pragma once

// A bounding-sphere hierarchy with eight children per node, stored as
// structure-of-arrays lanes so that a node is tested against a query with
// the same eight-lane comparison as the sphere arrays. Children are inner
// nodes or members; the tree only ever says which members may pass, the
// caller decides what a member does.

#include <cstdint>
#include <vector>

#include "tangor/lanes.hpp"

namespace tangor::collider {

// One member as the tree stores it: a sphere that holds everything the
// member can be tested on, the member's kappa (how far per unit of query
// radius a test by face planes reaches beyond it) and its index.
struct TreeMember {
  double x, y, z, radius;
  double kappa;
  std::uint32_t id;
};

// What a query asks of a lane (a node's child or a member) with centre c,
// radius r and kappa k: |q − c| <= reach·(k or 1) + margin + spread·r.
struct TreeProbe {
  float x, y, z;
  float reach;
  float margin;
  float spread;
};

class SphereTree {
 public:
  static constexpr int kFan = lanes::kWidth;

  struct Node {
    float x[kFan], y[kFan], z[kFan], r[kFan], k[kFan];
    // >= 0: an inner node; < 0: the member ~ref. An empty slot has radius
    // NaN, which no probe passes.
    std::int32_t ref[kFan];
  };

  // Builds over the members (their spheres rounded outward to single
  // precision, so that the stored lanes hold the given spheres exactly).
  explicit SphereTree(std::vector<TreeMember> members);
  SphereTree() = default;

  bool empty() const { return nodes_.empty(); }

  // visit(id) for every member whose lane, and every ancestor's, passes the
  // probe, until visit returns true (then true). With UseKappa the reach is
  // multiplied by each lane's kappa.
  template <bool UseKappa, class Visit>
  bool any(const TreeProbe& p, Visit&& visit) const {
    if (nodes_.empty()) return false;
    std::int32_t stack[kStackDepth];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
      const Node& node = nodes_[static_cast<std::size_t>(stack[--top])];
      const unsigned pass = lanes::lane_mask<kFan>([&](int l) {
        const float dx = p.x - node.x[l];
        const float dy = p.y - node.y[l];
        const float dz = p.z - node.z[l];
        const float reach = (UseKappa ? p.reach * node.k[l] : p.reach) + p.margin + p.spread * node.r[l];
        return dx * dx + dy * dy + dz * dz <= reach * reach;
      });
      for (unsigned bits = pass; bits != 0; bits &= bits - 1) {
        const std::int32_t ref = node.ref[__builtin_ctz(bits)];
        if (ref < 0) {
          if (visit(static_cast<std::uint32_t>(~ref))) return true;
        } else {
          stack[top++] = ref;
        }
      }
    }
    return false;
  }

 private:
  // Eight children per node and at most 2^31 members: depth below 12, and
  // at most seven pending siblings per level.
  static constexpr int kStackDepth = 8 * 16;

  struct Bound {
    float x, y, z, r, k;
  };
  Bound build(std::vector<TreeMember>& members, std::size_t begin, std::size_t end);

  std::vector<Node> nodes_;
};

}  // namespace tangor::collider
