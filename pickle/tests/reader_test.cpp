#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "test_support.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"
#include "vxpickle/writer.hpp"

namespace vxpickle {
namespace {

using namespace std::string_literals;
using test::decode_failure;
using test::from_hex;

// Pickle bodies for the tests, spelled with the raw opcodes.
std::string p3(const std::string& body) { return "\x80\x03"s + body + "."; }
std::string i32(std::int32_t v) { return test::binint(v); }
std::string f64(double v) { return test::binfloat(v); }
std::string str(std::string_view text) { return "\x8c"s + static_cast<char>(text.size()) + std::string(text); }
std::string byt(std::string_view text) { return "C"s + static_cast<char>(text.size()) + std::string(text); }
std::string tuple(const std::string& items) { return "(" + items + "t"; }
std::string list(const std::string& items) { return "](" + items + "e"; }
std::string dict(const std::string& pairs) { return "}(" + pairs + "u"; }
const std::string none = "N", yes = "\x88", no = "\x89";

struct Describe {
  std::string body;
  std::string text;
};

TEST(Describe, NamesEachKindOfValue) {
  const Describe cases[] = {
      {none, "unit value"},
      {yes, "boolean `true`"},
      {no, "boolean `false`"},
      {i32(-3), "integer `-3`"},
      {"\x8a\x09"s + std::string(8, '\xff') + "\x00"s, "integer `18446744073709551615`"},
      {"\x8a\x09"s + std::string(8, '\x00') + "\x01"s, "big integer"},
      {f64(1.5), "floating point `1.5`"},
      {f64(1.0), "floating point `1.0`"},
      {f64(-0.0), "floating point `-0.0`"},
      {f64(1e20), "floating point `100000000000000000000.0`"},
      {f64(1e-7), "floating point `0.0000001`"},
      {f64(0.1), "floating point `0.1`"},
      {f64(std::numeric_limits<double>::infinity()), "floating point `inf`"},
      {f64(-std::numeric_limits<double>::infinity()), "floating point `-inf`"},
      {f64(std::nan("")), "floating point `NaN`"},
      {str("abc"), "string \"abc\""},
      {str("a\"b\\c\nd\te\x01"), "string \"a\\\"b\\\\c\\nd\\te\\u{1}\""},
      // Messages are always valid UTF-8 and short: a surrogate (Python writes
      // lone ones), a C1 control and a long text are escaped or cut.
      {str("\xed\xa0\x80"), "string \"\\u{d800}\""},
      {"V\\udfff\\u20ac\n", "string \"\\u{dfff}\xe2\x82\xac\""},
      {str("\xc2\x85"), "string \"\\u{85}\""},
      {str(std::string(60, 'a')), "string \"" + std::string(48, 'a') + "\"..."},
      {byt("abc"), "byte array"},
      {list(""), "sequence"},
      {")", "sequence"},
      {"}", "map"},
      {"\x8f", "set"},
  };
  for (const Describe& c : cases) EXPECT_EQ(describe(parse(p3(c.body)).root()), c.text);
}

// The message of reading body with read, or "" when it succeeds.
template <class Read>
std::string failure(const std::string& body, Read read) {
  const Document doc = parse(p3(body));
  return decode_failure([&] { read(doc.root()); });
}

TEST(TypedReaders, NumbersAndTheirMessages) {
  EXPECT_EQ(read_f32(parse(p3(i32(3))).root()), 3.0f);
  EXPECT_EQ(read_f64(parse(p3(i32(-7))).root()), -7.0);
  EXPECT_EQ(read_f32(parse(p3(f64(1e300))).root()), std::numeric_limits<float>::infinity());
  EXPECT_EQ(read_f32(parse(p3(f64(0.1))).root()), 0.1f);
  EXPECT_EQ(failure(yes, read_f32), "invalid type: boolean `true`, expected f32");
  EXPECT_EQ(failure(str("abc"), read_f64), "invalid type: string \"abc\", expected f64");
  EXPECT_EQ(failure(none, read_f32), "invalid type: unit value, expected f32");
  EXPECT_EQ(failure(i32(1), read_bool), "invalid type: integer `1`, expected a boolean");
  EXPECT_TRUE(read_bool(parse(p3(yes)).root()));
  EXPECT_FALSE(read_bool(parse(p3(no)).root()));
}

TEST(TypedReaders, IntegerToF32RoundsOnce) {
  // 2^60 + 2^36 + 1 lies just above the midpoint of two floats; through a
  // double it would first lose the +1 and then round to even, downwards.
  const std::int64_t v = (std::int64_t{1} << 60) + (std::int64_t{1} << 36) + 1;
  std::string body = "\x8a\x08"s;
  for (int i = 0; i < 8; ++i) body.push_back(static_cast<char>(static_cast<std::uint64_t>(v) >> (8 * i)));
  const float expected = std::ldexp(1.0f, 60) + std::ldexp(1.0f, 37);
  EXPECT_EQ(read_f32(parse(p3(body)).root()), expected);
  EXPECT_NE(static_cast<float>(static_cast<double>(v)), expected);
}

TEST(TypedReaders, IntegersBeyond64BitsReadAsTheNearestFloat) {
  // LONG1 streams as CPython writes them; expected values are Python's float(n).
  const struct {
    std::string stream;
    double f64;
  } cases[] = {
      {"\x8a\x0a\x01\x00\x00\x00\x00\x00\x00\x00\x00\x01"s, 4.722366482869645e+21},          // 2^72 + 1
      {"\x8a\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff"s, -1.2089258196146292e+24},  // -(2^80)
      {"\x8a\x09\x01\x08\x00\x00\x00\x00\x00\x00\x01"s, 1.8446744073709556e+19},  // 2^64 + 2^11 + 1: up
      {"\x8a\x09\x00\xf8\xff\xff\xff\xff\xff\xff\xfe"s, -1.8446744073709552e+19},  // a tie: to even
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read_f64(parse(p3(c.stream)).root()), c.f64);
    EXPECT_EQ(read_f32(parse(p3(c.stream)).root()), static_cast<float>(c.f64));
  }
}

TEST(TypedReaders, IntegersOfAQuarterGigabyteReadAsInfinities) {
  // 2^28 bytes: eight bits each once overflowed the bit count, which read as 0.
  for (const bool negative : {false, true}) {
    const std::uint32_t n = 1u << 28;
    std::string stream = "\x80\x03\x8b"s;
    for (int i = 0; i < 4; ++i) stream.push_back(static_cast<char>(n >> (8 * i)));
    stream.append(n, negative ? '\xfe' : '\x01');
    stream += ".";
    const Document doc = parse(std::move(stream));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(read_f64(doc.root()), negative ? -inf : inf);
    EXPECT_EQ(read_f32(doc.root()), static_cast<float>(negative ? -inf : inf));
  }
}

TEST(TypedReaders, UnsignedRanges) {
  EXPECT_EQ(read_u32(parse(p3(i32(0x7fffffff))).root()), 0x7fffffffu);
  EXPECT_EQ(read_u32(parse(p3("\x8a\x05\xff\xff\xff\xff\x00"s)).root()), 0xffffffffu);
  EXPECT_EQ(failure("\x8a\x05\x00\x00\x00\x00\x01"s, read_u32), "invalid value: integer `4294967296`, expected u32");
  EXPECT_EQ(failure(i32(-1), read_u64), "invalid value: integer `-1`, expected u64");
  EXPECT_EQ(failure(i32(-1), read_usize), "invalid value: integer `-1`, expected usize");
  EXPECT_EQ(failure("\x8a\x09"s + std::string(8, '\x00') + "\x01"s, read_u64),
            "invalid value: big integer, expected u64");
  EXPECT_EQ(failure(f64(1.5), read_u32), "invalid type: floating point `1.5`, expected u32");
  EXPECT_EQ(failure(yes, read_u32), "invalid type: boolean `true`, expected u32");
}

TEST(TypedReaders, Vec3AndFixedArrays) {
  const std::string three = f64(1) + i32(2) + f64(3);
  EXPECT_EQ(read_vec3(parse(p3(tuple(three))).root()), (std::array<float, 3>{1, 2, 3}));
  EXPECT_EQ(read_vec3(parse(p3(list(three))).root()), (std::array<float, 3>{1, 2, 3}));
  EXPECT_EQ(read_vec3(parse(p3(tuple(three + f64(9)))).root()), (std::array<float, 3>{1, 2, 3}));
  EXPECT_EQ(failure(tuple(f64(1) + f64(2)), read_vec3), "invalid length 2, expected a sequence of 3 f32 values");
  EXPECT_EQ(failure(list(""), read_vec3), "invalid length 0, expected a sequence of 3 f32 values");
  EXPECT_EQ(failure("}", read_vec3), "invalid type: map, expected a sequence of 3 f32 values");
  // An item's own fault comes before the shortage that follows it.
  EXPECT_EQ(failure(tuple(str("a")), read_vec3), "invalid type: string \"a\", expected f32");
  EXPECT_EQ(failure(tuple(f64(1)), read_f32_array<2>), "invalid length 1, expected an array of length 2");
  EXPECT_EQ(failure(none, read_f32_array<3>), "invalid type: unit value, expected an array of length 3");
  EXPECT_EQ(read_f32_array<2>(parse(p3(list(f64(4) + f64(5) + f64(6)))).root()), (std::array<float, 2>{4, 5}));
}

TEST(TypedReaders, FixedArraysOfRecordsAndGrowableArrays) {
  // An array of three 3-vectors, as a cuboid's axes.
  const std::string axis = tuple(f64(1) + f64(0) + f64(0));
  std::array<std::array<float, 3>, 3> axes{};
  const Document doc = parse(p3(tuple(axis + axis + axis)));
  read_fixed(doc.root(), 3, array_expectation(3), [&](std::size_t i, const Value& v) { axes[i] = read_vec3(v); });
  EXPECT_EQ(axes[2], (std::array<float, 3>{1, 0, 0}));
  EXPECT_EQ(failure(tuple(axis + axis),
                    [](const Value& v) { read_fixed(v, 3, array_expectation(3), [](std::size_t, const Value&) {}); }),
            "invalid length 2, expected an array of length 3");

  const auto floats = [](const Value& v) { return read_vector<float>(v, read_f32); };
  EXPECT_EQ(floats(parse(p3(list(f64(1) + i32(2)))).root()), (std::vector<float>{1, 2}));
  EXPECT_EQ(floats(parse(p3(tuple(""))).root()), std::vector<float>{});
  EXPECT_EQ(failure(none, floats), "invalid type: unit value, expected a sequence");
  EXPECT_EQ(failure(list(f64(1) + none), floats), "invalid type: unit value, expected f32");

  EXPECT_EQ(read_optional(parse(p3(none)).root()), std::nullopt);
  const Document some = parse(p3(f64(2)));
  EXPECT_EQ(read_optional(some.root()), some.root());
}

struct Components {
  std::size_t n;
  std::string expectation;
};

class F64Components : public ::testing::TestWithParam<Components> {};

TEST_P(F64Components, ReadAtLeastNNumbers) {
  const std::size_t n = GetParam().n;
  std::vector<double> out(n);
  std::string items;
  for (std::size_t i = 0; i < n; ++i) items += i % 2 ? i32(static_cast<std::int32_t>(i)) : f64(i + 0.5);
  decode_f64_components(p3(list(items + f64(99))), out);
  for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(out[i], i % 2 ? double(i) : i + 0.5);

  std::string short_items;
  for (std::size_t i = 0; i + 1 < n; ++i) short_items += f64(1);
  EXPECT_EQ(decode_failure([&] { decode_f64_components(p3(tuple(short_items)), out); }),
            "invalid length " + std::to_string(n - 1) + ", expected " + GetParam().expectation);
  EXPECT_EQ(decode_failure([&] { decode_f64_components(p3("}"), out); }),
            "invalid type: map, expected " + GetParam().expectation);
  EXPECT_EQ(decode_failure([&] { decode_f64_components(p3(tuple(str("x"))), out); }),
            "invalid type: string \"x\", expected f64");

  std::vector<double> written(n, -0.0);
  const std::string canonical = encode_f64_components(written);
  EXPECT_EQ(decode_failure([&] { decode_f64_components(canonical + "\x00"s, out); }), "trailing bytes found");
  EXPECT_EQ(decode_failure([&] { decode_f64_components(canonical.substr(0, canonical.size() - 1), out); }),
            "EOF while parsing");
  EXPECT_EQ(decode_failure([&] { decode_f64_components(std::string_view{}, out); }), "EOF while parsing");
}

INSTANTIATE_TEST_SUITE_P(ValueTypes, F64Components,
                         ::testing::Values(Components{2, "a sequence of 2 f64 values"},
                                           Components{3, "a sequence of 3 f64 values"},
                                           Components{4, "a sequence of 4 f64 values"},
                                           Components{9, "a sequence of 9 f64values"},
                                           Components{12, "a sequence of 12 f64values"},
                                           Components{16, "a sequence of 16 f64values"}));

TEST(F64ComponentsFastPath, AgreesWithTheGeneralReader) {
  std::uint64_t payload_bits = 0x7ff4000000000abcull;
  double payload;
  std::memcpy(&payload, &payload_bits, 8);
  const double written[] = {-0.0, payload, std::numeric_limits<double>::denorm_min()};
  const std::string stream = encode_f64_components(written);
  double fast[3], general[3];
  decode_f64_components(stream, fast);
  read_f64_components(parse(stream).root(), general);
  EXPECT_EQ(std::memcmp(fast, written, sizeof fast), 0);
  EXPECT_EQ(std::memcmp(general, written, sizeof general), 0);
  // The state of a Vec3 read as a Vec2 is the general path (4 items kept 2).
  double two[2];
  decode_f64_components(stream, two);
  EXPECT_EQ(std::memcmp(two, written, sizeof two), 0);
}

// ---- records ----

struct Sphere {
  std::array<float, 3> center{};
  float radius = 0;
};

constexpr Field sphere_fields[] = {{"center"}, {"radius"}};
constexpr RecordSpec sphere_spec{"Sphere", sphere_fields};

Sphere read_sphere(const Value& v) {
  Sphere s;
  read_record(v, sphere_spec, [&](std::size_t i, const Value& f) {
    if (i == 0) s.center = read_vec3(f);
    else s.radius = read_f32(f);
  });
  return s;
}

const std::string center = tuple(f64(1) + f64(2) + f64(3));

TEST(Record, AcceptsTheMapFormInAnyOrderWithUnknownKeys) {
  for (const std::string& body : {dict(str("center") + center + str("radius") + i32(4)),
                                  dict(str("radius") + f64(4) + str("p2") + list("") + str("center") + center),
                                  dict(byt("center") + center + byt("radius") + f64(4)),
                                  dict(i32(0) + none + str("center") + center + str("radius") + f64(4))}) {
    const Sphere s = read_sphere(parse(p3(body)).root());
    EXPECT_EQ(s.center, (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(s.radius, 4.0f);
  }
}

TEST(Record, AcceptsTheSequenceFormIgnoringExtraItems) {
  for (const std::string& body : {list(center + i32(4)), tuple(center + f64(4) + str("extra"))}) {
    const Sphere s = read_sphere(parse(p3(body)).root());
    EXPECT_EQ(s.center, (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(s.radius, 4.0f);
  }
}

TEST(Record, Messages) {
  EXPECT_EQ(failure(dict(str("radius") + f64(4)), read_sphere), "missing field `center`");
  EXPECT_EQ(failure("}", read_sphere), "missing field `center`");
  EXPECT_EQ(failure(dict(str("center") + center), read_sphere), "missing field `radius`");
  EXPECT_EQ(failure(dict(str("center") + center + str("radius") + f64(1) + str("radius") + f64(2)), read_sphere),
            "duplicate field `radius`");
  EXPECT_EQ(failure(dict(str("center") + center + byt("center") + center), read_sphere), "duplicate field `center`");
  EXPECT_EQ(failure(list(center), read_sphere), "invalid length 1, expected struct Sphere with 2 elements");
  EXPECT_EQ(failure(tuple(""), read_sphere), "invalid length 0, expected struct Sphere with 2 elements");
  EXPECT_EQ(failure(none, read_sphere), "invalid type: unit value, expected struct Sphere");
  EXPECT_EQ(failure(f64(1), read_sphere), "invalid type: floating point `1.0`, expected struct Sphere");
  // A nested fault is the nested type's message.
  EXPECT_EQ(failure(list(tuple(f64(1) + f64(2)) + f64(1)), read_sphere),
            "invalid length 2, expected a sequence of 3 f32 values");
  // Entries are read in stream order: a bad value before a repeated key wins.
  EXPECT_EQ(failure(dict(str("center") + none + str("center") + center), read_sphere),
            "invalid type: unit value, expected a sequence of 3 f32 values");

  constexpr Field spline_fields[] = {{"points"}};
  const auto read_spline = [&](const Value& v) {
    read_record(v, {"Spline", spline_fields}, [](std::size_t, const Value&) {});
  };
  EXPECT_EQ(failure(list(""), read_spline), "invalid length 0, expected struct Spline with 1 element");
  EXPECT_EQ(failure("}", read_spline), "missing field `points`");
}

TEST(Record, OptionalFieldsMayBeAbsentFromTheMapOnly) {
  constexpr Field fields[] = {{"r"}, {"inverse_transform", true}};
  int visits = 0;
  const auto read = [&](const Value& v) {
    read_record(v, {"Cloud", fields}, [&](std::size_t, const Value&) { ++visits; });
  };
  read(parse(p3(dict(str("r") + f64(1)))).root());
  EXPECT_EQ(visits, 1);
  EXPECT_EQ(failure(list(f64(1)), read), "invalid length 1, expected struct Cloud with 2 elements");
  EXPECT_EQ(failure(dict(str("inverse_transform") + none), read), "missing field `r`");
}

TEST(Record, WrittenRecordReadsBackBitForBit) {
  const Sphere s{{0.1f, -0.0f, std::numeric_limits<float>::denorm_min()}, std::numeric_limits<float>::max()};
  Writer w;
  w.begin_record();
  w.field("center");
  w.begin_tuple();
  for (float c : s.center) w.f32(c);
  w.end_tuple();
  w.field("radius");
  w.f32(s.radius);
  w.end_record();
  const Sphere back = read_sphere(parse(w.finish()).root());
  EXPECT_EQ(std::memcmp(&back, &s, sizeof s), 0);
}

}  // namespace
}  // namespace vxpickle
