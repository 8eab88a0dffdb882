#pragma once
// Strict reader for one JSON text holding a flat array of exactly N numbers,
// surrounded by nothing but JSON whitespace. Its faults are told in the words
// of the serde_json reader the stored texts were first written for: "EOF
// while parsing a value at line 1 column 0", "trailing characters at line 1
// column 8", "invalid type: null, expected f64 at line 1 column 7", "invalid
// length 2, expected a sequence of 3 f64 values at line 1 column 5", ...
// Lines are one-based; the column counts bytes from the start of the line.
//
// Numbers are read with correct rounding (the nearest double, ties to even);
// a number whose magnitude rounds beyond the largest double is refused with
// "number out of range", one that rounds to zero reads as a signed zero.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vxformats {

struct JsonError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class JsonFaultKind : std::uint8_t {
  eof_while_parsing_value,
  eof_while_parsing_list,
  eof_while_parsing_string,
  expected_value,
  expected_ident,
  expected_list_comma_or_end,
  trailing_comma,
  trailing_characters,
  invalid_number,
  number_out_of_range,
  invalid_escape,
  control_character_in_string,
  lone_leading_surrogate,
  unexpected_end_of_hex_escape,
  invalid_type,    // a well-formed value of the wrong kind
  invalid_length,  // the array closed before N numbers
};

// What an invalid_type fault found in place of the expected value.
enum class JsonFoundKind : std::uint8_t {
  none,
  null,
  boolean_true,
  boolean_false,
  integer,
  floating,
  string,
  sequence,
  map,
};

// A failed read, cheap to make (no allocation): the message is composed only
// when asked for, so try-style callers pay nothing for it.
struct JsonFault {
  JsonFaultKind kind = JsonFaultKind::eof_while_parsing_value;
  std::size_t line = 0;
  std::size_t column = 0;
  JsonFoundKind found = JsonFoundKind::none;  // invalid_type only
  bool found_as_element = false;              // invalid_type: the element expected a number
  std::size_t token_begin = 0;                // invalid_type: the offending token in the text
  std::size_t token_end = 0;
  double number = 0;                          // invalid_type: the value of a floating-point token
  std::size_t length = 0;                     // invalid_length: elements read
};

// Reads exactly out.size() numbers into out; nothing on success. On a fault
// out holds unspecified values.
std::optional<JsonFault> read_json_numbers(std::string_view text, std::span<double> out) noexcept;

// The full message of a fault of reading `text` (the same text), position
// included: "{description} at line {L} column {C}". `expecting` names the
// whole value in invalid-length and outer invalid-type messages: "a sequence
// of 3 f64 values" for the vectors and Quat (4), "a sequence of 9 f64values"
// for Mat3 and "a sequence of 12 f64values" for Affine3 (no blank there).
// An element of the wrong kind always names "f64".
std::string describe_json_fault(const JsonFault& fault, std::string_view text,
                                std::string_view expecting);

// Throwing forms: JsonError with the full message.
void parse_json_number_array(std::string_view text, std::span<double> out,
                             std::string_view expecting);
// Expecting sequence_expectation(n).
std::vector<double> parse_json_number_array(std::string_view text, std::size_t n);

// "a sequence of {n} f64 values" (n <= 4), "a sequence of {n} f64values" (the
// matrices' spelling, n > 4).
std::string sequence_expectation(std::size_t n);

}  // namespace vxformats
