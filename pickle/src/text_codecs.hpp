#pragma once

#include <string>
#include <string_view>

namespace vxpickle {

// UTF-8 as Python's "surrogatepass" reads it: well-formed sequences, encoded
// surrogates allowed.
bool is_utf8(std::string_view bytes);
// The argument of the protocol-0 STRING opcode is a quoted Python 2 literal:
// its body between the quotes, and the body's bytes with the backslash
// escapes resolved.
std::string_view python_string_body(std::string_view quoted);
std::string unescape_python_string(std::string_view body);
// The argument of the protocol-0 UNICODE opcode (raw-unicode-escape: Latin-1
// bytes plus \uXXXX and \UXXXXXXXX) as UTF-8.
std::string raw_unicode_escape_to_utf8(std::string_view text);
// Whether either decoding above can change the bytes: any backslash does, and
// for raw-unicode-escape any byte beyond ASCII.
bool has_escapes(std::string_view text, bool latin1);
// The argument of the FLOAT opcode as Python's float() reads it.
double parse_float_text(std::string_view text);

}  // namespace vxpickle
