#include "vxformats/quoted_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Quoted {
  std::string text;
  std::string shown;
};

class QuotedText : public testing::TestWithParam<Quoted> {};

TEST_P(QuotedText, IsShortValidUtf8) {
  std::string out = "string ";
  vxformats::append_quoted(out, GetParam().text, 4);
  EXPECT_EQ(out, "string " + GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuotedText,
    testing::Values(Quoted{"", "\"\""}, Quoted{"abcd", "\"abcd\""}, Quoted{"abcde", "\"abcd\"..."},
                    Quoted{"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80!?", "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80!\"..."},
                    Quoted{"\t\r\n\\", "\"\\t\\r\\n\\\\\""}, Quoted{std::string("\"\0", 2), "\"\\\"\\0\""},
                    Quoted{"\x01\x1f\x7f", "\"\\u{1}\\u{1f}\\u{7f}\""},
                    // C1 controls and encoded surrogates, as Python's pickles may carry them.
                    Quoted{"\xc2\x80\xc2\x9f\xc2\xa0", "\"\\u{80}\\u{9f}\xc2\xa0\""},
                    Quoted{"\xed\xa0\x80\xed\xbf\xbf\xed\x9f\xbf", "\"\\u{d800}\\u{dfff}\xed\x9f\xbf\""},
                    // Bytes that start no valid sequence: stray, truncated, overlong, beyond U+10FFFF.
                    Quoted{"\xff\xc3\xc0\xaf", "\"\\xff\\xc3\\xc0\\xaf\""},
                    Quoted{"\xf4\x90\x80\x80", "\"\\xf4\\x90\\x80\\x80\""}));

}  // namespace
