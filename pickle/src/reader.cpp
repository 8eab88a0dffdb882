#include "vxpickle/reader.hpp"

#include <cstring>
#include <string>
#include <type_traits>

#include "bigint.hpp"
#include "opcodes.hpp"

namespace vxpickle {

void fail_invalid_type(const Value& found, std::string_view expectation) {
  throw DecodeError("invalid type: " + describe(found) + ", expected " + std::string(expectation));
}

void fail_invalid_length(std::size_t found, std::string_view expectation) {
  throw DecodeError("invalid length " + std::to_string(found) + ", expected " + std::string(expectation));
}

void fail_invalid_value(const Value& found, std::string_view expectation) {
  throw DecodeError("invalid value: " + describe(found) + ", expected " + std::string(expectation));
}

namespace {

// A number of either kind converted once, straight to the target type, so
// an integer is rounded a single time (never through double to float).
template <class Float>
Float read_float(const Value& value, std::string_view expectation) {
  if (const std::optional<double> f = value.as_float()) return static_cast<Float>(*f);
  switch (value.kind()) {
    case Kind::Int: return static_cast<Float>(value.integer());
    case Kind::BigInt:
      if constexpr (std::is_same_v<Float, float>)
        return le_to_f32(value.data());
      else
        return le_to_f64(value.data());
    default: break;
  }
  fail_invalid_type(value, expectation);
}

std::string f64_components_expectation(std::size_t n) {
  // The matrix forms have always been spelled without the space.
  return "a sequence of " + std::to_string(n) + (n <= 4 ? " f64 values" : " f64values");
}

}  // namespace

float read_f32(const Value& value) { return read_float<float>(value, "f32"); }

double read_f64(const Value& value) { return read_float<double>(value, "f64"); }

bool read_bool(const Value& value) {
  if (value.kind() != Kind::Bool) fail_invalid_type(value, "a boolean");
  return value.boolean();
}

std::uint64_t read_unsigned(const Value& value, std::uint64_t max, std::string_view expectation) {
  if (value.kind() != Kind::Int && value.kind() != Kind::BigInt) fail_invalid_type(value, expectation);
  const auto u = to_u64(value);
  if (!u || *u > max) fail_invalid_value(value, expectation);
  return *u;
}

Items read_sequence(const Value& value) {
  if (!value.is_sequence()) fail_invalid_type(value, "a sequence");
  return value.items();
}

std::string array_expectation(std::size_t n) { return "an array of length " + std::to_string(n); }

void read_f32s(const Value& value, std::span<float> out, std::string_view expectation) {
  read_fixed(value, out.size(), expectation, [&](std::size_t i, const Value& item) { out[i] = read_f32(item); });
}

std::array<float, 3> read_vec3(const Value& value) {
  std::array<float, 3> out{};
  read_f32s(value, out, "a sequence of 3 f32 values");
  return out;
}

void read_f64_components(const Value& value, std::span<double> out) {
  const std::string expectation = f64_components_expectation(out.size());
  read_fixed(value, out.size(), expectation, [&](std::size_t i, const Value& item) { out[i] = read_f64(item); });
}

void decode_f64_components(std::span<const std::uint8_t> bytes, std::span<double> out) {
  // The stream our own writer produces is read in place: the value types
  // decode it on every unpickle and copy.
  const std::size_t n = out.size();
  const std::uint8_t* p = bytes.data();
  bool canonical = bytes.size() == 5 + 9 * n && p[0] == op::PROTO && p[1] == 3 && p[2] == op::MARK &&
                   p[3 + 9 * n] == op::TUPLE && p[4 + 9 * n] == op::STOP;
  for (std::size_t i = 0; canonical && i < n; ++i) canonical = p[3 + 9 * i] == op::BINFLOAT;
  if (canonical) {
    for (std::size_t i = 0; i < n; ++i) {
      std::uint64_t bits = 0;
      for (std::size_t k = 0; k < 8; ++k) bits = (bits << 8) | p[4 + 9 * i + k];
      std::memcpy(&out[i], &bits, sizeof bits);
    }
    return;
  }
  const Document doc = parse(bytes);
  read_f64_components(doc.root(), out);
}

void decode_f64_components(std::string_view bytes, std::span<double> out) {
  decode_f64_components(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), out);
}

}  // namespace vxpickle
