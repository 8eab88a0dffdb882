#include "vxpickle/value.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "bigint.hpp"

namespace vxpickle {

namespace {

// Shortest digits that read back as the same double, positional notation,
// with a decimal point always present for finite values.
std::string float_text(double x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
  char buf[512];
  const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  std::string text(buf, result.ptr);
  if (text.find('.') == std::string::npos) text += ".0";
  return text;
}

// Escapes as a debug-printed string: quotes, backslashes and control
// characters; other characters stay as they are.
std::string quoted_text(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char esc[16];
          std::snprintf(esc, sizeof esc, "\\u{%x}", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += esc;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace

std::optional<std::uint64_t> to_u64(const Value& value) {
  if (value.kind == Kind::Int) {
    if (value.integer < 0) return std::nullopt;
    return static_cast<std::uint64_t>(value.integer);
  }
  if (value.kind == Kind::BigInt) return le_to_u64(value.data);
  return std::nullopt;
}

std::string describe(const Value& value) {
  switch (value.kind) {
    case Kind::None: return "unit value";
    case Kind::Bool: return value.boolean ? "boolean `true`" : "boolean `false`";
    case Kind::Int: return "integer `" + std::to_string(value.integer) + "`";
    case Kind::BigInt:
      if (auto u = to_u64(value)) return "integer `" + std::to_string(*u) + "`";
      return "big integer";
    case Kind::Float: return "floating point `" + float_text(value.number) + "`";
    case Kind::Str: return "string " + quoted_text(value.data);
    case Kind::Bytes: return "byte array";
    case Kind::List:
    case Kind::Tuple: return "sequence";
    case Kind::Dict: return "map";
    case Kind::Set: return "set";
  }
  return "unknown value";
}

}  // namespace vxpickle
