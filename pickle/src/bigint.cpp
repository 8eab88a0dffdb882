#include "bigint.hpp"

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "vxpickle/error.hpp"

namespace vxpickle {

namespace {

// Python refuses to convert longer decimal literals to int, and the
// conversion here is quadratic in the length.
constexpr std::size_t max_decimal_digits = 4300;

bool is_negative(std::string_view le_bytes) {
  return !le_bytes.empty() && (static_cast<std::uint8_t>(le_bytes.back()) & 0x80) != 0;
}

// True when every byte from `from` on repeats the sign, so the low bytes
// alone carry the value.
bool high_bytes_are_sign(std::string_view le_bytes, std::size_t from, bool negative) {
  const auto fill = static_cast<char>(negative ? 0xFF : 0x00);
  for (std::size_t i = from; i < le_bytes.size(); ++i)
    if (le_bytes[i] != fill) return false;
  return true;
}

std::uint64_t low_u64(std::string_view le_bytes, bool negative) {
  std::uint64_t v = negative ? ~std::uint64_t{0} : 0;
  const std::size_t n = le_bytes.size() < 8 ? le_bytes.size() : 8;
  for (std::size_t i = 0; i < n; ++i) {
    v &= ~(std::uint64_t{0xFF} << (8 * i));
    v |= std::uint64_t{static_cast<std::uint8_t>(le_bytes[i])} << (8 * i);
  }
  return v;
}

}  // namespace

std::optional<std::int64_t> le_to_i64(std::string_view le_bytes) {
  const bool negative = is_negative(le_bytes);
  if (!high_bytes_are_sign(le_bytes, 8, negative)) return std::nullopt;
  if (le_bytes.size() >= 8 && ((static_cast<std::uint8_t>(le_bytes[7]) & 0x80) != 0) != negative)
    return std::nullopt;
  return static_cast<std::int64_t>(low_u64(le_bytes, negative));
}

std::optional<std::uint64_t> le_to_u64(std::string_view le_bytes) {
  if (is_negative(le_bytes) || !high_bytes_are_sign(le_bytes, 8, false)) return std::nullopt;
  return low_u64(le_bytes, false);
}

namespace {

// Byte i of the magnitude of a two's-complement number, computed in place:
// negation is ~x + 1, and the +1 carries through exactly the bytes below
// the lowest non-zero one (`lowest`).
std::uint8_t magnitude_byte(std::string_view le_bytes, std::size_t i, bool negative, std::size_t lowest) {
  const auto b = static_cast<std::uint8_t>(le_bytes[i]);
  if (!negative) return b;
  if (i < lowest) return 0;
  return static_cast<std::uint8_t>(i == lowest ? ~b + 1 : ~b);
}

// Rounds once: the top 64 significant bits of the magnitude, with any lower
// bit folded into the last one as a sticky bit, convert to Float with the
// hardware's round-to-nearest (64 bits leave room below every mantissa), and
// the scaling by a power of two is exact until it overflows to infinity. A
// magnitude of more bits than any finite Float reads as an infinity at once,
// so the bit count never overflows and no long input is walked bit by bit.
template <class Float>
Float le_to_float(std::string_view le_bytes) {
  const bool negative = is_negative(le_bytes);
  const auto sign = [&](Float v) { return negative ? -v : v; };
  std::size_t lowest = 0;
  if (negative)
    while (lowest < le_bytes.size() && le_bytes[lowest] == 0) ++lowest;
  std::size_t top = le_bytes.size();
  while (top > 0 && magnitude_byte(le_bytes, top - 1, negative, lowest) == 0) --top;
  if (top == 0) return sign(Float(0));
  const std::uint8_t high = magnitude_byte(le_bytes, top - 1, negative, lowest);
  const std::size_t bits = 8 * (top - 1) + static_cast<std::size_t>(std::bit_width(high));
  if (bits > static_cast<std::size_t>(std::numeric_limits<Float>::max_exponent))
    return sign(std::numeric_limits<Float>::infinity());
  const std::size_t shift = bits > 64 ? bits - 64 : 0;
  std::uint64_t head = 0;
  bool sticky = false;
  for (std::size_t i = top; i-- > 0;) {
    const std::uint8_t b = magnitude_byte(le_bytes, i, negative, lowest);
    for (int bit = 7; bit >= 0; --bit) {
      const std::size_t position = 8 * i + static_cast<std::size_t>(bit);
      if (position >= bits) continue;
      const bool set = (b >> bit) & 1;
      if (position >= shift)
        head = (head << 1) | (set ? 1u : 0u);
      else
        sticky = sticky || set;
    }
  }
  if (sticky) head |= 1;
  return sign(std::ldexp(static_cast<Float>(head), static_cast<int>(shift)));
}

}  // namespace

float le_to_f32(std::string_view le_bytes) { return le_to_float<float>(le_bytes); }
double le_to_f64(std::string_view le_bytes) { return le_to_float<double>(le_bytes); }

std::string decimal_to_le(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) throw DecodeError("invalid integer literal");
  if (text.size() > max_decimal_digits) throw DecodeError("integer literal too long");
  std::vector<std::uint32_t> magnitude;  // little-endian 32-bit limbs
  for (char c : text) {
    if (c < '0' || c > '9') throw DecodeError("invalid integer literal");
    std::uint64_t carry = static_cast<std::uint64_t>(c - '0');
    for (std::uint32_t& limb : magnitude) {
      const std::uint64_t t = std::uint64_t{limb} * 10 + carry;
      limb = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    if (carry != 0) magnitude.push_back(static_cast<std::uint32_t>(carry));
  }
  // One spare zero byte keeps the sign bit clear before negation.
  std::string out(magnitude.size() * 4 + 1, '\0');
  for (std::size_t i = 0; i < magnitude.size(); ++i)
    for (std::size_t b = 0; b < 4; ++b) out[4 * i + b] = static_cast<char>(magnitude[i] >> (8 * b));
  if (negative) {
    unsigned carry = 1;
    for (char& c : out) {
      const unsigned t = static_cast<std::uint8_t>(~static_cast<unsigned>(c)) + carry;
      c = static_cast<char>(t);
      carry = t >> 8;
    }
  }
  return out;
}

}  // namespace vxpickle
