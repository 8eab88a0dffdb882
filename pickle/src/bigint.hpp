#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vxpickle {

// Integers beyond 64 bits travel as little-endian two's-complement bytes,
// the form of the LONG1 and LONG4 opcodes.
std::optional<std::int64_t> le_to_i64(std::string_view le_bytes);
std::optional<std::uint64_t> le_to_u64(std::string_view le_bytes);
// The nearest float / double of any such integer (±inf beyond the range).
float le_to_f32(std::string_view le_bytes);
double le_to_f64(std::string_view le_bytes);
// A decimal literal ("-123", "+4") as little-endian two's-complement bytes.
// Refuses malformed text and literals longer than Python itself reads.
std::string decimal_to_le(std::string_view text);

}  // namespace vxpickle
