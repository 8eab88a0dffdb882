#pragma once

// The broad-step forms of the collider queries. Each runs the exact test
// `hit` on the members that its sphere test lets through, in member order,
// and answers at the first hit. Some exact tests are conservative, so which
// members reach them is part of the answer: each query names its form per
// kind.

#include <cstddef>

#include "tangor/lanes.hpp"
#include "tangor/soa/broad_collection.hpp"
#include "tangor/soa/spheres_soa.hpp"
#include "tangor/sphere.hpp"

namespace tangor::collider {

// Whole groups of eight lanes: every lane of the storage, as capacities are
// multiples of sixteen.
inline std::size_t grouped_lanes(const soa::SpheresSoA& lanes) {
  return lanes.capacity / lanes::kWidth * lanes::kWidth;
}

// Lane scan: the exact test on every lane of the array, eight per step,
// spare lanes included. Only for tests that a NaN radius fails.
template <class Hit>
bool lane_scan(const soa::SpheresSoA& lanes, Hit&& hit) {
  const float* x = lanes.xs();
  const float* y = lanes.ys();
  const float* z = lanes.zs();
  const float* r = lanes.rs();
  for (std::size_t g = 0; g < grouped_lanes(lanes); g += lanes::kWidth) {
    const unsigned found = lanes::lane_mask<lanes::kWidth>(
        [&](int l) { return hit(Sphere{{x[g + l], y[g + l], z[g + l]}, r[g + l]}); });
    if (found != 0) return true;
  }
  return false;
}

// Lane loop: the used lanes 0 .. len−1 one at a time.
template <class Hit>
bool lane_loop(const soa::SpheresSoA& lanes, Hit&& hit) {
  for (std::size_t i = 0; i < lanes.len; ++i)
    if (hit(lanes.sphere(i))) return true;
  return false;
}

// The bound against all lanes at once (none when the array is empty).
inline bool lanes_admit(const soa::SpheresSoA& lanes, const Sphere& bound) {
  return lanes.len != 0 && lanes.any_collides_sphere_f32x8(bound);
}

// Item scan: every item, exact test only.
template <class Items, class Hit>
bool item_scan(const Items& items, Hit&& hit) {
  for (const auto& item : items)
    if (hit(item)) return true;
  return false;
}

// Collection gate: one broad test of the bound against the whole
// collection; when it passes, every item runs the exact test.
template <class T, class Hit>
bool gate(const soa::BroadCollection<T>& collection, const Sphere& bound, Hit&& hit) {
  return lanes_admit(collection.spheres, bound) && item_scan(collection.items, hit);
}

// Eight-item groups: items 8k .. 8k+7 run the exact test together when any
// of their eight lanes passes group_mask(first lane) (a bit per passing
// lane); the last n mod 8 items run it one by one without a lane test.
template <class T, class GroupMask, class Hit>
bool eight_item_groups(const soa::BroadCollection<T>& collection, GroupMask&& group_mask, Hit&& hit) {
  const std::size_t n = collection.items.size();
  const std::size_t grouped = n / lanes::kWidth * lanes::kWidth;
  for (std::size_t g = 0; g < grouped; g += lanes::kWidth) {
    if (group_mask(g) == 0) continue;
    for (std::size_t i = g; i < g + lanes::kWidth; ++i)
      if (hit(collection.items[i])) return true;
  }
  for (std::size_t i = grouped; i < n; ++i)
    if (hit(collection.items[i])) return true;
  return false;
}

}  // namespace tangor::collider
