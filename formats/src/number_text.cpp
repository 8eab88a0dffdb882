#include "vxformats/number_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace vxformats {
namespace {

// The shortest significant digits d0 d1 ... of a positive finite value, which
// reads as d0.d1d2... times ten to the power `exponent`.
struct ShortestDigits {
  char digits[std::numeric_limits<double>::max_digits10];
  int count = 0;
  int exponent = 0;
};

// to_chars in scientific form yields the shortest round-trip digits; its
// fixed form does not (it expands large values exactly), so the layout is
// done here from the scientific digits.
template <class F>
ShortestDigits shortest_digits(F magnitude) {
  char text[40];
  const auto written = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
  const std::string_view scientific(text, static_cast<std::size_t>(written.ptr - text));
  ShortestDigits result;
  std::size_t i = 0;
  for (; scientific[i] != 'e'; ++i) {
    if (scientific[i] != '.') result.digits[result.count++] = scientific[i];
  }
  ++i;
  const bool negative_exponent = scientific[i] == '-';
  ++i;  // to_chars always writes the exponent's sign
  int exponent = 0;
  for (; i < scientific.size(); ++i) exponent = exponent * 10 + (scientific[i] - '0');
  result.exponent = negative_exponent ? -exponent : exponent;
  return result;
}

// Positional notation; `fraction_always` adds ".0" to an integral value.
void append_positional(std::string& out, const ShortestDigits& d, bool fraction_always) {
  const std::string_view digits(d.digits, static_cast<std::size_t>(d.count));
  if (d.exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out += digits;
    return;
  }
  const auto integral_digits = static_cast<std::size_t>(d.exponent) + 1;
  if (integral_digits >= digits.size()) {
    out += digits;
    out.append(integral_digits - digits.size(), '0');
    if (fraction_always) out += ".0";
    return;
  }
  out += digits.substr(0, integral_digits);
  out += '.';
  out += digits.substr(integral_digits);
}

// "d.ddde-NN"; the fraction only when there are further digits.
void append_exponential(std::string& out, const ShortestDigits& d, bool plus_sign) {
  out += d.digits[0];
  if (d.count > 1) {
    out += '.';
    out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
  }
  out += 'e';
  if (d.exponent < 0) {
    out += '-';
  } else if (plus_sign) {
    out += '+';
  }
  char exponent_text[8];
  const auto written = std::to_chars(exponent_text, exponent_text + sizeof exponent_text, std::abs(d.exponent));
  out.append(exponent_text, written.ptr);
}

template <class F>
bool append_non_finite(std::string& out, F value) {
  if (std::isnan(value)) {
    out += "NaN";
  } else if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
  } else {
    return false;
  }
  return true;
}

template <class F>
void append_plain_form(std::string& out, F value) {
  if (append_non_finite(out, value)) return;
  if (std::signbit(value)) out += '-';
  if (value == 0) {
    out += '0';
    return;
  }
  append_positional(out, shortest_digits(std::abs(value)), false);
}

template <class F>
void append_debug_form(std::string& out, F value) {
  if (append_non_finite(out, value)) return;
  if (std::signbit(value)) out += '-';
  const F magnitude = std::abs(value);
  if (magnitude == 0) {
    out += "0.0";
    return;
  }
  // The bounds are literals of the value's own type, so a float is judged
  // against the float nearest 1e-4.
  const F lower = static_cast<F>(1e-4L);
  const F upper = static_cast<F>(1e16L);
  const ShortestDigits digits = shortest_digits(magnitude);
  if (magnitude >= lower && magnitude < upper) {
    append_positional(out, digits, true);
  } else {
    append_exponential(out, digits, false);
  }
}

template <class F>
void append_json_form(std::string& out, F value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  if (std::signbit(value)) out += '-';
  const F magnitude = std::abs(value);
  if (magnitude == 0) {
    out += "0.0";
    return;
  }
  const ShortestDigits digits = shortest_digits(magnitude);
  if (digits.exponent >= -5 && digits.exponent <= 15) {
    append_positional(out, digits, true);
  } else {
    append_exponential(out, digits, true);
  }
}

}  // namespace

void append_plain(std::string& out, double value) { append_plain_form(out, value); }
void append_plain(std::string& out, float value) { append_plain_form(out, value); }
void append_debug(std::string& out, double value) { append_debug_form(out, value); }
void append_debug(std::string& out, float value) { append_debug_form(out, value); }
void append_json(std::string& out, double value) { append_json_form(out, value); }
void append_json(std::string& out, float value) { append_json_form(out, value); }

std::string plain_text(double value) {
  std::string out;
  append_plain(out, value);
  return out;
}

std::string debug_text(double value) {
  std::string out;
  append_debug(out, value);
  return out;
}

std::string json_text(double value) {
  std::string out;
  append_json(out, value);
  return out;
}

}  // namespace vxformats
