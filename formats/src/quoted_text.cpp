#include "vxformats/quoted_text.hpp"

#include <cstdint>

namespace vxformats {

namespace {

constexpr char hex_digits[] = "0123456789abcdef";

// \u{..} with the code point in lower-case hex, no leading zeros.
void append_unicode_escape(std::string& out, std::uint32_t cp) {
  out += "\\u{";
  bool started = false;
  for (int shift = 20; shift >= 0; shift -= 4) {
    const std::uint32_t nibble = (cp >> shift) & 0xF;
    if (nibble != 0 || started || shift == 0) {
      out += hex_digits[nibble];
      started = true;
    }
  }
  out += '}';
}

void append_byte_escape(std::string& out, std::uint8_t byte) {
  out += "\\x";
  out += hex_digits[byte >> 4];
  out += hex_digits[byte & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of `s` (surrogates
// allowed) and its code point, or 0 when the first byte starts none.
std::size_t decode_one(std::string_view s, std::uint32_t& cp) {
  const auto b0 = static_cast<std::uint8_t>(s[0]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t len = 0;
  std::uint32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) len = 2, cp = b0 & 0x1F, min = 0x80;
  else if ((b0 & 0xF0) == 0xE0) len = 3, cp = b0 & 0x0F, min = 0x800;
  else if ((b0 & 0xF8) == 0xF0) len = 4, cp = b0 & 0x07, min = 0x10000;
  else return 0;
  if (s.size() < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<std::uint8_t>(s[k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) return 0;
  return len;
}

}  // namespace

void append_quoted(std::string& out, std::string_view text, std::size_t limit) {
  out += '"';
  std::size_t shown = 0;
  std::size_t i = 0;
  for (; i < text.size() && shown < limit; ++shown) {
    std::uint32_t cp = 0;
    const std::size_t len = decode_one(text.substr(i), cp);
    if (len == 0) {
      append_byte_escape(out, static_cast<std::uint8_t>(text[i]));
      ++i;
      continue;
    }
    switch (cp) {
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\0': out += "\\0"; break;
      default:
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0xD800 && cp <= 0xDFFF))
          append_unicode_escape(out, cp);
        else
          out.append(text.substr(i, len));
    }
    i += len;
  }
  out += '"';
  if (i < text.size()) out += "...";
}

}  // namespace vxformats
