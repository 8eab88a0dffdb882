#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "test_support.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/writer.hpp"

namespace vxpickle {
namespace {

using test::from_hex;
using test::to_hex;
using test::tree_text;

std::string binint(std::uint32_t v) { return test::binint(static_cast<std::int32_t>(v)); }
using test::binfloat;
std::string unicode(std::string_view text) { return test::binunicode(text); }

const std::string header = from_hex("8003");

TEST(Writer, Vec3StateIsByteExact) {
  const std::string expected = from_hex(
      "800328"
      "473ff0000000000000"
      "474000000000000000"
      "474008000000000000"
      "742e");
  const double components[] = {1.0, 2.0, 3.0};
  EXPECT_EQ(to_hex(encode_f64_components(components)), to_hex(expected));

  Writer w;
  w.begin_tuple();
  for (double c : components) w.f64(c);
  w.end_tuple();
  EXPECT_EQ(to_hex(w.finish()), to_hex(expected));
}

TEST(Writer, ValueTypeStatesHaveTheirLengths) {
  for (std::size_t n : {2, 3, 4, 9, 12, 16}) {
    std::vector<double> components(n, -0.0);
    EXPECT_EQ(encode_f64_components(components).size(), 5 + 9 * n);
  }
}

TEST(Writer, PlaneRecordIsByteExact) {
  Writer w;
  w.begin_record();
  w.field("normal");
  w.begin_tuple();
  w.f32(0.0f);
  w.f32(0.0f);
  w.f32(1.0f);
  w.end_tuple();
  w.field("d");
  w.f32(2.0f);
  w.end_record();
  const std::string expected = header + "}(" + unicode("normal") + "(" + binfloat(0) + binfloat(0) + binfloat(1) +
                               "t" + unicode("d") + binfloat(2) + "u.";
  EXPECT_EQ(to_hex(w.finish()), to_hex(expected));
}

TEST(Writer, ScalarEncodings) {
  struct Case {
    void (*write)(Writer&);
    std::string body;
  };
  const Case cases[] = {
      {[](Writer& w) { w.none(); }, "N"},
      {[](Writer& w) { w.boolean(true); }, "\x88"},
      {[](Writer& w) { w.boolean(false); }, "\x89"},
      {[](Writer& w) { w.uint(0); }, binint(0)},
      {[](Writer& w) { w.uint(0x7fffffff); }, binint(0x7fffffff)},
      {[](Writer& w) { w.uint(0x80000000u); }, from_hex("8a050000008000")},
      {[](Writer& w) { w.uint(0xffffffffu); }, from_hex("8a05ffffffff00")},
      {[](Writer& w) { w.uint(0x100000000u); }, from_hex("8a050000000001")},
      {[](Writer& w) { w.uint(std::numeric_limits<std::uint64_t>::max()); }, from_hex("8a09ffffffffffffffff00")},
      {[](Writer& w) { w.uint(std::uint64_t{1} << 63); }, from_hex("8a09000000000000008000")},
      // The f32 is widened exactly: 0.1f is not 0.1.
      {[](Writer& w) { w.f32(0.1f); }, from_hex("473fb99999a0000000")},
      {[](Writer& w) { w.f64(-0.0); }, from_hex("478000000000000000")},
      {[](Writer& w) { w.text("h\xc3\xa9"); }, unicode("h\xc3\xa9")},
      {[](Writer& w) { w.text(""); }, unicode("")},
  };
  for (const Case& c : cases) {
    Writer w;
    c.write(w);
    EXPECT_EQ(to_hex(w.finish()), to_hex(header + c.body + "."));
  }
}

// The batched form of a list of n items: MARK, then after every 1000 items
// APPENDS and a new MARK, then a closing APPENDS.
std::string batched_list(std::size_t n) {
  std::string s = "]";
  if (n == 0) return s;
  s += "(";
  for (std::size_t i = 0; i < n; ++i) {
    s += binint(static_cast<std::uint32_t>(i));
    if ((i + 1) % 1000 == 0) s += "e(";
  }
  return s + "e";
}

class ListBatches : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ListBatches, MatchTheBatchedFormAndReadBack) {
  const std::size_t n = GetParam();
  Writer w;
  w.begin_list();
  for (std::size_t i = 0; i < n; ++i) w.uint(i);
  w.end_list();
  const std::string stream = w.finish();
  EXPECT_EQ(to_hex(stream), to_hex(header + batched_list(n) + "."));
  const Document doc = parse(stream);
  const auto items = read_sequence(doc.root());
  ASSERT_EQ(items.size(), n);
  std::size_t i = 0;
  for (const Value item : items) ASSERT_EQ(read_usize(item), i++);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ListBatches, ::testing::Values(0, 1, 999, 1000, 1001, 2000, 2500));

TEST(Writer, TwentyFiveHundredItemsAreThreeBatches) {
  Writer w;
  w.begin_list();
  for (int i = 0; i < 2500; ++i) w.f32(1.0f);
  w.end_list();
  const std::string stream = w.finish();
  std::string batches;
  std::size_t count = 0;
  for (std::size_t i = 3; i < stream.size(); ++i) {
    if (stream[i] == 'G') {
      ++count;
      i += 8;
    } else if (stream[i] == 'e') {
      batches += std::to_string(count) + " ";
      count = 0;
    }
  }
  EXPECT_EQ(batches, "1000 1000 500 ");
  EXPECT_EQ(stream.substr(0, 4), header + "](");
}

TEST(Writer, EmptyListIsEmptyListAlone) {
  Writer w;
  w.begin_list();
  w.end_list();
  EXPECT_EQ(to_hex(w.finish()), "80035d2e");
}

TEST(Writer, RecordBatchesEveryThousandPairs) {
  for (std::size_t n : {0, 1, 1000, 1001}) {
    Writer w;
    w.begin_record();
    std::string expected = "}";
    if (n > 0) expected += "(";
    for (std::size_t i = 0; i < n; ++i) {
      std::string name = "f";
      name += std::to_string(i);
      w.field(name);
      w.uint(i);
      expected += unicode(name) + binint(static_cast<std::uint32_t>(i));
      if ((i + 1) % 1000 == 0) expected += "u(";
    }
    if (n > 0) expected += "u";
    w.end_record();
    const std::string stream = w.finish();
    EXPECT_EQ(to_hex(stream), to_hex(header + expected + ".")) << n << " fields";
    EXPECT_EQ(parse(stream).root().entries().size(), n);
  }
}

TEST(Writer, NestedContainersCountAsOneItemEach) {
  Writer w;
  w.begin_list();
  for (int i = 0; i < 2; ++i) {
    w.begin_record();
    w.field("p");
    w.begin_list();
    w.begin_tuple();
    w.f64(i);
    w.f64(0.5);
    w.end_tuple();
    w.end_list();
    w.field("q");
    w.none();
    w.end_record();
  }
  w.end_list();
  const Document doc = parse(w.finish());
  const std::string p = "s70";  // "p"
  const std::string q = "s71";  // "q"
  EXPECT_EQ(tree_text(doc.root()), "[{" + p + ":[(f0000000000000000,f3fe0000000000000)]," + q + ":None},{" + p +
                                       ":[(f3ff0000000000000,f3fe0000000000000)]," + q + ":None}]");
}

TEST(Writer, FloatsRoundTripBitForBit) {
  const double doubles[] = {0.0, -0.0, 1.0 / 3.0, std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::max()};
  std::uint64_t nan_bits = 0x7ff8000000000123ull;
  double nan_payload;
  std::memcpy(&nan_payload, &nan_bits, 8);
  Writer w;
  w.begin_tuple();
  for (double d : doubles) w.f64(d);
  w.f64(nan_payload);
  w.end_tuple();
  double back[7];
  decode_f64_components(w.finish(), back);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(std::memcmp(&back[i], &doubles[i], 8), 0) << i;
  EXPECT_EQ(std::memcmp(&back[6], &nan_payload, 8), 0);

  const float floats[] = {0.1f, -0.0f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(),
                          -std::numeric_limits<float>::infinity()};
  Writer fw;
  fw.begin_list();
  for (float f : floats) fw.f32(f);
  fw.end_list();
  const Document doc = parse(fw.finish());
  const auto items = read_sequence(doc.root());
  ASSERT_EQ(items.size(), 5u);
  std::size_t i = 0;
  for (const Value item : items) {
    const float f = read_f32(item);
    EXPECT_EQ(std::memcmp(&f, &floats[i], 4), 0) << i;
    ++i;
  }
}

TEST(Writer, UnsignedIntegersRoundTrip) {
  const std::uint64_t values[] = {0, 1, 0x7fffffff, 0x80000000u, 0xffffffffu, 0x100000000u,
                                  std::uint64_t{1} << 63, std::numeric_limits<std::uint64_t>::max()};
  for (std::uint64_t v : values) {
    Writer w;
    w.uint(v);
    EXPECT_EQ(read_u64(parse(w.finish()).root()), v);
  }
}

}  // namespace
}  // namespace vxpickle
