#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tangor::collider {

struct IndexData;

// The collider queries' acceleration structure: a sphere tree over the
// members of the bounded kinds (their lanes and what their tests can reach),
// used only where it cannot change an answer (see query.cpp). It is not part
// of the collider's value: it is built once a few queries have been asked of
// the collider as it stands (a collider moved or rebuilt between single
// queries never pays for it), and dropped by every change that moves
// members; members added after it was built are tested as the specified path
// tests them, until so many have come that it is dropped too. A copy starts
// without one.
//
// A query may build it while other queries read the same collider: the
// first built is installed and the others discard theirs; nothing installed
// is ever replaced or freed while the collider is only read. Callers that
// change a collection's members in place (not through the collider's own
// operations) must call reset().
class QueryIndex {
 public:
  QueryIndex() = default;
  QueryIndex(const QueryIndex&) noexcept {}
  QueryIndex(QueryIndex&& other) noexcept : built_(other.built_.exchange(nullptr)) {}

  // Queries asked by the specified path before the structure is built.
  static constexpr std::uint32_t kQueriesBeforeBuild = 8;
  QueryIndex& operator=(const QueryIndex& other) noexcept {
    if (this != &other) reset();
    return *this;
  }
  QueryIndex& operator=(QueryIndex&& other) noexcept {
    if (this != &other) {
      reset();
      built_.store(other.built_.exchange(nullptr));
    }
    return *this;
  }
  ~QueryIndex() { reset(); }

  // Drops the structure (only while no query runs on the collider).
  void reset() noexcept {
    asked_.store(0, std::memory_order_relaxed);
    if (built_.load(std::memory_order_relaxed) != nullptr) drop();
  }

  // Counts a query asked while there is no structure: true once enough have
  // been asked that building it pays.
  bool worth_building() const noexcept {
    return asked_.fetch_add(1, std::memory_order_relaxed) + 1 >= kQueriesBeforeBuild;
  }

  // After a member of the kind with mask bit `kind` was appended, making
  // `count` members: drops the structure when the members that it does not
  // cover have become too many to test one by one.
  void note_growth(std::uint16_t kind, std::size_t count) noexcept {
    if (built_.load(std::memory_order_relaxed) != nullptr) check_growth(kind, count);
  }

  const IndexData* get() const noexcept { return built_.load(std::memory_order_acquire); }
  // Installs `fresh` unless another query did first, and returns what is
  // installed; `fresh` is then owned here (or freed).
  const IndexData* install(IndexData* fresh) const noexcept;

 private:
  void drop() noexcept;
  void check_growth(std::uint16_t kind, std::size_t count) noexcept;

  mutable std::atomic<IndexData*> built_{nullptr};
  mutable std::atomic<std::uint32_t> asked_{0};
};

}  // namespace tangor::collider
