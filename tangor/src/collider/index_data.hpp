#pragma once

// The built form of the collider queries' acceleration structure (see
// tangor/collider/query_index.hpp) and the walk over its candidates.

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "collider/reach.hpp"
#include "collider/sphere_tree.hpp"
#include "tangor/collider.hpp"

namespace tangor::collider {

// One bounded kind: members 0 .. covered−1 as they were when it was built,
// in the tree or, when they have no reach (not well formed, or a lane that is
// not finite), in `loose`.
struct KindIndex {
  std::size_t covered = 0;
  std::vector<std::uint32_t> loose;
  SphereTree tree;
};

struct IndexData {
  std::array<KindIndex, 12> kinds;

  const KindIndex& of(Kind kind) const { return kinds[static_cast<std::size_t>(std::countr_zero(bit(kind)))]; }
};

// Members appended after the build are tested one by one; past this many
// the structure is dropped and built again by the next query. The square
// root balances the rebuild (n log n) against the per-query cost of the
// uncovered members when queries and additions alternate.
std::size_t uncovered_limit(std::size_t covered);

// Kinds with fewer members are quicker to test as specified.
inline constexpr std::size_t kSmallestIndexed = 32;

IndexData* build_index(const Collider<Pointcloud>& c);

// The structure for the collider, built and installed when missing.
const IndexData& index_of(const Collider<Pointcloud>& c);

// visit(i) for every member i of the kind that a query with this probe may
// touch: those outside the tree, then the tree's candidates; stops when visit
// returns true. `count` is the kind's member count now (>= covered).
template <bool UseKappa, class Visit>
bool each_candidate(const KindIndex& k, std::size_t count, const TreeProbe& probe, Visit&& visit) {
  for (std::uint32_t i : k.loose)
    if (visit(std::size_t{i})) return true;
  for (std::size_t i = k.covered; i < count; ++i)
    if (visit(i)) return true;
  return k.tree.any<UseKappa>(probe, [&](std::uint32_t i) { return visit(std::size_t{i}); });
}

}  // namespace tangor::collider

namespace tangor::collider {

// The query by the specified path alone (no acceleration structure): the
// reference of the accelerated path's tests and benchmarks.
template <class Q>
bool specified_query(const Q& query, const Collider<Pointcloud>& c);

}  // namespace tangor::collider
