#include "vxformats/number_text.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <type_traits>
#include <string>

namespace {

struct NumberFormsCase {
  std::uint64_t bits;
  const char* plain;
  const char* debug;
  const char* json;
};

#include "number_form_cases.inc"

template <class F>
F from_bits(std::uint64_t bits) {
  if constexpr (sizeof(F) == 8) {
    return std::bit_cast<double>(bits);
  } else {
    return std::bit_cast<float>(static_cast<std::uint32_t>(bits));
  }
}

template <class F, void (*Append)(std::string&, F)>
std::string text_of(F value) {
  std::string out = "prefix:";
  Append(out, value);
  return out.substr(7);
}

template <class F, std::size_t N>
void expect_reference_forms(const NumberFormsCase (&cases)[N]) {
  for (const auto& c : cases) {
    const F v = from_bits<F>(c.bits);
    SCOPED_TRACE(c.json);
    EXPECT_EQ((text_of<F, vxformats::append_plain>(v)), c.plain);
    EXPECT_EQ((text_of<F, vxformats::append_debug>(v)), c.debug);
    EXPECT_EQ((text_of<F, vxformats::append_json>(v)), c.json);
  }
}

TEST(NumberText, DoubleFormsMatchReferenceTable) { expect_reference_forms<double>(kDoubleCases); }

TEST(NumberText, FloatFormsUseTheFloatsOwnDigits) {
  expect_reference_forms<float>(kFloatCases);
  EXPECT_EQ((text_of<float, vxformats::append_plain>(0.1f)), "0.1");
  EXPECT_EQ((text_of<float, vxformats::append_plain>(1e20f)), "100000000000000000000");
}

TEST(NumberText, DocumentedExamples) {
  EXPECT_EQ(vxformats::plain_text(5e-324), "0." + std::string(323, '0') + "5");
  EXPECT_EQ(vxformats::plain_text(1e20), "1" + std::string(20, '0'));
  EXPECT_EQ(vxformats::plain_text(1e300).size(), 301u);
  EXPECT_EQ(vxformats::plain_text(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(vxformats::debug_text(1.5e300), "1.5e300");
  EXPECT_EQ(vxformats::debug_text(12345.0), "12345.0");
  EXPECT_EQ(vxformats::debug_text(1e-5), "1e-5");
  EXPECT_EQ(vxformats::debug_text(1e16), "1e16");
  EXPECT_EQ(vxformats::json_text(1e15), "1" + std::string(15, '0') + ".0");
  EXPECT_EQ(vxformats::json_text(1e16), "1e+16");
  EXPECT_EQ(vxformats::json_text(1e-5), "0.00001");
  EXPECT_EQ(vxformats::json_text(-2.5e-10), "-2.5e-10");
}

// Significant digits of a text in any of the forms, and whether a shorter
// digit string would also read back to the value.
int significant_digits(const std::string& text) {
  int count = 0;
  bool leading = true;
  int trailing_zeros = 0;
  for (const char c : text) {
    if (c == 'e') break;
    if (c < '0' || c > '9') continue;
    if (leading && c == '0') continue;
    leading = false;
    ++count;
    trailing_zeros = c == '0' ? trailing_zeros + 1 : 0;
  }
  return count - trailing_zeros;
}

bool reads_back_with_fewer_digits(double v, int digits) {
  if (digits <= 1) return false;
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", digits - 2, v);
  return std::strtod(text, nullptr) == v;
}

template <class F>
using BitsOf = std::conditional_t<sizeof(F) == 8, std::uint64_t, std::uint32_t>;

template <class F>
void expect_round_trip(F v, const std::string& text) {
  char* end = nullptr;
  F back;
  if constexpr (sizeof(F) == 8) {
    back = std::strtod(text.c_str(), &end);
  } else {
    back = std::strtof(text.c_str(), &end);
  }
  ASSERT_EQ(*end, '\0') << text;
  ASSERT_EQ(std::bit_cast<BitsOf<F>>(back), std::bit_cast<BitsOf<F>>(v)) << text;
}

TEST(NumberText, RandomDoublesReadBackExactlyWithShortestDigits) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    // Half raw bit patterns (all exponents, subnormals included), half values
    // near one where most digits appear.
    const double v = i % 2 ? std::bit_cast<double>(random())
                           : std::ldexp(static_cast<double>(random() >> 11), -53 + static_cast<int>(random() % 40) - 20);
    if (!std::isfinite(v)) continue;
    const std::string plain = vxformats::plain_text(v);
    const std::string debug = vxformats::debug_text(v);
    const std::string json = vxformats::json_text(v);
    expect_round_trip(v, plain);
    expect_round_trip(v, debug);
    expect_round_trip(v, json);
    ASSERT_EQ(plain.find_first_of("e."), plain.find('.')) << plain;
    if (v != 0) {
      ASSERT_FALSE(reads_back_with_fewer_digits(v, significant_digits(plain))) << plain;
    }
    ASSERT_EQ(significant_digits(plain), significant_digits(debug));
    ASSERT_EQ(significant_digits(plain), significant_digits(json));
  }
}

TEST(NumberText, RandomFloatsReadBackExactly) {
  std::mt19937 random(11);
  for (int i = 0; i < 200000; ++i) {
    const float v = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    if (!std::isfinite(v)) continue;
    expect_round_trip(v, text_of<float, vxformats::append_plain>(v));
    expect_round_trip(v, text_of<float, vxformats::append_debug>(v));
  }
}

}  // namespace
