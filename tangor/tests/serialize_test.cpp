#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

#include "oracle_shapes.hpp"
#include "tangor/serialize.hpp"
#include "vxpickle/error.hpp"

using namespace tangor;

namespace {

// Opcode builders straight from the protocol-3 table, independent of the
// library's writer.
struct Bytes {
  std::string s;
  Bytes& op(char c) { s.push_back(c); return *this; }
  Bytes& key(std::string_view k) {
    s.push_back('X');
    const std::uint32_t n = static_cast<std::uint32_t>(k.size());
    for (int i = 0; i < 4; ++i) s.push_back(char((n >> (8 * i)) & 0xff));
    s.append(k);
    return *this;
  }
  Bytes& f(double v) {
    s.push_back('G');
    const auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 7; i >= 0; --i) s.push_back(char((u >> (8 * i)) & 0xff));
    return *this;
  }
  Bytes& vec(double x, double y, double z) { return op('(').f(x).f(y).f(z).op('t'); }
  std::string framed() const { return std::string("\x80\x03", 2) + s + "."; }
};

std::string decode_error(auto&& decode) {
  try {
    decode();
  } catch (const vxpickle::DecodeError& e) {
    return e.what();
  }
  return "no error";
}

template <class T>
std::string encode_with(auto&& body) {
  vxpickle::Writer w;
  body(w);
  return w.finish();
}

}  // namespace

TEST(SerializedForm, SphereBytes) {
  const std::string want = Bytes{}.op('}').op('(').key("center").vec(1, 2, 3).key("radius").f(0.5).op('u').framed();
  EXPECT_EQ(serial::encode(Sphere{{1, 2, 3}, 0.5f}), want);
}

TEST(SerializedForm, PlaneBytes) {
  const std::string want = Bytes{}.op('}').op('(').key("normal").vec(0, 0, 1).key("d").f(2).op('u').framed();
  EXPECT_EQ(serial::encode(Plane{{0, 0, 1}, 2}), want);
}

TEST(SerializedForm, AxisAlignedBoxBytes) {
  const Cuboid b = Cuboid::create({1, -2, 0.25f}, cuboid::IDENTITY_AXES, {1, 2, 3});
  const std::string want = Bytes{}
                               .op('}')
                               .op('(')
                               .key("center").vec(1, -2, 0.25)
                               .key("axes").op('(').vec(1, 0, 0).vec(0, 1, 0).vec(0, 0, 1).op('t')
                               .key("half_extents").vec(1, 2, 3)
                               .key("axis_aligned").op('\x88')
                               .op('u')
                               .framed();
  EXPECT_EQ(serial::encode(b), want);
}

TEST(SerializedForm, RoundTripsAreBitExact) {
  oracle::Shapes gen(61);
  for (int i = 0; i < 200; ++i) {
    const Cuboid b = gen.box();
    EXPECT_EQ(serial::decode<Cuboid>(serial::encode(b)), b);
    const Capsule c = gen.capsule();
    EXPECT_EQ(serial::decode<Capsule>(serial::encode(c)), c);
    const Cylinder y = gen.cylinder();
    EXPECT_EQ(serial::decode<Cylinder>(serial::encode(y)), y);
    const Sphere s = gen.sphere();
    EXPECT_EQ(serial::decode<Sphere>(serial::encode(s)), s);
    const ConvexPolygon p = gen.polygon();
    EXPECT_EQ(serial::decode<ConvexPolygon>(serial::encode(p)), p);
    const ConvexPolytope q = gen.tetrahedron();
    EXPECT_EQ(serial::decode<ConvexPolytope>(serial::encode(q)), q);
    const Point pt{gen.point()};
    EXPECT_EQ(serial::decode<Point>(serial::encode(pt)), pt);
  }
  // Infinities and signed zeros survive too.
  const Plane odd{{-0.0f, INF, 1e-45f}, -INF};
  const Plane back = serial::decode<Plane>(serial::encode(odd));
  EXPECT_TRUE(std::signbit(back.normal.x));
  EXPECT_EQ(back, odd);
}

TEST(SerializedForm, SequenceFormsAndStandardErrors) {
  const std::string list = Bytes{}.op(']').op('(').vec(1, 2, 3).op('J').s + std::string("\x04\0\0\0", 4);
  const Sphere s = serial::decode<Sphere>(Bytes{list + "e"}.framed());
  EXPECT_EQ(s, (Sphere{{1, 2, 3}, 4}));
  EXPECT_EQ(decode_error([] { serial::decode<Sphere>(Bytes{}.op(']').op('(').vec(1, 2, 3).op('e').framed()); }),
            "invalid length 1, expected struct Sphere with 2 elements");
  EXPECT_EQ(decode_error([] { serial::decode<Sphere>(Bytes{}.op('N').framed()); }),
            "invalid type: unit value, expected struct Sphere");
  EXPECT_EQ(decode_error([] { serial::decode<Sphere>(std::string("\x80\x03}", 3)); }),
            "EOF while parsing");

  const auto capsule_stream = [](bool with_rdv, bool twice_radius, bool extra) {
    return encode_with<Capsule>([&](vxpickle::Writer& w) {
      w.begin_record();
      w.field("p1");
      serial::write(w, Vec3{0, 0, 0});
      w.field("dir");
      serial::write(w, Vec3{0, 0, 2});
      w.field("radius");
      w.f32(1);
      if (twice_radius) {
        w.field("radius");
        w.f32(2);
      }
      if (extra) {
        w.field("p2");
        serial::write(w, Vec3{9, 9, 9});
      }
      if (with_rdv) {
        w.field("rdv");
        w.f32(0);  // inconsistent with dir, taken as stored
      }
      w.field("z_aligned");
      w.boolean(true);
      w.end_record();
    });
  };
  EXPECT_EQ(decode_error([&] { serial::decode<Capsule>(capsule_stream(false, false, false)); }),
            "missing field `rdv`");
  EXPECT_EQ(decode_error([&] { serial::decode<Capsule>(capsule_stream(true, true, false)); }),
            "duplicate field `radius`");
  const Capsule c = serial::decode<Capsule>(capsule_stream(true, false, true));
  EXPECT_EQ(c.rdv, 0.0f);
  EXPECT_EQ(c.dir.z, 2.0f);
  // A nested fault reports the nested type's message.
  const std::string short_center = encode_with<Sphere>([](vxpickle::Writer& w) {
    w.begin_record();
    w.field("center");
    w.begin_tuple();
    w.f32(1);
    w.f32(2);
    w.end_tuple();
    w.field("radius");
    w.f32(1);
    w.end_record();
  });
  EXPECT_EQ(decode_error([&] { serial::decode<Sphere>(short_center); }),
            "invalid length 2, expected a sequence of 3 f32 values");
}

TEST(SerializedForm, PolygonDerivedDataIsTakenAsStoredButLengthsMustAgree) {
  ConvexPolygon p = ConvexPolygon::create({}, {0, 0, 1}, {{0, 0}, {1, 0}, {0, 1}});
  p.vertices_3d.clear();
  EXPECT_TRUE(serial::decode<ConvexPolygon>(serial::encode(p)).vertices_3d.empty());

  ConvexPolygon bad = p;
  bad.edge_normals_2d.pop_back();
  EXPECT_EQ(decode_error([&] { serial::decode<ConvexPolygon>(serial::encode(bad)); }),
            "invalid length 2, expected edge_normals_2d with one entry per 2-D vertex (3)");
  bad = p;
  bad.edge_offsets_2d.push_back(1.0f);
  EXPECT_EQ(decode_error([&] { serial::decode<ConvexPolygon>(serial::encode(bad)); }),
            "invalid length 4, expected edge_offsets_2d with one entry per 2-D vertex (3)");
  bad = p;
  bad.vertices_2d.pop_back();
  EXPECT_NE(decode_error([&] { serial::decode<ConvexPolygon>(serial::encode(bad)); }), "no error");
}

TEST(SerializedForm, PolytopePlanesAsTuplesOrRecords) {
  const ConvexPolytope q = oracle::Shapes::polytope_from_box(Cuboid::create({}, cuboid::IDENTITY_AXES, {1, 2, 3}));
  const std::string as_records = encode_with<ConvexPolytope>([&](vxpickle::Writer& w) {
    w.begin_record();
    w.field("planes");
    w.begin_list();
    for (const Plane& p : q.planes) serial::write(w, p);
    w.end_list();
    w.field("vertices");
    w.begin_list();
    for (const Vec3& v : q.vertices) serial::write(w, v);
    w.end_list();
    w.field("obb");
    serial::write(w, q.obb);
    w.end_record();
  });
  EXPECT_EQ(serial::decode<ConvexPolytope>(as_records), q);

  const std::string empty = serial::encode(ConvexPolytope::create({}, {}));
  const std::string want_head = Bytes{}.op('}').op('(').key("planes").op(']').key("vertices").op(']').key("obb").s;
  EXPECT_EQ(empty.substr(2, want_head.size()), want_head);
  EXPECT_EQ(serial::decode<ConvexPolytope>(empty).obb, Cuboid{});
}
