#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"
#include "vxpickle/value.hpp"

namespace vxpickle {
namespace {

using namespace std::string_literals;

using test::decode_failure;
using test::from_hex;
using test::tree_text;

struct CpythonCase {
  const char* name;
  int protocol;
  const char* hex;
  const char* expected;
};

#include "cpython_streams.inc"

class CpythonStream : public ::testing::TestWithParam<CpythonCase> {};

TEST_P(CpythonStream, DecodesToTheSameTree) {
  const Document doc = parse(from_hex(GetParam().hex));
  EXPECT_EQ(tree_text(doc.root()), GetParam().expected);
}

TEST_P(CpythonStream, EveryTruncationIsEofAndAnExtraByteIsTrailing) {
  const std::string stream = from_hex(GetParam().hex);
  // The long streams only repeat what the short ones cover; a stride keeps
  // the test quick while still cutting inside every opcode kind.
  const std::size_t stride = stream.size() > 2000 ? 7 : 1;
  for (std::size_t n = 0; n < stream.size(); n += stride) {
    const std::string cut = stream.substr(0, n);
    ASSERT_EQ(decode_failure([&] { parse(cut); }), "EOF while parsing") << "prefix length " << n;
  }
  EXPECT_EQ(decode_failure([&] { parse(stream + '.'); }), "trailing bytes found");
}

INSTANTIATE_TEST_SUITE_P(Protocols0To5, CpythonStream, ::testing::ValuesIn(cpython_cases),
                         [](const auto& info) {
                           return std::string(info.param.name) + "_p" + std::to_string(info.param.protocol);
                         });

TEST(Parser, MemoSharesOneNodeThatLaterAppendsFill) {
  for (const CpythonCase& c : cpython_cases) {
    if (std::string(c.name) != "shared") continue;
    const Document doc = parse(from_hex(c.hex));
    const Value root = doc.root();
    ASSERT_EQ(root.items().size(), 5u);
    EXPECT_EQ(root.items().at(0), root.items().at(1)) << "protocol " << c.protocol;
    EXPECT_EQ(root.items().at(2).items().at(0), root.items().at(0)) << "protocol " << c.protocol;
    // The inner list is memoized while empty and filled afterwards; the later
    // reference must see it filled.
    EXPECT_EQ(root.items().at(3), root.items().at(4)) << "protocol " << c.protocol;
    EXPECT_EQ(root.items().at(4).items().size(), 1u) << "protocol " << c.protocol;
    EXPECT_EQ(root.height(), 3u) << "protocol " << c.protocol;
  }
}

TEST(Parser, HeightCountsAppendsMadeAfterAReference) {
  // L memoized, referenced from a tuple, then filled to [[[]]]: the tuple
  // ends up three levels high although it was one when built.
  const Document doc = parse("\x80\x03]q\x00(h\x00tq\x01" "0(]]ae" "h\x01."s);
  EXPECT_EQ(tree_text(doc.root()), "([[[]]])");
  EXPECT_EQ(doc.root().height(), 3u);
}

struct Malformed {
  const char* what;
  std::string stream;
  std::string message;
};

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

class MalformedStream : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedStream, FailsWithItsMessage) {
  EXPECT_EQ(decode_failure([&] { parse(GetParam().stream); }), GetParam().message) << GetParam().what;
}

const std::string P3 = bytes({0x80, 3});

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedStream,
    ::testing::Values(
        Malformed{"empty", "", "EOF while parsing"},
        Malformed{"stop on empty stack", P3 + ".", "pickle stack underflow"},
        Malformed{"stop inside a mark", P3 + "N(.", "pickle stack underflow"},
        Malformed{"tuple without mark", P3 + "NNt.", "pickle stack underflow"},
        Malformed{"tuple2 of one", P3 + bytes({'N', 0x86}) + ".", "pickle stack underflow"},
        Malformed{"tuple1 across a mark", P3 + "N(" + bytes({0x85}) + ".", "pickle stack underflow"},
        Malformed{"append on empty", P3 + "a.", "pickle stack underflow"},
        Malformed{"appends with nothing below the mark", P3 + "(Ne.", "pickle stack underflow"},
        Malformed{"pop on empty", P3 + "0.", "pickle stack underflow"},
        Malformed{"dup on empty", P3 + "2.", "pickle stack underflow"},
        Malformed{"put on empty", P3 + "q\x01.", "pickle stack underflow"},
        Malformed{"append to a tuple", P3 + ")Na.", "APPEND on an object of the wrong type"},
        Malformed{"setitems on a list", P3 + "](NNu.", "SETITEMS on an object of the wrong type"},
        Malformed{"odd dict", P3 + "(Nd.", "odd number of items for a dict"},
        Malformed{"memo miss", P3 + "Nh\x05.", "memo value not found at index 5"},
        Malformed{"memo miss, long index", P3 + "Nq\x00j\xff\xff\xff\xff."s,
                  "memo value not found at index 4294967295"},
        Malformed{"memo text index overflow", "N" "g99999999999999999999999\n.", "invalid memo key"},
        Malformed{"list containing itself", P3 + "]q\x00h\x00" "a."s, "recursive structure found"},
        Malformed{"dict holding itself as a key", P3 + "}q\x00h\x00Ns."s, "recursive structure found"},
        Malformed{"binunicode of 4 GiB", P3 + "X\xff\xff\xff\xff" "abc.", "EOF while parsing"},
        Malformed{"binunicode8 of 2^64-1", P3 + bytes({0x8d}) + std::string(8, '\xff') + ".", "EOF while parsing"},
        Malformed{"binbytes8 huge", P3 + bytes({0x8e}) + std::string(8, '\x7f') + ".", "EOF while parsing"},
        Malformed{"bytearray8 huge", P3 + bytes({0x96}) + std::string(8, '\x7f') + ".", "EOF while parsing"},
        Malformed{"frame huge", P3 + bytes({0x95}) + std::string(8, '\x7f') + "N.", "EOF while parsing"},
        Malformed{"binstring negative", "T\xff\xff\xff\xff.", "negative byte count"},
        Malformed{"long4 negative", P3 + bytes({0x8b}) + "\x00\x00\x00\x80."s, "negative byte count"},
        Malformed{"long4 of -1 bytes", P3 + bytes({0x8b}) + "\xff\xff\xff\xff."s, "negative byte count"},
        Malformed{"long4 huge", P3 + bytes({0x8b}) + "\xff\xff\xff\x7f.", "EOF while parsing"},
        Malformed{"invalid utf-8", P3 + bytes({0x8c, 2, 0xc3, 0x28}) + "h.", "invalid UTF-8 in string"},
        Malformed{"overlong utf-8", P3 + bytes({0x8c, 2, 0xc0, 0xaf}) + ".", "invalid UTF-8 in string"},
        Malformed{"protocol 6", bytes({0x80, 6}) + "N.", "unsupported pickle protocol: 6"},
        Malformed{"unknown opcode", P3 + "\xff.", "invalid opcode 0xff"},
        Malformed{"unquoted string", "Sabc\n.", "the STRING opcode argument must be quoted"},
        Malformed{"string of one quote", "S'\n.", "the STRING opcode argument must be quoted"},
        Malformed{"truncated hex escape", "S'\\x4'\n.", "invalid \\x escape in string"},
        Malformed{"hex escape of no digit", "S'\\xg1'\n.", "invalid \\x escape in string"},
        Malformed{"bad float literal", "F1.5x\n.", "invalid float literal"},
        Malformed{"float literal too large", "F1e400\n.", "float literal out of range"},
        Malformed{"bad int literal", "I12a\n.", "invalid integer literal"},
        Malformed{"huge int literal", std::string("L").append(5000, '9').append("L\n."), "integer literal too long"},
        Malformed{"truncated unicode escape", "V\\u12\n.", "truncated \\uXXXX escape"}),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.what)) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
      return name;
    });

TEST(Parser, RefusesEveryOpcodeThatImportsOrCalls) {
  const std::pair<int, const char*> refused[] = {
      {'c', "GLOBAL"}, {0x93, "STACK_GLOBAL"}, {'R', "REDUCE"}, {'b', "BUILD"}, {'i', "INST"},
      {'o', "OBJ"}, {0x81, "NEWOBJ"}, {0x92, "NEWOBJ_EX"}, {0x82, "EXT1"}, {0x83, "EXT2"},
      {0x84, "EXT4"}, {'P', "PERSID"}, {'Q', "BINPERSID"}, {0x97, "NEXT_BUFFER"}, {0x98, "READONLY_BUFFER"}};
  for (auto [opcode, name] : refused) {
    // Valid operands follow, so only the opcode itself can be the reason.
    const std::string stream = P3 + "NN" + static_cast<char>(opcode) + "os\nsystem\n.";
    EXPECT_EQ(decode_failure([&] { parse(stream); }),
              std::string("unsupported opcode ") + name + ": only plain data is decoded");
  }
  // CPython's own stream for a set below protocol 4 goes through a global.
  EXPECT_EQ(decode_failure([] { parse(from_hex("80035d710028636275696c74696e730a7365740a71015d71022e")); }),
            "unsupported opcode GLOBAL: only plain data is decoded");
}

// tree_text's form of text ('s') or bytes ('b').
std::string tagged_hex(char tag, std::string_view content) {
  std::string out(1, tag);
  out += test::to_hex(content);
  return out;
}

std::string nested_lists(std::size_t depth) {
  // depth lists on the stack, then each appended into the one below it.
  return P3 + std::string(depth, ']') + std::string(depth - 1, 'a') + ".";
}

TEST(Parser, NestingIsCappedWithoutExhaustingTheStack) {
  const Document ok = parse(nested_lists(max_depth));
  EXPECT_EQ(ok.root().items().size(), 1u);
  EXPECT_EQ(decode_failure([] { parse(nested_lists(max_depth + 1)); }), "nesting too deep");
  // Two hundred thousand open lists outgrow the working memory of their
  // 400 kB before the first append could find them too deep.
  EXPECT_EQ(decode_failure([] { parse(nested_lists(200000)); }),
            "pickle structure exceeds the memory limit for its size");
  // Deep through tuples, built from marks.
  EXPECT_EQ(decode_failure([] { parse(P3 + std::string(5000, '(') + std::string(5000, 't') + "."); }),
            "nesting too deep");
}

TEST(Parser, DepthThroughASharedNodeCountsItsWholeHeight) {
  // A 600-deep chain memoized, then nested 600 deeper through a reference.
  std::string s = P3 + std::string(600, ']') + std::string(599, 'a') + "q\x00"s + "0" + std::string(600, ']') +
                  "h\x00"s + std::string(600, 'a') + ".";
  EXPECT_EQ(decode_failure([&] { parse(s); }), "nesting too deep");
}

TEST(Parser, SharedReferencesCannotExpandASmallStream) {
  // Each level is a list holding the previous level twice: 2^40 leaves from
  // a few hundred bytes.
  std::string s = P3 + "]q\x00"s;
  for (int level = 1; level <= 40; ++level) {
    s += "]q";
    s.push_back(static_cast<char>(level));
    s += "(h";
    s.push_back(static_cast<char>(level - 1));
    s += "h";
    s.push_back(static_cast<char>(level - 1));
    s += "e";
  }
  s += ".";
  EXPECT_EQ(decode_failure([&] { parse(s); }), "shared objects expand beyond the size limit");
  // The same through DUP.
  std::string d = P3 + "N";
  for (int level = 0; level < 40; ++level) d += "2\x86";
  d += ".";
  EXPECT_EQ(decode_failure([&] { parse(d); }), "shared objects expand beyond the size limit");
}

TEST(Parser, StackOpcodes) {
  EXPECT_EQ(tree_text(parse(P3 + "(K\x01K\x02" "1K\x03.").root()), "3");
  EXPECT_EQ(tree_text(parse(P3 + "K\x01K\x02" "0.").root()), "1");
  // POP right after a MARK removes the mark, not an item.
  EXPECT_EQ(tree_text(parse(P3 + "K\x07(0.").root()), "7");
  const Document dup = parse(P3 + "(]2]t.");
  EXPECT_EQ(dup.root().items().at(0), dup.root().items().at(1));
  EXPECT_NE(dup.root().items().at(1), dup.root().items().at(2));
  EXPECT_EQ(dup.root().height(), 1u);
  EXPECT_EQ(parse(P3 + "N.").root().height(), 0u);
  EXPECT_EQ(tree_text(parse(P3 + "N" + bytes({0x94}) + "0h\x00."s).root()), "None");
  EXPECT_EQ(tree_text(parse(P3 + bytes({0x8f}) + "(K\x01K\x02" + bytes({0x90}) + ".").root()), "set{1,2}");
}

TEST(Parser, ProtocolZeroAndOneForms) {
  EXPECT_EQ(tree_text(parse("I01\n.").root()), "True");
  EXPECT_EQ(tree_text(parse("I00\n.").root()), "False");
  EXPECT_EQ(tree_text(parse("I-42\n.").root()), "-42");
  EXPECT_EQ(tree_text(parse("I9223372036854775808\n.").root()), "9223372036854775808");
  EXPECT_EQ(tree_text(parse("L18446744073709551615L\n.").root()), "18446744073709551615");
  EXPECT_EQ(tree_text(parse("L-18446744073709551615L\n.").root()), "big");
  EXPECT_EQ(tree_text(parse("L+5L\n.").root()), "5");
  EXPECT_EQ(tree_text(parse("F1e-400\n.").root()), "f0000000000000000");
  EXPECT_EQ(tree_text(parse("F-1e-400\n.").root()), "f8000000000000000");
  EXPECT_EQ(tree_text(parse("F+2.5\n.").root()), "f4004000000000000");
  EXPECT_EQ(tree_text(parse("S'a\\x41\\n\\'\\\\\\101b\\q'\n.").root()), tagged_hex('b', "aA\n'\\Ab\\q"));
  EXPECT_EQ(tree_text(parse("S'\\x0a\\xAb'\n.").root()), tagged_hex('b', "\n\xab"));
  // Operands longer than a scalar keeps are read back whole.
  const std::string long_text(100, 'x');
  EXPECT_EQ(tree_text(parse("S'" + long_text + "'\n.").root()), tagged_hex('b', long_text));
  EXPECT_EQ(tree_text(parse("V" + long_text + "\n.").root()), tagged_hex('s', long_text));
  EXPECT_EQ(tree_text(parse("I" + std::string(70, '0') + "42\n.").root()), "42");
  EXPECT_EQ(tree_text(parse("F" + std::string(70, '0') + "2.5\n.").root()), "f4004000000000000");
  EXPECT_EQ(tree_text(parse("S\"x\"\n.").root()), "b78");
  EXPECT_EQ(tree_text(parse("T\x02\x00\x00\x00hi."s).root()), "b6869");
  EXPECT_EQ(tree_text(parse("U\x02hi.").root()), "b6869");
  EXPECT_EQ(tree_text(parse("V\\u20ac\\U0001f600\xe9\\\\u0041\n.").root()),
            tagged_hex('s', "\xe2\x82\xac\xf0\x9f\x98\x80\xc3\xa9\\\\u0041"));
  EXPECT_EQ(tree_text(parse("(I1\nI2\nlp0\n(g0\ng0\nl.").root()), "[[1,2],[1,2]]");
  // A recursive memo reference through text PUT/GET is caught as well.
  EXPECT_EQ(decode_failure([] { parse("(lp0\ng0\na."); }), "recursive structure found");
}

TEST(Parser, LongIntegersOfEveryWidth) {
  EXPECT_EQ(tree_text(parse(P3 + bytes({0x8a, 0}) + ".").root()), "0");
  EXPECT_EQ(tree_text(parse(P3 + bytes({0x8a, 1, 0xff}) + ".").root()), "-1");
  EXPECT_EQ(tree_text(parse(P3 + bytes({0x8a, 2, 0xff, 0x00}) + ".").root()), "255");
  // Redundant sign bytes still fit.
  EXPECT_EQ(tree_text(parse(P3 + bytes({0x8a, 10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + ".").root()), "1");
  EXPECT_EQ(tree_text(parse(P3 + bytes({0x8a, 10, 0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}) + ".")
                          .root()),
            "-2");
  const Document u64max = parse(P3 + bytes({0x8a, 9, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0}) + ".");
  EXPECT_EQ(u64max.root().kind(), Kind::BigInt);
  EXPECT_EQ(to_u64(u64max.root()), UINT64_MAX);
  EXPECT_EQ(to_u64(parse(P3 + bytes({0x8a, 8, 0, 0, 0, 0, 0, 0, 0, 0x80}) + ".").root()), std::nullopt);
}

// Single-byte mutations of real streams: whatever the bytes, decoding either
// succeeds or throws DecodeError; nothing else escapes.
TEST(Parser, MutatedStreamsOnlyEverThrowDecodeError) {
  for (const CpythonCase& c : cpython_cases) {
    const std::string stream = from_hex(c.hex);
    if (stream.size() > 400) continue;
    for (std::size_t i = 0; i < stream.size(); ++i) {
      for (int delta : {1, 0x7f, 0x80, 0xfe}) {
        std::string mutated = stream;
        mutated[i] = static_cast<char>(static_cast<unsigned char>(mutated[i]) + delta);
        try {
          parse(mutated);
        } catch (const DecodeError&) {
        }
      }
    }
  }
}

}  // namespace
}  // namespace vxpickle
