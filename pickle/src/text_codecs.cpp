#include "text_codecs.hpp"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "vxpickle/error.hpp"

namespace vxpickle {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_utf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

bool is_utf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const auto b0 = static_cast<std::uint8_t>(bytes[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = 0;
    std::uint32_t cp = 0, min = 0;
    if ((b0 & 0xE0) == 0xC0) len = 2, cp = b0 & 0x1F, min = 0x80;
    else if ((b0 & 0xF0) == 0xE0) len = 3, cp = b0 & 0x0F, min = 0x800;
    else if ((b0 & 0xF8) == 0xF0) len = 4, cp = b0 & 0x07, min = 0x10000;
    else return false;
    if (n - i < len) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto b = static_cast<std::uint8_t>(bytes[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF) return false;
    i += len;
  }
  return true;
}

std::string_view python_string_body(std::string_view quoted) {
  if (quoted.size() < 2 || quoted.front() != quoted.back() || (quoted.front() != '\'' && quoted.front() != '"'))
    throw DecodeError("the STRING opcode argument must be quoted");
  return quoted.substr(1, quoted.size() - 2);
}

std::string unescape_python_string(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++i == body.size()) throw DecodeError("trailing \\ in string");
    const char e = body[i];
    switch (e) {
      case '\n': break;
      case '\\': out.push_back('\\'); break;
      case '\'': out.push_back('\''); break;
      case '"': out.push_back('"'); break;
      case 'a': out.push_back('\a'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'v': out.push_back('\v'); break;
      case 'x': {
        if (body.size() - i < 3 || hex_digit(body[i + 1]) < 0 || hex_digit(body[i + 2]) < 0)
          throw DecodeError("invalid \\x escape in string");
        out.push_back(static_cast<char>(hex_digit(body[i + 1]) * 16 + hex_digit(body[i + 2])));
        i += 2;
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned v = static_cast<unsigned>(e - '0');
          for (int k = 0; k < 2 && i + 1 < body.size() && body[i + 1] >= '0' && body[i + 1] <= '7'; ++k)
            v = v * 8 + static_cast<unsigned>(body[++i] - '0');
          out.push_back(static_cast<char>(v & 0xFF));
        } else {
          // Python keeps an unknown escape as written.
          out.push_back('\\');
          out.push_back(e);
        }
    }
  }
  return out;
}

std::string raw_unicode_escape_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c != '\\') {
      append_utf8(out, static_cast<std::uint8_t>(c));
      ++i;
      continue;
    }
    // Only a backslash that is not itself escaped (an odd run) starts \u.
    std::size_t run = 0;
    while (i + run < text.size() && text[i + run] == '\\') ++run;
    const std::size_t after = i + run;
    const bool escape = run % 2 == 1 && after < text.size() && (text[after] == 'u' || text[after] == 'U');
    out.append(escape ? run - 1 : run, '\\');
    i = after;
    if (!escape) continue;
    const std::size_t digits = text[after] == 'u' ? 4 : 8;
    if (text.size() - after - 1 < digits) throw DecodeError("truncated \\uXXXX escape");
    std::uint32_t cp = 0;
    for (std::size_t k = 0; k < digits; ++k) {
      const int d = hex_digit(text[after + 1 + k]);
      if (d < 0) throw DecodeError("truncated \\uXXXX escape");
      cp = cp * 16 + static_cast<std::uint32_t>(d);
    }
    if (cp > 0x10FFFF) throw DecodeError("\\Uxxxxxxxx out of range");
    append_utf8(out, cp);
    i = after + 1 + digits;
  }
  return out;
}

bool has_escapes(std::string_view text, bool latin1) {
  if (std::memchr(text.data(), '\\', text.size()) != nullptr) return true;
  if (!latin1) return false;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

double parse_float_text(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ptr != digits.data() + digits.size() || digits.empty()) throw DecodeError("invalid float literal");
  if (ec == std::errc::result_out_of_range) {
    // Python reads a literal below the smallest subnormal as a signed zero
    // and refuses one beyond the largest double.
    if (digits.find("e-") == std::string_view::npos && digits.find("E-") == std::string_view::npos)
      throw DecodeError("float literal out of range");
    return digits.front() == '-' ? -0.0 : 0.0;
  }
  if (ec != std::errc()) throw DecodeError("invalid float literal");
  return value;
}

}  // namespace vxpickle
