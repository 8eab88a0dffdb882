#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vxpickle/value.hpp"

namespace vxpickle::detail {

// A value is one 32-bit handle:
//   below 2^31                  a scalar: the input offset of the opcode that
//                               pushed it, read again from the input on access;
//   node_tag | node index       a container, or a scalar that needed decoding;
//   link_tag | pool index       (only inside the item pool) the container's
//                               items continue at that pool index.
// A scalar costs no storage beyond its handle, so a stream of one-byte
// opcodes cannot make the document much larger than itself.
using Handle = std::uint32_t;
inline constexpr Handle node_tag = 0x8000'0000u;
inline constexpr Handle link_tag = 0xC000'0000u;
inline constexpr std::uint32_t index_mask = 0x3FFF'FFFFu;
inline constexpr std::size_t max_input_size = 0x7FFF'FFFFu;

constexpr bool is_scalar(Handle h) { return h < node_tag; }
constexpr bool is_link(Handle h) { return (h & link_tag) == link_tag; }
constexpr std::uint32_t index_of(Handle h) { return h & index_mask; }

// Text operands up to this length stay scalars and are parsed again on every
// access; longer ones get a node, so that no access costs more than this.
inline constexpr std::size_t short_text = 64;

enum NodeFlag : std::uint8_t {
  data_in_arena = 1,  // data() lies in Store::arena, else in the input
  walk_open = 2,      // the shape check's visiting marks
  walk_closed = 4,
};

// Containers: their items (two per dict entry, key first) are handles in
// Store::pool from `first`, `size` of them, in runs joined by links. A list,
// dict or set keeps one spare pool slot after its last item (`last`): a
// later batch fills it in place when the slot is still the end of the pool,
// and otherwise turns it into a link to the batch. Tuples are one run.
// Decoded scalars: Str, Bytes and BigInt hold `size` data bytes at offset
// `first` of the input or the arena; Int and Float keep their 64 bits in
// `first` (low half) and `last`.
struct Node {
  Kind kind = Kind::None;
  std::uint8_t flags = 0;
  std::uint16_t height = 0;
  std::uint32_t size = 0;
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};
static_assert(sizeof(Node) == 16);

constexpr bool is_container(Kind k) {
  return k == Kind::List || k == Kind::Tuple || k == Kind::Dict || k == Kind::Set;
}

// An array that grows by whole chunks of 2^chunk_log2 items and never moves
// what it holds: growing never needs the old and the new storage at once,
// and the room held in reserve stays below one chunk.
template <class T, unsigned chunk_log2>
class ChunkedArray {
 public:
  static constexpr std::size_t chunk_size = std::size_t{1} << chunk_log2;

  std::size_t size() const { return size_; }
  std::size_t capacity() const { return chunks_.size() * chunk_size; }
  T& operator[](std::size_t i) { return chunks_[i >> chunk_log2][i & (chunk_size - 1)]; }
  const T& operator[](std::size_t i) const { return chunks_[i >> chunk_log2][i & (chunk_size - 1)]; }

  // What the array holds allocated, its chunk directory included.
  std::size_t footprint() const { return chunks_.size() * chunk_bytes + chunks_.capacity() * sizeof(chunks_[0]); }
  // The footprint after room for `extra` more items is made, and the bytes
  // that exist only while it is being made (the old chunk directory).
  std::size_t footprint_for(std::size_t extra, std::size_t& transient) const {
    const std::size_t chunks = std::max(chunks_.size(), (size_ + extra + chunk_size - 1) >> chunk_log2);
    const std::size_t directory = chunks > chunks_.capacity() ? directory_for(chunks) : chunks_.capacity();
    transient = directory != chunks_.capacity() ? chunks_.capacity() * sizeof(chunks_[0]) : 0;
    return chunks * chunk_bytes + directory * sizeof(chunks_[0]);
  }
  void reserve_more(std::size_t extra) {
    const std::size_t chunks = (size_ + extra + chunk_size - 1) >> chunk_log2;
    if (chunks > chunks_.capacity()) chunks_.reserve(directory_for(chunks));
    while (chunks_.size() < chunks) chunks_.push_back(std::make_unique_for_overwrite<T[]>(chunk_size));
  }
  // These need the room reserved first.
  void push_back(const T& item) { (*this)[size_++] = item; }
  void append_copies(std::size_t n, const T& item) {
    while (n-- > 0) push_back(item);
  }
  void append(const T* items, std::size_t n) {
    while (n > 0) {
      const std::size_t offset = size_ & (chunk_size - 1);
      const std::size_t step = std::min(n, chunk_size - offset);
      std::copy(items, items + step, &chunks_[size_ >> chunk_log2][offset]);
      items += step;
      size_ += step;
      n -= step;
    }
  }

 private:
  // A chunk as the allocator holds it, its bookkeeping included.
  static constexpr std::size_t chunk_bytes = chunk_size * sizeof(T) + 16;

  std::size_t directory_for(std::size_t chunks) const { return std::max(chunks, 2 * chunks_.capacity()); }

  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

struct Store {
  std::span<const std::uint8_t> input;
  std::string owned_input;
  // 4 KiB chunks: one for a small state, and little held back for a large one.
  ChunkedArray<Node, 8> nodes;
  ChunkedArray<Handle, 10> pool;
  std::string arena;
  Handle root = 0;

  const Node& node(Handle h) const { return nodes[index_of(h)]; }
  std::string_view text(std::size_t offset, std::size_t size) const {
    return {reinterpret_cast<const char*>(input.data()) + offset, size};
  }
};

// The operand of a text opcode at `offset`: the bytes after the opcode up to
// the newline that the parser found there.
std::string_view line_after(const Store& store, std::size_t offset);

}  // namespace vxpickle::detail
