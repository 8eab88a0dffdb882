#include "vxformats/json_numbers.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

#include "vxformats/number_text.hpp"
#include "vxformats/quoted_text.hpp"

namespace vxformats {
namespace {

constexpr bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

constexpr bool is_json_whitespace(unsigned char c) {
  return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

// Bytes that end a run of plain string content.
constexpr bool ends_string_run(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads four hex digits at `at`; -1 when any is no hex digit.
long decode_four_hex(std::string_view text, std::size_t at) {
  long value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const int digit = hex_value(static_cast<unsigned char>(text[at + i]));
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

// A single-pass reader over one text. Positions follow one rule:
// a fault found on a byte already consumed is reported at `index` (the
// column of that byte, counted from one); a fault found on a byte only
// looked at is reported one further, at the column of that byte.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonFault> read_array(std::span<double> out) {
    if (!read_sequence(out) || !expect_end()) return fault_;
    return std::nullopt;
  }

 private:
  std::string_view text_;
  std::size_t index_ = 0;
  JsonFault fault_{};

  bool at_end() const { return index_ >= text_.size(); }
  unsigned char byte_at(std::size_t i) const { return static_cast<unsigned char>(text_[i]); }
  // 0 at the end of the text, which matches no token byte.
  unsigned char peek_or_null() const { return at_end() ? 0 : byte_at(index_); }

  // The next significant byte, or 0 at the end of the text.
  unsigned char skip_whitespace() {
    while (!at_end() && is_json_whitespace(byte_at(index_))) ++index_;
    return peek_or_null();
  }

  bool fail_at(JsonFaultKind kind, std::size_t offset) {
    const std::size_t line_start = text_.substr(0, offset).find_last_of('\n');
    const std::size_t start_of_line = line_start == std::string_view::npos ? 0 : line_start + 1;
    fault_ = JsonFault{};
    fault_.kind = kind;
    fault_.line = 1 + static_cast<std::size_t>(
                          std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(start_of_line), '\n'));
    fault_.column = offset - start_of_line;
    return false;
  }
  bool fail_consumed(JsonFaultKind kind) { return fail_at(kind, index_); }
  bool fail_peeked(JsonFaultKind kind) { return fail_at(kind, std::min(text_.size(), index_ + 1)); }

  enum class Elements { complete, short_array, failed };

  bool read_sequence(std::span<double> out) {
    const unsigned char first = skip_whitespace();
    if (at_end()) return fail_peeked(JsonFaultKind::eof_while_parsing_value);
    if (first != '[') return fail_invalid_type(false);
    ++index_;
    std::size_t count = 0;
    switch (read_elements(out, count)) {
      case Elements::failed:
        return false;
      case Elements::short_array:
        // Told at the position after the closing bracket, which is always
        // there: the elements stopped at it.
        expect_sequence_end();
        fail_consumed(JsonFaultKind::invalid_length);
        fault_.length = count;
        return false;
      case Elements::complete:
        break;
    }
    return expect_sequence_end();
  }

  // Leaves `count` at the number of elements read.
  Elements read_elements(std::span<double> out, std::size_t& count) {
    for (; count < out.size(); ++count) {
      unsigned char next = skip_whitespace();
      if (at_end()) return failed(JsonFaultKind::eof_while_parsing_list);
      if (next == ']') return Elements::short_array;
      if (count > 0) {
        if (next != ',') return failed(JsonFaultKind::expected_list_comma_or_end);
        ++index_;
        next = skip_whitespace();
        if (next == ']') return failed(JsonFaultKind::trailing_comma);
        if (at_end()) return failed(JsonFaultKind::eof_while_parsing_value);
      }
      if (!read_element(out[count])) return Elements::failed;
    }
    return Elements::complete;
  }

  Elements failed(JsonFaultKind kind_at_peek) {
    fail_peeked(kind_at_peek);
    return Elements::failed;
  }

  bool expect_sequence_end() {
    const unsigned char next = skip_whitespace();
    if (next == ']') {
      ++index_;
      return true;
    }
    if (at_end()) return fail_peeked(JsonFaultKind::eof_while_parsing_list);
    if (next == ',') {
      ++index_;
      const bool bracket = skip_whitespace() == ']';
      return fail_peeked(bracket ? JsonFaultKind::trailing_comma : JsonFaultKind::trailing_characters);
    }
    return fail_peeked(JsonFaultKind::trailing_characters);
  }

  bool expect_end() {
    skip_whitespace();
    if (!at_end()) return fail_peeked(JsonFaultKind::trailing_characters);
    return true;
  }

  bool read_element(double& value) {
    const unsigned char next = skip_whitespace();
    if (at_end()) return fail_peeked(JsonFaultKind::eof_while_parsing_value);
    if (next == '-' || is_digit(next)) return read_number(value, nullptr);
    return fail_invalid_type(true);
  }

  // Validates one number token from the current byte and reads it with
  // correct rounding. `is_integer`, when given, tells whether the token
  // counts as an integer (no fraction, no exponent, within the 64-bit
  // ranges); such values are named "integer" in messages, others "floating
  // point".
  bool read_number(double& value, bool* is_integer) {
    const std::size_t begin = index_;
    const bool negative = peek_or_null() == '-';
    if (negative) ++index_;
    if (at_end()) return fail_consumed(JsonFaultKind::eof_while_parsing_value);
    const unsigned char lead = byte_at(index_++);
    bool nonzero_digits = false;
    bool plain_integer = true;
    // Decimal exponent of the first non-zero digit, before the exponent part.
    std::int64_t magnitude = 0;
    if (lead == '0') {
      if (is_digit(peek_or_null())) return fail_peeked(JsonFaultKind::invalid_number);
      magnitude = -1;
    } else if (is_digit(lead)) {
      nonzero_digits = true;
      while (is_digit(peek_or_null())) {
        ++index_;
        ++magnitude;
      }
    } else {
      return fail_consumed(JsonFaultKind::invalid_number);
    }
    if (peek_or_null() == '.') {
      plain_integer = false;
      ++index_;
      const std::size_t fraction_begin = index_;
      while (is_digit(peek_or_null())) {
        if (!nonzero_digits && byte_at(index_) != '0') {
          nonzero_digits = true;
          magnitude = -static_cast<std::int64_t>(index_ - fraction_begin) - 1;
        }
        ++index_;
      }
      if (index_ == fraction_begin) {
        return fail_peeked(at_end() ? JsonFaultKind::eof_while_parsing_value : JsonFaultKind::invalid_number);
      }
    }
    if (peek_or_null() == 'e' || peek_or_null() == 'E') {
      plain_integer = false;
      ++index_;
      bool positive_exponent = true;
      if (peek_or_null() == '+') {
        ++index_;
      } else if (peek_or_null() == '-') {
        positive_exponent = false;
        ++index_;
      }
      if (at_end()) return fail_consumed(JsonFaultKind::eof_while_parsing_value);
      const unsigned char first_digit = byte_at(index_++);
      if (!is_digit(first_digit)) return fail_consumed(JsonFaultKind::invalid_number);
      std::int32_t exponent = first_digit - '0';
      constexpr std::int32_t exponent_max = std::numeric_limits<std::int32_t>::max();
      while (is_digit(peek_or_null())) {
        const int digit = byte_at(index_++) - '0';
        if (exponent > (exponent_max - digit) / 10) {
          // An exponent beyond 32 bits: a non-zero number with a positive
          // one is out of range at once; anything else is a signed zero.
          if (nonzero_digits && positive_exponent) return fail_consumed(JsonFaultKind::number_out_of_range);
          while (is_digit(peek_or_null())) ++index_;
          value = negative ? -0.0 : 0.0;
          if (is_integer) *is_integer = false;
          return true;
        }
        exponent = exponent * 10 + digit;
      }
      magnitude += positive_exponent ? exponent : -std::int64_t{exponent};
    }
    const char* first = text_.data() + begin;
    const auto parsed = std::from_chars(first, text_.data() + index_, value);
    if (parsed.ec == std::errc::result_out_of_range) {
      // Out of range is either beyond the largest double or closer to zero
      // than half the smallest subnormal; the magnitude tells which.
      if (magnitude > 0) return fail_consumed(JsonFaultKind::number_out_of_range);
      value = negative ? -0.0 : 0.0;
    }
    if (is_integer) {
      *is_integer = plain_integer && integer_fits_64_bits(std::string_view(first, index_ - begin), negative);
    }
    return true;
  }

  // Non-negative integers up to 2^64 - 1 and negative ones down to -2^63
  // are integers to the reader; "-0" and anything larger are floating point.
  static bool integer_fits_64_bits(std::string_view token, bool negative) {
    const std::string_view digits = negative ? token.substr(1) : token;
    std::uint64_t magnitude = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (parsed.ec != std::errc{}) return false;
    if (!negative) return true;
    return magnitude >= 1 && magnitude <= (std::uint64_t{1} << 63);
  }

  // The literal's remaining letters after its first.
  bool expect_ident(std::string_view rest) {
    for (const char expected : rest) {
      if (at_end()) return fail_consumed(JsonFaultKind::eof_while_parsing_value);
      if (text_[index_++] != expected) return fail_consumed(JsonFaultKind::expected_ident);
    }
    return true;
  }

  // A well-formed value that is not what was expected is read whole and
  // reported at its end; a malformed one reports its own fault.
  bool fail_invalid_type(bool as_element) {
    struct Literal {
      char first;
      std::string_view rest;
      JsonFoundKind kind;
    };
    static constexpr Literal literals[] = {{'n', "ull", JsonFoundKind::null},
                                           {'t', "rue", JsonFoundKind::boolean_true},
                                           {'f', "alse", JsonFoundKind::boolean_false}};
    const std::size_t begin = index_;
    const unsigned char next = peek_or_null();
    for (const Literal& literal : literals) {
      if (next == static_cast<unsigned char>(literal.first)) {
        ++index_;
        if (!expect_ident(literal.rest)) return false;
        return fail_found(literal.kind, begin, as_element);
      }
    }
    if (next == '"') {
      ++index_;
      if (!skip_string()) return false;
      return fail_found(JsonFoundKind::string, begin, as_element);
    }
    if (next == '[') return fail_found(JsonFoundKind::sequence, begin, as_element);
    if (next == '{') return fail_found(JsonFoundKind::map, begin, as_element);
    if (next == '-' || is_digit(next)) {
      double number = 0;
      bool is_integer = false;
      if (!read_number(number, &is_integer)) return false;
      fail_found(is_integer ? JsonFoundKind::integer : JsonFoundKind::floating, begin, as_element);
      fault_.number = number;
      return false;
    }
    return fail_peeked(JsonFaultKind::expected_value);
  }

  bool fail_found(JsonFoundKind found, std::size_t token_begin, bool as_element) {
    fail_consumed(JsonFaultKind::invalid_type);
    fault_.found = found;
    fault_.found_as_element = as_element;
    fault_.token_begin = token_begin;
    fault_.token_end = index_;
    return false;
  }
  // From just after the opening quote to just after the closing one.
  bool skip_string() {
    for (;;) {
      while (!at_end() && !ends_string_run(byte_at(index_))) ++index_;
      if (at_end()) return fail_consumed(JsonFaultKind::eof_while_parsing_string);
      const unsigned char c = byte_at(index_++);
      if (c == '"') return true;
      if (c != '\\') return fail_consumed(JsonFaultKind::control_character_in_string);
      if (!skip_escape()) return false;
    }
  }

  bool skip_escape() {
    if (at_end()) return fail_consumed(JsonFaultKind::eof_while_parsing_string);
    switch (byte_at(index_++)) {
      case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
        return true;
      case 'u':
        return skip_unicode_escape();
      default:
        return fail_consumed(JsonFaultKind::invalid_escape);
    }
  }

  // Text must stay valid Unicode: a surrogate is accepted only as a leading
  // one immediately followed by an escaped trailing one.
  bool skip_unicode_escape() {
    long unit = 0;
    if (!read_hex_escape(unit)) return false;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return fail_consumed(JsonFaultKind::lone_leading_surrogate);
    if (unit < 0xD800 || unit > 0xDBFF) return true;
    for (const char expected : {'\\', 'u'}) {
      if (at_end()) return fail_consumed(JsonFaultKind::eof_while_parsing_string);
      if (text_[index_++] != expected) return fail_consumed(JsonFaultKind::unexpected_end_of_hex_escape);
    }
    if (!read_hex_escape(unit)) return false;
    if (unit < 0xDC00 || unit > 0xDFFF) return fail_consumed(JsonFaultKind::lone_leading_surrogate);
    return true;
  }

  bool read_hex_escape(long& unit) {
    if (text_.size() - index_ < 4) {
      index_ = text_.size();
      return fail_consumed(JsonFaultKind::eof_while_parsing_string);
    }
    unit = decode_four_hex(text_, index_);
    index_ += 4;
    if (unit < 0) return fail_consumed(JsonFaultKind::invalid_escape);
    return true;
  }
};

void append_utf8(std::string& out, unsigned long code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// The content of a string token the reader has validated, escapes resolved,
// up to the first `limit` characters and one more (only a message shows it).
std::string decode_string_token(std::string_view token, std::size_t limit) {
  std::string content;
  const std::string_view body = token.substr(1, token.size() - 2);
  // No character takes more than four bytes.
  const std::size_t enough = 4 * (limit + 1);
  for (std::size_t i = 0; i < body.size() && content.size() < enough; ++i) {
    if (body[i] != '\\') {
      content += body[i];
      continue;
    }
    const char escape = body[++i];
    switch (escape) {
      case 'b': content += '\b'; break;
      case 'f': content += '\f'; break;
      case 'n': content += '\n'; break;
      case 'r': content += '\r'; break;
      case 't': content += '\t'; break;
      case 'u': {
        unsigned long code_point = static_cast<unsigned long>(decode_four_hex(body, i + 1));
        i += 4;
        if (code_point >= 0xD800 && code_point <= 0xDBFF) {
          const auto trailing = static_cast<unsigned long>(decode_four_hex(body, i + 3));
          i += 6;
          code_point = 0x10000 + ((code_point - 0xD800) << 10) + (trailing - 0xDC00);
        }
        append_utf8(content, code_point);
        break;
      }
      default: content += escape; break;
    }
  }
  return content;
}

void append_found(std::string& out, const JsonFault& fault, std::string_view text) {
  const std::string_view token = text.substr(fault.token_begin, fault.token_end - fault.token_begin);
  switch (fault.found) {
    case JsonFoundKind::null: out += "null"; break;
    case JsonFoundKind::boolean_true: out += "boolean `true`"; break;
    case JsonFoundKind::boolean_false: out += "boolean `false`"; break;
    case JsonFoundKind::integer:
      out += "integer `";
      out += token;
      out += '`';
      break;
    case JsonFoundKind::floating:
      out += "floating point `";
      append_json(out, fault.number);
      out += '`';
      break;
    case JsonFoundKind::string:
      out += "string ";
      append_quoted(out, decode_string_token(token, quoted_text_limit));
      break;
    case JsonFoundKind::sequence: out += "sequence"; break;
    case JsonFoundKind::map: out += "map"; break;
    case JsonFoundKind::none: break;
  }
}

std::string_view fault_text(JsonFaultKind kind) {
  switch (kind) {
    case JsonFaultKind::eof_while_parsing_value: return "EOF while parsing a value";
    case JsonFaultKind::eof_while_parsing_list: return "EOF while parsing a list";
    case JsonFaultKind::eof_while_parsing_string: return "EOF while parsing a string";
    case JsonFaultKind::expected_value: return "expected value";
    case JsonFaultKind::expected_ident: return "expected ident";
    case JsonFaultKind::expected_list_comma_or_end: return "expected `,` or `]`";
    case JsonFaultKind::trailing_comma: return "trailing comma";
    case JsonFaultKind::trailing_characters: return "trailing characters";
    case JsonFaultKind::invalid_number: return "invalid number";
    case JsonFaultKind::number_out_of_range: return "number out of range";
    case JsonFaultKind::invalid_escape: return "invalid escape";
    case JsonFaultKind::control_character_in_string:
      return "control character (\\u0000-\\u001F) found while parsing a string";
    case JsonFaultKind::lone_leading_surrogate: return "lone leading surrogate in hex escape";
    case JsonFaultKind::unexpected_end_of_hex_escape: return "unexpected end of hex escape";
    case JsonFaultKind::invalid_type: return "invalid type: ";
    case JsonFaultKind::invalid_length: return "invalid length ";
  }
  return "";
}

}  // namespace

std::optional<JsonFault> read_json_numbers(std::string_view text, std::span<double> out) noexcept {
  return Reader(text).read_array(out);
}

std::string describe_json_fault(const JsonFault& fault, std::string_view text,
                                std::string_view expecting) {
  std::string message(fault_text(fault.kind));
  if (fault.kind == JsonFaultKind::invalid_type) {
    append_found(message, fault, text);
    message += ", expected ";
    message += fault.found_as_element ? std::string_view("f64") : expecting;
  } else if (fault.kind == JsonFaultKind::invalid_length) {
    message += std::to_string(fault.length);
    message += ", expected ";
    message += expecting;
  }
  message += " at line ";
  message += std::to_string(fault.line);
  message += " column ";
  message += std::to_string(fault.column);
  return message;
}

void parse_json_number_array(std::string_view text, std::span<double> out,
                             std::string_view expecting) {
  if (const auto fault = read_json_numbers(text, out)) {
    throw JsonError(describe_json_fault(*fault, text, expecting));
  }
}

std::vector<double> parse_json_number_array(std::string_view text, std::size_t n) {
  std::vector<double> values(n);
  parse_json_number_array(text, values, sequence_expectation(n));
  return values;
}

std::string sequence_expectation(std::size_t n) {
  // The matrices' readers were worded without the space; stored messages keep
  // that spelling.
  return "a sequence of " + std::to_string(n) + (n > 4 ? " f64values" : " f64 values");
}

}  // namespace vxformats
