#include "vxpickle/codec.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace vxpickle {
namespace {

using namespace std::string_literals;
using test::binfloat;
using test::binint;
using test::binunicode;
using test::decode_failure;

struct Probe {
  std::array<float, 3> center{};
  std::vector<std::uint32_t> counts;
  std::array<float, 2> ends{};
  bool flag = false;
  float extra = 7.0f;
};

// The record forms' pieces in one record: a tuple, a list, a fixed array
// written as a list, a bool, and a field the dict may leave out.
constinit const RecordForm<Probe, 5> probe_form = record_form<Probe>(
    "Probe", member<&Probe::center>("center"), member<&Probe::counts>("counts"),
    member<&Probe::ends, ArrayOf<Codec<float>, 2, true>>("ends"), member<&Probe::flag>("flag"),
    optional_field(member<&Probe::extra>("extra")));

}  // namespace

template <>
struct Codec<Probe> : RecordCodec<probe_form> {};

namespace {

const std::string probe_state = "\x80\x03}("s + binunicode("center") + "(" + binfloat(1) + binfloat(2) + binfloat(3) +
                                "t" + binunicode("counts") + "](" + binint(4) + binint(5) + "e" + binunicode("ends") +
                                "](" + binfloat(0.5) + binfloat(-0.5) + "e" + binunicode("flag") + "\x88" +
                                binunicode("extra") + binfloat(9) + "u.";

TEST(RecordForm, WritesItsFieldsInDeclaredOrder) {
  EXPECT_EQ(test::to_hex(encode(Probe{{1, 2, 3}, {4, 5}, {0.5f, -0.5f}, true, 9})), test::to_hex(probe_state));
  EXPECT_EQ(test::to_hex(encode(std::vector<Probe>{})), "80035d2e");
}

TEST(RecordForm, ReadsWhatItWrites) {
  const Probe p = decode<Probe>(probe_state);
  EXPECT_EQ(p.center, (std::array<float, 3>{1, 2, 3}));
  EXPECT_EQ(p.counts, (std::vector<std::uint32_t>{4, 5}));
  EXPECT_EQ(p.ends, (std::array<float, 2>{0.5f, -0.5f}));
  EXPECT_TRUE(p.flag);
  EXPECT_EQ(p.extra, 9.0f);
  // The sequence form in declared order (a longer fixed array cut short).
  const Probe q = decode<Probe>("\x80\x03((" + binfloat(1) + binfloat(1) + binfloat(1) + "t)(" + binint(1) +
                                binint(2) + binint(3) + "t\x89" + binint(0) + "t.");
  EXPECT_EQ(q.ends, (std::array<float, 2>{1, 2}));
  EXPECT_EQ(q.extra, 0.0f);
  // The optional field may be missing from the dict; it keeps its default.
  const std::string without_extra = "\x80\x03}("s + binunicode("flag") + "\x89" + binunicode("ends") + "(" +
                                    binfloat(1) + binfloat(2) + "t" + binunicode("counts") + ")" +
                                    binunicode("center") + "(" + binint(1) + binint(2) + binint(3) + "tu.";
  EXPECT_EQ(decode<Probe>(without_extra).extra, 7.0f);
  EXPECT_EQ(decode_failure([] { decode<Probe>("\x80\x03}."); }), "missing field `center`");
  EXPECT_EQ(decode_failure([] { decode<Probe>("\x80\x03)."); }), "invalid length 0, expected struct Probe with 5 elements");
}

// What a reader builds may be a record of parts that it checks afterwards.
struct Counted {
  std::vector<float> values;
};
struct CountedParts : Counted {
  std::size_t stated = 0;
};

constexpr auto counted_form = record_form<Counted, CountedParts>(
    "Counted", member<&Counted::values>("values"),
    field<Counted, CountedParts>(
        "n", [](Writer& w, const Counted& c) { w.uint(c.values.size()); },
        [](const Value& v, CountedParts& parts) { parts.stated = read_usize(v); }));

TEST(RecordForm, ReadsIntoPartsThatTheCallerChecks) {
  Writer w;
  counted_form.write(w, Counted{{1.5f, 2.5f}});
  const std::string stream = w.finish();
  CountedParts parts;
  counted_form.read(parse(stream).root(), parts);
  EXPECT_EQ(parts.values, (std::vector<float>{1.5f, 2.5f}));
  EXPECT_EQ(parts.stated, 2u);
}

}  // namespace
}  // namespace vxpickle
