#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "curvel/serialize.hpp"
#include "vxpickle/error.hpp"

namespace curvel {
namespace {

using namespace std::string_view_literals;

// A hand encoder of protocol-3 opcodes, independent of the library's writer.
struct Stream {
  std::string bytes = "\x80\x03";

  Stream& op(std::string_view ops) { bytes += ops; return *this; }
  Stream& key(std::string_view name) {
    bytes += 'X';
    const auto n = static_cast<std::uint32_t>(name.size());
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>((n >> (8 * k)) & 0xff);
    bytes += name;
    return *this;
  }
  Stream& f64(double d) {
    bytes += 'G';
    const auto bits = std::bit_cast<std::uint64_t>(d);
    for (int k = 7; k >= 0; --k) bytes += static_cast<char>((bits >> (8 * k)) & 0xff);
    return *this;
  }
  Stream& vec(Vec3 v) { return op("(").f64(v.x).f64(v.y).f64(v.z).op("t"); }
  std::string done() const { return bytes + "."; }
};

std::string from_hex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

template <class T>
std::string decode_error(const std::string& bytes) {
  try {
    serial::decode<T>(bytes);
  } catch (const vxpickle::DecodeError& e) {
    return e.what();
  }
  return "(decoded)";
}

const float NaN = std::numeric_limits<float>::quiet_NaN();

TEST(SerializedForm, RecordsAreByteExact) {
  const LineSegment segment{{1.5f, -2.0f, 0.1f}, {4.0f, 5.0f, 6.0f}};
  EXPECT_EQ(serial::encode(segment),
            Stream{}.op("}(").key("start").vec(segment.start).key("end").vec(segment.end).op("u").done());
  const Ray ray{{0, 1, 2}, {3, 4, 5}};
  EXPECT_EQ(serial::encode(ray), Stream{}.op("}(").key("origin").vec(ray.origin).key("dir").vec(ray.dir).op("u").done());
  EXPECT_EQ(serial::encode(Line{ray.origin, ray.dir}), serial::encode(ray));
  EXPECT_EQ(serial::encode(Interval{0.25f, -1.0f}),
            Stream{}.op("}(").key("min").f64(0.25).key("max").f64(-1.0).op("u").done());
  const Nearest nearest{0.5f, {1, 2, 3}, INF};
  EXPECT_EQ(serial::encode(nearest), Stream{}.op("}(").key("t").f64(0.5).key("point").vec(nearest.point)
                                         .key("dist_sq").f64(INFINITY).op("u").done());
}

TEST(SerializedForm, CurvesWriteTheirPointsAsAList) {
  const QuadraticBezier quad{{Vec3{1, 2, 3}, Vec3{4, 5, 6}, Vec3{7, 8, 9}}};
  EXPECT_EQ(serial::encode(quad), Stream{}.op("}(").key("points").op("](").vec(quad.points[0]).vec(quad.points[1])
                                      .vec(quad.points[2]).op("eu").done());
  EXPECT_EQ(serial::encode(Spline{}), Stream{}.op("}(").key("points").op("]u").done());
  EXPECT_EQ(serial::encode(Polyline{}), serial::encode(Spline{}));

  Spline long_curve;
  for (int k = 0; k < 2500; ++k) long_curve.points.push_back(Vec3{float(k), 0, 1});
  Stream expected;
  expected.op("}(").key("points").op("]");
  for (int k = 0; k < 2500; ++k) {
    if (k % 1000 == 0) expected.op("(");
    expected.vec(long_curve.points[k]);
    if (k % 1000 == 999 || k == 2499) expected.op("e");
  }
  EXPECT_EQ(serial::encode(long_curve), expected.op("u").done());
}

TEST(SerializedForm, RoundTripsKeepEveryBit) {
  const Vec3 odd{NaN, -0.0f, std::numeric_limits<float>::denorm_min()};
  const Vec3 big{std::numeric_limits<float>::max(), -INFINITY, 1e-30f};
  auto same_bits = [](Vec3 a, Vec3 b) {
    return std::bit_cast<std::array<std::uint32_t, 3>>(a) == std::bit_cast<std::array<std::uint32_t, 3>>(b);
  };
  const LineSegment segment = serial::decode<LineSegment>(serial::encode(LineSegment{odd, big}));
  EXPECT_TRUE(same_bits(segment.start, odd));
  EXPECT_TRUE(same_bits(segment.end, big));
  EXPECT_EQ(serial::decode<Line>(serial::encode(Line{big, {1, 2, 3}})), (Line{big, {1, 2, 3}}));
  EXPECT_EQ(serial::decode<Ray>(serial::encode(Ray{{1, 2, 3}, big})), (Ray{{1, 2, 3}, big}));
  EXPECT_EQ(serial::decode<Interval>(serial::encode(Interval{3, -3})), (Interval{3, -3}));
  const Nearest nearest{0.125f, {0.1f, 0.2f, 0.3f}, INF};
  EXPECT_EQ(serial::decode<Nearest>(serial::encode(nearest)), nearest);
  const CubicBezier cubic{{Vec3{0.1f, 0, 0}, big, Vec3{3, 3, 3}, Vec3{-1, 1e-7f, 2}}};
  EXPECT_EQ(serial::decode<CubicBezier>(serial::encode(cubic)), cubic);
  Polyline poly;
  for (int k = 0; k < 1234; ++k) poly.points.push_back(Vec3{float(k) * 0.1f, 1.0f / float(k + 1), -float(k)});
  EXPECT_EQ(serial::decode<Polyline>(serial::encode(poly)), poly);
  EXPECT_EQ(serial::decode<Spline>(serial::encode(Spline{poly.points})).points, poly.points);
  EXPECT_TRUE(serial::decode<Spline>(serial::encode(Spline{})).points.empty());
}

TEST(SerializedForm, ReadsTheOtherAcceptedForms) {
  // Python's own pickler (memo opcodes included): keys out of order plus an extra key.
  const std::string python_ray = from_hex(
      "80037d7100285803000000646972710147401000000000000047401400000000000047401a00000000000087710258060000006f"
      "726967696e7103473ff000000000000047c0000000000000004740080000000000008771045805000000657874726171055d7106"
      "284b01580100000078710765752e");
  EXPECT_EQ(serial::decode<Ray>(python_ray), (Ray{{1, -2, 3}, {4, 5, 6.5f}}));
  // A list [origin, dir] with integer components.
  const std::string python_list = from_hex(
      "80035d710028473ff00000000000004740000000000000004740080000000000008771014b044b054b06877102652e");
  EXPECT_EQ(serial::decode<Line>(python_list), (Line{{1, 2, 3}, {4, 5, 6}}));
  // Five control points for a quadratic: the first three are taken.
  const std::string python_five = from_hex(
      "80037d71005806000000706f696e747371015d710228470000000000000000470000000000000000470000000000000000877103"
      "473ff000000000000047400000000000000047400800000000000087710447401000000000000047401400000000000047401800"
      "000000000087710547401c00000000000047402000000000000047402200000000000087710647402400000000000047402600"
      "000000000047402800000000000087710765732e");
  EXPECT_EQ(serial::decode<QuadraticBezier>(python_five),
            (QuadraticBezier{{Vec3{0, 0, 0}, Vec3{1, 2, 3}, Vec3{4, 5, 6}}}));
  EXPECT_EQ(serial::decode<CubicBezier>(python_five).points[3], (Vec3{7, 8, 9}));
  // A three-element sequence for a two-field record ignores the extra item;
  // a bytes key names a field as text does; an integer reads as a float.
  EXPECT_EQ(serial::decode<Line>(Stream{}.op("(").vec({1, 1, 1}).vec({2, 2, 2}).vec({3, 3, 3}).op("t").done()),
            (Line{{1, 1, 1}, {2, 2, 2}}));
  EXPECT_EQ(serial::decode<Interval>(Stream{}.op("}(C\x03min").op("J\x02\x00\x00\x00"sv).key("max").f64(7.5).op("u").done()),
            (Interval{2, 7.5f}));
  EXPECT_EQ(serial::decode<Spline>(Stream{}.op("(]t").done()), Spline{});
}

TEST(SerializedForm, MalformedRecordsFailWithTheStandardMessages) {
  struct Case {
    std::string bytes;
    std::string (*decode)(const std::string&);
    std::string message;
  };
  const Vec3 v{1, 2, 3};
  const Case cases[] = {
      {Stream{}.op("}(").key("origin").vec(v).op("u").done(), decode_error<Line>,
       "missing field `dir`"},
      {Stream{}.op("}(").key("origin").vec(v).key("dir").vec(v).key("origin").vec(v).op("u").done(),
       decode_error<Ray>, "duplicate field `origin`"},
      {Stream{}.op("(").vec(v).op("l").done(), decode_error<Ray>,
       "invalid length 1, expected struct Ray with 2 elements"},
      {Stream{}.op("]").done(), decode_error<Ray>,
       "invalid length 0, expected struct Ray with 2 elements"},
      {Stream{}.op("J\x05\x00\x00\x00"sv).done(), decode_error<Interval>,
       "invalid type: integer `5`, expected struct Interval"},
      {Stream{}.op("(").f64(0).vec(v).op("t").done(), decode_error<Nearest>,
       "invalid length 2, expected struct Nearest with 3 elements"},
      {Stream{}.op("}(").key("start").op("(").f64(1).f64(2).op("t").key("end").vec(v).op("u").done(),
       decode_error<LineSegment>, "invalid length 2, expected a sequence of 3 f32 values"},
      {Stream{}.op("}(").key("points").op("](").vec(v).vec(v).op("eu").done(), decode_error<QuadraticBezier>,
       "invalid length 2, expected an array of length 3"},
      {Stream{}.op("}(").key("points").op("](").vec(v).vec(v).vec(v).op("eu").done(), decode_error<CubicBezier>,
       "invalid length 3, expected an array of length 4"},
      {Stream{}.op("]").done(), decode_error<CubicBezier>,
       "invalid length 0, expected struct Bezier with 1 element"},
      {Stream{}.op("}").done(), decode_error<Spline>, "missing field `points`"},
      {Stream{}.op("N").done(), decode_error<Polyline>,
       "invalid type: unit value, expected struct Polyline"},
      {Stream{}.op("}(").key("min").op("\x88").key("max").f64(1).op("u").done(), decode_error<Interval>,
       "invalid type: boolean `true`, expected f32"},
      {Stream{}.op("}(").key("points").op("](").vec(v).op("Ne").op("u").done(), decode_error<Spline>,
       "invalid type: unit value, expected a sequence of 3 f32 values"},
      {Stream{}.op("}(").key("t").f64(0.5).bytes, decode_error<Nearest>, "EOF while parsing"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.decode(c.bytes), c.message);
}

}  // namespace
}  // namespace curvel
