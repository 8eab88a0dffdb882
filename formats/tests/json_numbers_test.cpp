#include "vxformats/json_numbers.hpp"
#include "vxformats/number_text.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

struct ValidCase {
  const char* text;
  std::uint64_t bits[3];
};

#include "json_number_cases.inc"

constexpr std::string_view kVec3 = "a sequence of 3 f64 values";

TEST(JsonNumbers, ReadsNumbersAsThePythonJsonModuleDoes) {
  for (const auto& c : kValidCases) {
    std::array<double, 3> values{};
    const auto fault = vxformats::read_json_numbers(c.text, values);
    ASSERT_FALSE(fault) << c.text << ": " << vxformats::describe_json_fault(*fault, c.text, kVec3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(std::bit_cast<std::uint64_t>(values[i]), c.bits[i]) << c.text;
  }
}

TEST(JsonNumbers, ReadsBackTheJsonFormOfEveryFiniteDouble) {
  std::mt19937_64 random(5);
  for (int i = 0; i < 20000; ++i) {
    std::array<double, 3> written{};
    std::string text = "[";
    for (std::size_t k = 0; k < 3; ++k) {
      do {
        written[k] = std::bit_cast<double>(random());
      } while (!std::isfinite(written[k]));
      if (k) text += ',';
      vxformats::append_json(text, written[k]);
    }
    text += ']';
    std::array<double, 3> read{};
    ASSERT_FALSE(vxformats::read_json_numbers(text, read)) << text;
    for (std::size_t k = 0; k < 3; ++k) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(read[k]), std::bit_cast<std::uint64_t>(written[k])) << text;
    }
  }
}

TEST(JsonNumbers, ReadsAnyCount) {
  EXPECT_EQ(vxformats::parse_json_number_array("[0,1,2,3,4,5,6,7,8.5,9,10,11]", 12),
            (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7, 8.5, 9, 10, 11}));
  EXPECT_TRUE(vxformats::parse_json_number_array(" [ ] ", 0).empty());
}

struct FaultCase {
  std::string text;
  std::string message;
};

// Test names carry the text; keep them on one printable line.
void PrintTo(const FaultCase& c, std::ostream* os) {
  static constexpr char hex[] = "0123456789abcdef";
  *os << '`';
  for (const char ch : c.text.substr(0, 40)) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 || byte >= 0x7f) {
      *os << "\\x" << hex[byte >> 4] << hex[byte & 15];
    } else {
      *os << ch;
    }
  }
  *os << '`';
}

class JsonFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(JsonFaults, AreToldWithThePosition) {
  const FaultCase& c = GetParam();
  std::array<double, 3> values{};
  const auto fault = vxformats::read_json_numbers(c.text, values);
  ASSERT_TRUE(fault);
  EXPECT_EQ(vxformats::describe_json_fault(*fault, c.text, kVec3), c.message);
  try {
    vxformats::parse_json_number_array(c.text, values, kVec3);
    ADD_FAILURE() << "no JsonError";
  } catch (const vxformats::JsonError& error) {
    EXPECT_EQ(std::string(error.what()), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Structure, JsonFaults,
    testing::Values(
        FaultCase{"", "EOF while parsing a value at line 1 column 0"},
        FaultCase{"  \n ", "EOF while parsing a value at line 2 column 1"},
        FaultCase{"abc", "expected value at line 1 column 1"},
        FaultCase{"[1,2]", "invalid length 2, expected a sequence of 3 f64 values at line 1 column 5"},
        FaultCase{"[1,2 ]", "invalid length 2, expected a sequence of 3 f64 values at line 1 column 6"},
        FaultCase{"[]", "invalid length 0, expected a sequence of 3 f64 values at line 1 column 2"},
        FaultCase{"[1,\n2]", "invalid length 2, expected a sequence of 3 f64 values at line 2 column 2"},
        FaultCase{"[1,2,3,4]", "trailing characters at line 1 column 8"},
        FaultCase{"[1,2,3, 4]", "trailing characters at line 1 column 9"},
        FaultCase{"[1,2,3] x", "trailing characters at line 1 column 9"},
        FaultCase{"[1,2,3]\n\n  x", "trailing characters at line 3 column 3"},
        FaultCase{"[1,2,3][", "trailing characters at line 1 column 8"},
        FaultCase{"[1,2,3,]", "trailing comma at line 1 column 8"},
        FaultCase{"[1,2,]", "trailing comma at line 1 column 6"},
        FaultCase{"[1,2", "EOF while parsing a list at line 1 column 4"},
        FaultCase{"[1,2,3", "EOF while parsing a list at line 1 column 6"},
        FaultCase{"[1,2,", "EOF while parsing a value at line 1 column 5"},
        FaultCase{"[", "EOF while parsing a list at line 1 column 1"},
        FaultCase{"[1 2 3]", "expected `,` or `]` at line 1 column 4"},
        FaultCase{"[1,,2]", "expected value at line 1 column 4"},
        FaultCase{"[,1]", "expected value at line 1 column 2"},
        FaultCase{"\xef\xbb\xbf[1,2,3]", "expected value at line 1 column 1"}));

INSTANTIATE_TEST_SUITE_P(
    WrongTypes, JsonFaults,
    testing::Values(
        FaultCase{"[1,null,3]", "invalid type: null, expected f64 at line 1 column 7"},
        FaultCase{"[1,\"a\",3]", "invalid type: string \"a\", expected f64 at line 1 column 6"},
        FaultCase{"[true,1,1]", "invalid type: boolean `true`, expected f64 at line 1 column 5"},
        FaultCase{"[1, false]", "invalid type: boolean `false`, expected f64 at line 1 column 9"},
        FaultCase{"[[1],2,3]", "invalid type: sequence, expected f64 at line 1 column 1"},
        FaultCase{"[1, {}]", "invalid type: map, expected f64 at line 1 column 4"},
        FaultCase{"{}", "invalid type: map, expected a sequence of 3 f64 values at line 1 column 0"},
        FaultCase{" null", "invalid type: null, expected a sequence of 3 f64 values at line 1 column 5"},
        FaultCase{"12", "invalid type: integer `12`, expected a sequence of 3 f64 values at line 1 column 2"},
        FaultCase{"-7", "invalid type: integer `-7`, expected a sequence of 3 f64 values at line 1 column 2"},
        FaultCase{"18446744073709551615",
                  "invalid type: integer `18446744073709551615`, expected a sequence of 3 f64 values at line 1 column 20"},
        FaultCase{"18446744073709551616",
                  "invalid type: floating point `1.8446744073709552e+19`, expected a sequence of 3 f64 values at line 1 "
                  "column 20"},
        FaultCase{"-9223372036854775808",
                  "invalid type: integer `-9223372036854775808`, expected a sequence of 3 f64 values at line 1 column 20"},
        FaultCase{"-9223372036854775809",
                  "invalid type: floating point `-9.223372036854776e+18`, expected a sequence of 3 f64 values at line 1 "
                  "column 20"},
        FaultCase{"1.5", "invalid type: floating point `1.5`, expected a sequence of 3 f64 values at line 1 column 3"},
        FaultCase{"-0", "invalid type: floating point `-0.0`, expected a sequence of 3 f64 values at line 1 column 2"},
        FaultCase{"1e20", "invalid type: floating point `1e+20`, expected a sequence of 3 f64 values at line 1 column 4"},
        FaultCase{"\"abc\"", "invalid type: string \"abc\", expected a sequence of 3 f64 values at line 1 column 5"},
        FaultCase{"[\"a\\\"b\\\\\\u00e9\\t\\u0001\\u007f\\u0085\",1,1]",
                  "invalid type: string \"a\\\"b\\\\\xc3\xa9\\t\\u{1}\\u{7f}\\u{85}\", expected f64 at line 1 column 35"},
        FaultCase{"[\"\\ud83d\\ude00/\\/\",1]",
                  "invalid type: string \"\xf0\x9f\x98\x80//\", expected f64 at line 1 column 18"},
        FaultCase{"[\"\xc3\xa9\",1,1]", "invalid type: string \"\xc3\xa9\", expected f64 at line 1 column 5"},
        // Whatever the text holds, the message is short valid UTF-8.
        FaultCase{"[\"" + std::string(5000, 'a') + "\",1]",
                  "invalid type: string \"" + std::string(48, 'a') + "\"..., expected f64 at line 1 column 5003"},
        FaultCase{"[\"\xff\xed\xa0\x80\\ud800\\udc00\",1]",
                  "invalid type: string \"\\xff\\u{d800}\xf0\x90\x80\x80\", expected f64 at line 1 column 19"}));

INSTANTIATE_TEST_SUITE_P(
    Literals, JsonFaults,
    testing::Values(FaultCase{"[nul]", "expected ident at line 1 column 5"},
                    FaultCase{"[nul", "EOF while parsing a value at line 1 column 4"},
                    FaultCase{"[tru", "EOF while parsing a value at line 1 column 4"},
                    FaultCase{"[fals3", "expected ident at line 1 column 6"},
                    FaultCase{"[NaN,1,1]", "expected value at line 1 column 2"},
                    FaultCase{"[Infinity,1,1]", "expected value at line 1 column 2"}));

INSTANTIATE_TEST_SUITE_P(
    Numbers, JsonFaults,
    testing::Values(FaultCase{"[-]", "invalid number at line 1 column 3"},
                    FaultCase{"[-", "EOF while parsing a value at line 1 column 2"},
                    FaultCase{"[- 1]", "invalid number at line 1 column 3"},
                    FaultCase{"[01]", "invalid number at line 1 column 3"},
                    FaultCase{"[-00]", "invalid number at line 1 column 4"},
                    FaultCase{"[1.]", "invalid number at line 1 column 4"},
                    FaultCase{"[1.", "EOF while parsing a value at line 1 column 3"},
                    FaultCase{"[1.e5]", "invalid number at line 1 column 4"},
                    FaultCase{"[1e]", "invalid number at line 1 column 4"},
                    FaultCase{"[1e+]", "invalid number at line 1 column 5"},
                    FaultCase{"[1e", "EOF while parsing a value at line 1 column 3"},
                    FaultCase{"[1e-", "EOF while parsing a value at line 1 column 4"},
                    FaultCase{"[.5]", "expected value at line 1 column 2"},
                    FaultCase{"[+1]", "expected value at line 1 column 2"},
                    FaultCase{"[1e400,0,0]", "number out of range at line 1 column 6"},
                    FaultCase{"[0,-1.8e308,0]", "number out of range at line 1 column 11"},
                    FaultCase{"[1" + std::string(309, '0') + ",0,0]", "number out of range at line 1 column 311"},
                    // An exponent beyond 32 bits is refused as soon as it overflows.
                    FaultCase{"[1e99999999999,0,0]", "number out of range at line 1 column 13"},
                    FaultCase{"1e400", "number out of range at line 1 column 5"}));

INSTANTIATE_TEST_SUITE_P(
    Strings, JsonFaults,
    testing::Values(FaultCase{"[\"a\nb\",1,1]", "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
                    FaultCase{"[\"\\x\",1,1]", "invalid escape at line 1 column 4"},
                    FaultCase{"[\"\\u00zz\"]", "invalid escape at line 1 column 8"},
                    FaultCase{"[\"\\u12\"]", "invalid escape at line 1 column 8"},
                    FaultCase{"[\"\\u12", "EOF while parsing a string at line 1 column 6"},
                    FaultCase{"[\"abc", "EOF while parsing a string at line 1 column 5"},
                    FaultCase{"[\"abc\\", "EOF while parsing a string at line 1 column 6"},
                    FaultCase{"\"\\ud800\"", "unexpected end of hex escape at line 1 column 8"},
                    FaultCase{"\"\\ud800\\n\"", "unexpected end of hex escape at line 1 column 9"},
                    FaultCase{"\"\\udc00\"", "lone leading surrogate in hex escape at line 1 column 7"},
                    FaultCase{"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"}));

TEST(JsonNumbers, NamesTheCallersExpectation) {
  std::array<double, 9> mat3{};
  const std::string text = "[1,2]";
  const auto fault = vxformats::read_json_numbers(text, mat3);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, vxformats::JsonFaultKind::invalid_length);
  EXPECT_EQ(fault->length, 2u);
  EXPECT_EQ(vxformats::describe_json_fault(*fault, text, "a sequence of 9 f64values"),
            "invalid length 2, expected a sequence of 9 f64values at line 1 column 5");
  EXPECT_THROW(vxformats::parse_json_number_array("[1,2]", 12), vxformats::JsonError);
  EXPECT_EQ(vxformats::sequence_expectation(4), "a sequence of 4 f64 values");
}

TEST(JsonNumbers, ExponentExtremesOfZeroOrTinyValuesReadAsSignedZero) {
  const auto values = vxformats::parse_json_number_array("[1e-99999999999, -5e-99999999999999, 0e99999999999]", 3);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(values[0]), 0u);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(values[1]), 0x8000000000000000u);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(values[2]), 0u);
}

}  // namespace
