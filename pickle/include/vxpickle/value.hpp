#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vxpickle/error.hpp"

namespace vxpickle {

enum class Kind : std::uint8_t {
  None,
  Bool,
  Int,     // fits in int64: integer()
  BigInt,  // beyond int64: data() holds little-endian two's-complement bytes
  Float,   // number()
  Str,     // data() holds UTF-8 (encoded surrogates allowed, as Python writes them)
  Bytes,   // data(); also what the protocol-0/1 byte strings decode to
  List,    // items()
  Tuple,   // items()
  Dict,    // entries(), in stream order, duplicates kept
  Set,     // items(); sets and frozensets
};

namespace detail {
struct Store;
}  // namespace detail

class Value;
struct Entry;

// Forward range over the items of a container. An item is a Value; two items
// that the stream shares (through the memo or DUP) compare equal.
class ItemIterator {
 public:
  ItemIterator(const detail::Store* store, std::uint32_t position, std::uint32_t left);
  Value operator*() const;
  ItemIterator& operator++();
  bool operator==(const ItemIterator& other) const { return left_ == other.left_; }

 private:
  friend class EntryIterator;
  friend class Parser;
  std::uint32_t handle() const;
  void skip_links();
  const detail::Store* store_;
  std::uint32_t position_;
  std::uint32_t left_;
};

class Items {
 public:
  Items(ItemIterator begin, std::size_t size) : begin_(begin), size_(size) {}
  ItemIterator begin() const { return begin_; }
  ItemIterator end() const { return {nullptr, 0, 0}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The i-th item (i < size()), found by walking from the first: for tests.
  Value at(std::size_t i) const;

 private:
  ItemIterator begin_;
  std::size_t size_;
};

class EntryIterator {
 public:
  explicit EntryIterator(ItemIterator items) : items_(items) {}
  Entry operator*() const;
  EntryIterator& operator++();
  bool operator==(const EntryIterator& other) const { return items_ == other.items_; }

 private:
  ItemIterator items_;
};

class Entries {
 public:
  Entries(ItemIterator begin, std::size_t size) : begin_(begin), size_(size) {}
  EntryIterator begin() const { return EntryIterator(begin_); }
  EntryIterator end() const { return EntryIterator({nullptr, 0, 0}); }
  std::size_t size() const { return size_; }
  Entry at(std::size_t i) const;

 private:
  ItemIterator begin_;
  std::size_t size_;
};

// One value of a parsed pickle: a small handle into its Document, cheap to
// copy, valid as long as the Document (and the input it was parsed from)
// lives. Scalars are read from the input bytes on access; only containers
// and the few values that need decoding have storage of their own.
class Value {
 public:
  Value(const detail::Store* store, std::uint32_t handle) : store_(store), handle_(handle) {}

  Kind kind() const;
  bool is_none() const { return kind() == Kind::None; }
  bool is_number() const {
    const Kind k = kind();
    return k == Kind::Int || k == Kind::BigInt || k == Kind::Float;
  }
  // A list or a tuple: what every fixed or growable array is read from.
  bool is_sequence() const {
    const Kind k = kind();
    return k == Kind::List || k == Kind::Tuple;
  }
  bool is_text_or_bytes() const {
    const Kind k = kind();
    return k == Kind::Str || k == Kind::Bytes;
  }

  // Each for its kind only (see Kind).
  bool boolean() const;
  // number() of a Float, nothing for any other kind: the number readers'
  // common case in one step.
  std::optional<double> as_float() const;
  std::int64_t integer() const;
  double number() const;
  std::string_view data() const;

  // Items of a list, tuple or set; empty for every other kind.
  Items items() const;
  // Entries of a dict; empty for every other kind.
  Entries entries() const;
  // Longest path down to a scalar (0 for a scalar or an empty container).
  std::uint32_t height() const;

  // The same value of the same document (memo sharing keeps identity).
  friend bool operator==(const Value& a, const Value& b) {
    return a.store_ == b.store_ && a.handle_ == b.handle_;
  }

 private:
  const detail::Store* store_;
  std::uint32_t handle_;
};

struct Entry {
  Value key;
  Value value;
};

// The integer value when it lies in 0 .. 2^64-1 (an Int or a BigInt).
std::optional<std::uint64_t> to_u64(const Value& value);

// The found-value half of "invalid type: {}, expected {}", worded as stored
// states' error messages have always read: "unit value" (None), "boolean
// `true`", "integer `3`", "big integer" (beyond 64 bits), "floating point
// `1.5`" (shortest digits, always with a decimal point when finite), "string
// \"abc\"" (escaped, valid UTF-8 whatever the input, cut after a few dozen
// characters with "..."), "byte array", "sequence" (list or tuple), "map",
// "set".
std::string describe(const Value& value);

// A parsed pickle stream. It reads its scalars from the input: parse() of a
// view or span needs the bytes to outlive the document; parse() of an
// rvalue string keeps the string. Moving a document keeps its values valid.
class Document {
 public:
  Document();
  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  ~Document();

  Value root() const;
  // Containers and decoded scalars that have storage of their own.
  std::size_t node_count() const;

 private:
  friend class Parser;
  std::unique_ptr<detail::Store> store_;
};

// Parses one whole stream of any protocol 0 to 5 made of plain data (None,
// bools, ints, floats, str, bytes, tuples, lists, dicts, sets). Throws
// DecodeError: "EOF while parsing" for a truncated stream, "trailing bytes
// found" for bytes after STOP, "pickle stack underflow" for a pop from an empty
// stack or a missing MARK, "unsupported opcode ..." for any opcode that would
// import or call code, "invalid opcode 0x.." for unknown bytes, "recursive
// structure found" for an object that contains itself, and limit messages for
// nesting deeper than max_depth, for a memo-shared structure that would
// expand beyond a budget proportional to the input, and for a structure whose
// parse would need more than working_bytes_per_input_byte bytes of memory per
// input byte (beyond a small fixed allowance).
Document parse(std::span<const std::uint8_t> bytes);
Document parse(std::string_view bytes);
Document parse(std::string&& bytes);
// A string literal, embedded NUL bytes included.
template <std::size_t N>
Document parse(const char (&literal)[N]) {
  return parse(std::string_view(literal, N - 1));
}

inline constexpr std::size_t max_depth = 1000;
inline constexpr std::size_t working_bytes_per_input_byte = 4;

}  // namespace vxpickle
