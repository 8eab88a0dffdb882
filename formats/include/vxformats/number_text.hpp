#pragma once
// Text forms of floating-point numbers. Every form starts from the shortest
// decimal digits that read back to the same value (of the value's own type:
// a float is printed with the digits of the float, not of its widened
// double), and differs only in how those digits are laid out.

#include <string>

namespace vxformats {

// Plain form: always positional, never an exponent; no fractional part when
// the value is integral; "-0" for negative zero; "NaN", "inf", "-inf".
// 1e20 -> "100000000000000000000", 1e-7 -> "0.0000001", 2.5 -> "2.5".
void append_plain(std::string& out, double value);
void append_plain(std::string& out, float value);

// Debug form: positional with at least one fractional digit when the value is
// zero or 1e-4 <= |value| < 1e16 ("1.0", "-0.0", "12345.0", "0.0001");
// otherwise exponent notation with a lower-case e, no plus sign, no leading
// exponent zeros and a fraction only when there are further digits ("1e20",
// "1.5e300", "1e-5", "-2.5e-10"); "NaN", "inf", "-inf".
void append_debug(std::string& out, double value);
void append_debug(std::string& out, float value);

// JSON form: "null" for NaN and the infinities; "0.0" / "-0.0"; with e the
// decimal exponent of the first significant digit: e in 0..15 positional
// ("1.0", "123.456", "1000000000000000.0"), e in -5..-1 positional
// ("0.00001", "0.25"), otherwise "d.ddde+NN" / "de-NN" ("1e+16", "1.5e+300",
// "1e-7", "-2.5e-10").
void append_json(std::string& out, double value);
void append_json(std::string& out, float value);

// Convenience wrappers returning a new string.
std::string plain_text(double value);
std::string debug_text(double value);
std::string json_text(double value);

}  // namespace vxformats
