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
// not finite), in `loose`. A kind with covered 0 is not in the tree.
struct KindIndex {
  std::size_t covered = 0;
  std::vector<std::uint32_t> loose;
};

// A tree member's id: the kind's bit position above kIdBits, the member's
// index below.
inline constexpr unsigned kIdBits = 27;
inline constexpr std::uint32_t kIdMask = (std::uint32_t{1} << kIdBits) - 1;
inline constexpr unsigned slot_of(Kind kind) { return static_cast<unsigned>(std::countr_zero(bit(kind))); }

// One tree over the members of every indexed kind, so that a query descends
// once whatever the mix.
struct IndexData {
  std::array<KindIndex, 12> kinds;
  SphereTree tree;

  const KindIndex& of(Kind kind) const { return kinds[slot_of(kind)]; }
};

// Members appended after the build are tested one by one; past this many
// the structure is dropped and built again by the next query. The square
// root balances the rebuild (n log n) against the per-query cost of the
// uncovered members when queries and additions alternate.
std::size_t uncovered_limit(std::size_t covered);

// Kinds with fewer members are quicker to test as specified.
inline constexpr std::size_t kSmallestIndexed = 32;

IndexData* build_index(const Collider<Pointcloud>& c);

// The structure for the collider, built and installed when missing and
// worth building; none while it is not.
const IndexData* index_of(const Collider<Pointcloud>& c);

// visit(i) for every member i of the kind outside the tree: the loose ones
// and those added since the build (`count` is the member count now, at
// least `covered`); stops when visit returns true.
template <class Visit>
bool each_outside(const KindIndex& k, std::size_t count, Visit&& visit) {
  for (std::uint32_t i : k.loose)
    if (visit(std::size_t{i})) return true;
  for (std::size_t i = k.covered; i < count; ++i)
    if (visit(i)) return true;
  return false;
}

}  // namespace tangor::collider

namespace tangor::collider {

// The query by the specified path alone (no acceleration structure): the
// reference of the accelerated path's tests and benchmarks.
template <class Q>
bool specified_query(const Q& query, const Collider<Pointcloud>& c);

}  // namespace tangor::collider
