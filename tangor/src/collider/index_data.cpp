#include "collider/index_data.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "collider/members.hpp"
#include "tangor/collider/query_index.hpp"

namespace tangor::collider {

namespace {

// Single-precision rounding in an exact test grows with the magnitude of the
// coordinates it subtracts: a witness found "touching" can be this much
// farther in truth, relative to the coordinates' size (far more than the
// rounding of the few dozen operations of any test).
constexpr double kCoordinateRoom = 0x1p-14;

// The member sphere as the tree keeps it: the reach, widened to hold the lane
// (which the specified gate tests) and the rounding room of the member's own
// coordinates.
std::optional<TreeMember> tree_member(const Reach& reach, const Sphere& lane, std::size_t id) {
  if (!std::isfinite(lane.center.x) || !std::isfinite(lane.center.y) || !std::isfinite(lane.center.z) ||
      !std::isfinite(lane.radius))
    return std::nullopt;
  const double gap = std::hypot(double(lane.center.x) - reach.x, double(lane.center.y) - reach.y,
                                double(lane.center.z) - reach.z);
  double radius = std::max(reach.radius, gap + std::fabs(double(lane.radius)));
  const double size = std::max({std::fabs(reach.x), std::fabs(reach.y), std::fabs(reach.z)}) + radius;
  radius += kCoordinateRoom * size;
  if (!(radius <= 1e18)) return std::nullopt;
  return TreeMember{reach.x, reach.y, reach.z, radius, reach.kappa, static_cast<std::uint32_t>(id)};
}

template <class Collection>
KindIndex index_kind(const Collection& collection, const soa::SpheresSoA& lanes, unsigned slot,
                     std::vector<TreeMember>& members) {
  KindIndex out;
  const std::size_t count = member_count(collection);
  out.covered = count;
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<Reach> reach;
    if constexpr (is_sphere_lanes_v<Collection>) {
      reach = reach_of(lanes.sphere(i));
    } else {
      reach = reach_of(collection.items[i]);
    }
    const auto member = reach ? tree_member(*reach, lanes.sphere(i), (std::size_t{slot} << kIdBits) | i)
                              : std::nullopt;
    if (member) {
      members.push_back(*member);
    } else {
      out.loose.push_back(static_cast<std::uint32_t>(i));
    }
  }
  return out;
}

}  // namespace

std::size_t uncovered_limit(std::size_t covered) {
  return 64 + static_cast<std::size_t>(4.0 * std::sqrt(static_cast<double>(covered)));
}

IndexData* build_index(const Collider<Pointcloud>& c) {
  auto* data = new IndexData;
  std::vector<TreeMember> members;
  for (Kind kind : BOUNDING_ORDER) {
    with_collection(c, kind, [&](const auto& collection) {
      using Collection = std::remove_cvref_t<decltype(collection)>;
      // Point clouds take the specified path.
      if constexpr (is_sphere_lanes_v<Collection> ||
                    (is_broad_collection_v<Collection> &&
                     !std::is_same_v<Collection, soa::BroadCollection<Pointcloud>>)) {
        // Member ids are stored in kIdBits bits; small kinds take the
        // specified path.
        const std::size_t count = member_count(collection);
        if (count >= kSmallestIndexed && count <= kIdMask)
          data->kinds[slot_of(kind)] = index_kind(collection, lanes_of(c, kind), slot_of(kind), members);
      }
    });
  }
  data->tree = SphereTree(std::move(members));
  return data;
}

const IndexData* index_of(const Collider<Pointcloud>& c) {
  if (const IndexData* built = c.query_index.get()) return built;
  if (!c.query_index.worth_building()) return nullptr;
  return c.query_index.install(build_index(c));
}

const IndexData* QueryIndex::install(IndexData* fresh) const noexcept {
  IndexData* expected = nullptr;
  if (built_.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel, std::memory_order_acquire))
    return fresh;
  delete fresh;
  return expected;
}

void QueryIndex::drop() noexcept { delete built_.exchange(nullptr, std::memory_order_acq_rel); }

void QueryIndex::check_growth(std::uint16_t kind, std::size_t count) noexcept {
  const IndexData* data = built_.load(std::memory_order_relaxed);
  const KindIndex& k = data->kinds[static_cast<std::size_t>(std::countr_zero(kind))];
  if (count > k.covered + uncovered_limit(k.covered)) drop();
}

}  // namespace tangor::collider
