#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vxpickle/error.hpp"

namespace vxpickle {

enum class Kind : std::uint8_t {
  None,
  Bool,
  Int,     // fits in int64: `integer`
  BigInt,  // beyond int64: `data` holds little-endian two's-complement bytes
  Float,   // `number`
  Str,     // `data` holds UTF-8
  Bytes,   // `data`; also what the protocol-0/1 byte strings decode to
  List,    // `items`
  Tuple,   // `items`
  Dict,    // `entries`, in stream order, duplicates kept
  Set,     // `items`; sets and frozensets
};

struct Value;

struct Entry {
  const Value* key;
  const Value* value;
};

// One node of a decoded pickle. Nodes are owned by their Document; an object
// the stream refers to twice (through the memo) is one shared node, so a small
// stream never expands into a large tree. Read-only for users.
struct Value {
  Kind kind = Kind::None;
  bool boolean = false;
  std::int64_t integer = 0;
  double number = 0.0;
  std::string data;
  std::vector<const Value*> items;
  std::vector<Entry> entries;
  std::uint32_t index = 0;   // position in the owning document
  std::uint32_t height = 0;  // longest path down to a leaf (0 for a leaf)

  bool is_none() const { return kind == Kind::None; }
  bool is_number() const { return kind == Kind::Int || kind == Kind::BigInt || kind == Kind::Float; }
  // A list or a tuple: what every fixed or growable array is read from.
  bool is_sequence() const { return kind == Kind::List || kind == Kind::Tuple; }
  bool is_text_or_bytes() const { return kind == Kind::Str || kind == Kind::Bytes; }
};

// The integer value when it lies in 0 .. 2^64-1 (an Int or a BigInt).
std::optional<std::uint64_t> to_u64(const Value& value);

// The found-value half of "invalid type: {}, expected {}", worded as stored
// states' error messages have always read: "unit value" (None), "boolean `true`", "integer `3`",
// "big integer" (beyond 64 bits), "floating point `1.5`" (shortest digits,
// always with a decimal point when finite), "string \"abc\"" (escaped),
// "byte array", "sequence" (list or tuple), "map", "set".
std::string describe(const Value& value);

// A parsed pickle stream: owns every node; root() stays valid as long as the
// document lives (moving the document keeps node addresses).
class Document {
 public:
  Document() = default;
  Document(Document&& other) noexcept;
  Document& operator=(Document&& other) noexcept;
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  ~Document();

  const Value& root() const { return *root_; }
  std::size_t node_count() const { return node_count_; }

 private:
  friend class Parser;
  Value* add_node();
  void release();

  // Nodes are built in place in raw chunks that never move; chunk k holds
  // min(16 << k, 1024) nodes, so a small state costs one allocation.
  std::vector<Value*> chunks_;
  std::size_t used_in_last_chunk_ = 0;
  std::size_t node_count_ = 0;
  const Value* root_ = nullptr;
};

// Parses one whole stream of any protocol 0 to 5 made of plain data (None,
// bools, ints, floats, str, bytes, tuples, lists, dicts, sets). Throws
// DecodeError: "EOF while parsing" for a truncated stream, "trailing bytes
// found" for bytes after STOP, "pickle stack underflow" for a pop from an empty
// stack or a missing MARK, "unsupported opcode ..." for any opcode that would
// import or call code, "invalid opcode 0x.." for unknown bytes, "recursive
// structure found" for an object that contains itself, and limit messages for
// nesting deeper than max_depth or a memo-shared structure that would expand
// beyond a budget proportional to the input.
Document parse(std::span<const std::uint8_t> bytes);
Document parse(std::string_view bytes);

inline constexpr std::size_t max_depth = 1000;

}  // namespace vxpickle
