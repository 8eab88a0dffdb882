#pragma once

#include <array>
#include <optional>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vxpickle/value.hpp"

namespace vxpickle {

// Typed readers over a decoded Value. Each throws DecodeError with one of
// these messages:
//   "invalid type: {describe(found)}, expected {expectation}"
//   "invalid length {n}, expected {expectation}"
//   "invalid value: {describe(found)}, expected {expectation}"

[[noreturn]] void fail_invalid_type(const Value& found, std::string_view expectation);
[[noreturn]] void fail_invalid_length(std::size_t found, std::string_view expectation);
[[noreturn]] void fail_invalid_value(const Value& found, std::string_view expectation);

// A float or an integer, rounded once to the nearest f32 / f64.
float read_f32(const Value& value);
double read_f64(const Value& value);
// Only a pickle boolean ("a boolean").
bool read_bool(const Value& value);
// An integer in 0 .. max; expectation names the type ("u32", "u64", "usize").
std::uint64_t read_unsigned(const Value& value, std::uint64_t max, std::string_view expectation);
inline std::uint32_t read_u32(const Value& value) {
  return static_cast<std::uint32_t>(read_unsigned(value, UINT32_MAX, "u32"));
}
inline std::uint64_t read_u64(const Value& value) { return read_unsigned(value, UINT64_MAX, "u64"); }
inline std::size_t read_usize(const Value& value) {
  return static_cast<std::size_t>(read_unsigned(value, SIZE_MAX, "usize"));
}

// A growable array: a list or a tuple of any length ("a sequence").
Items read_sequence(const Value& value);

// A fixed array of n items: a list or tuple of at least n; items are handed
// to read_item(i, item) in order and the sequence's extra items are ignored.
// Anything else -> "invalid type: {found}, expected {expectation}"; fewer ->
// "invalid length {count}, expected {expectation}" once the items run out
// (an earlier item's own fault comes first).
template <class ReadItem>
void read_fixed(const Value& value, std::size_t n, std::string_view expectation, ReadItem&& read_item) {
  if (!value.is_sequence()) fail_invalid_type(value, expectation);
  std::size_t i = 0;
  for (const Value item : value.items()) {
    if (i == n) return;
    read_item(i, item);
    ++i;
  }
  if (i < n) fail_invalid_length(i, expectation);
}

// "an array of length {n}"
std::string array_expectation(std::size_t n);

// n f32 values from a fixed array into out (out.size() == n).
void read_f32s(const Value& value, std::span<float> out, std::string_view expectation);
// A 3-vector: "a sequence of 3 f32 values".
std::array<float, 3> read_vec3(const Value& value);
template <std::size_t N>
std::array<float, N> read_f32_array(const Value& value) {
  std::array<float, N> out{};
  read_f32s(value, out, array_expectation(N));
  return out;
}

// A growable array of T, each item read by read_item(const Value&) -> T.
// The count is that of items actually present, so the reservation never
// exceeds what the input holds.
template <class T, class ReadItem>
std::vector<T> read_vector(const Value& value, ReadItem&& read_item) {
  const Items items = read_sequence(value);
  std::vector<T> out;
  out.reserve(items.size());
  for (const Value item : items) out.push_back(read_item(item));
  return out;
}

// An optional value: nothing for None, else the value itself.
inline std::optional<Value> read_optional(const Value& value) {
  if (value.is_none()) return std::nullopt;
  return value;
}

// The pickled state of the double-precision value types: a list or tuple of
// at least out.size() ints or floats; the first out.size() become the
// components. Expectation "a sequence of {N} f64 values" for N = 2, 3, 4 and
// "a sequence of {N} f64values" for the matrices (N = 9, 12, 16).
void read_f64_components(const Value& value, std::span<double> out);
// Parses a whole stream and reads it as above. The stream written by
// encode_f64_components is recognised and read without building a tree.
void decode_f64_components(std::span<const std::uint8_t> bytes, std::span<double> out);
void decode_f64_components(std::string_view bytes, std::span<double> out);

// Parses a whole stream and reads its root with read(const Value&). Every
// fault, the parser's included, leaves as DecodeError with its bare
// description: callers report it as "pickle decode failed: {description}".
template <class Read>
auto decode_stream(std::string_view bytes, Read&& read) {
  const Document doc = parse(bytes);
  return read(doc.root());
}

}  // namespace vxpickle
