#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "collider_fixtures.hpp"
#include "tangor/collider/serialize.hpp"
#include "vxpickle/writer.hpp"

namespace {

using namespace collider_fixtures;
using tangor::serial::decode;
using tangor::serial::encode;

std::string decode_error(const std::string& bytes) {
  try {
    (void)decode<Collider<>>(bytes);
  } catch (const vxpickle::DecodeError& e) {
    return e.what();
  }
  return "no error";
}

// The twelve keys, each with an empty list, except "spheres" (the record of
// an empty sphere array); `skip` leaves one key out, `twice` writes one again.
std::string record_bytes(const std::string& skip = "", const std::string& twice = "") {
  vxpickle::Writer w;
  w.begin_record();
  const auto entry = [&](const std::string& key) {
    w.field(key);
    if (key == "spheres") {
      w.begin_record();
      for (const char* axis : {"x", "y", "z", "r"}) {
        w.field(axis);
        w.begin_list();
        w.end_list();
      }
      w.field("len");
      w.uint(0);
      w.end_record();
    } else {
      w.begin_list();
      w.end_list();
    }
  };
  for (const char* key : {"capsules", "cuboids", "cylinders", "planes", "polygons", "polytopes", "points",
                          "spheres", "lines", "rays", "segments", "pointclouds"}) {
    if (key != skip) entry(key);
  }
  if (!twice.empty()) entry(twice);
  w.end_record();
  return w.finish();
}

// Clouds compare by their written form (their sphere arrays have no ==).
bool same_clouds(const Collider<>& a, const Collider<>& b) {
  if (a.pointclouds.items.size() != b.pointclouds.items.size()) return false;
  for (std::size_t i = 0; i < a.pointclouds.items.size(); ++i) {
    vxpickle::Writer wa;
    vxpickle::Writer wb;
    tangor::serial::write(wa, a.pointclouds.items[i]);
    tangor::serial::write(wb, b.pointclouds.items[i]);
    if (wa.finish() != wb.finish()) return false;
  }
  return true;
}

bool same_members(const Collider<>& a, const Collider<>& b) {
  return same_clouds(a, b) && a.capsules.items == b.capsules.items && a.cuboids.items == b.cuboids.items &&
         a.cylinders.items == b.cylinders.items && a.planes == b.planes && a.polygons.items == b.polygons.items &&
         a.polytopes.items == b.polytopes.items && a.points.items == b.points.items && a.lines == b.lines &&
         a.rays == b.rays && a.segments.items == b.segments.items &&
         a.spheres.len == b.spheres.len && a.spheres.capacity == b.spheres.capacity &&
         a.spheres.data.size() == b.spheres.data.size() &&
         (a.spheres.data.empty() ||
          std::memcmp(a.spheres.data.data(), b.spheres.data.data(), a.spheres.data.size() * sizeof(float)) == 0);
}

TEST(ColliderSerialize, RoundTripsEveryKindBitForBit) {
  Scene s(1);
  for (int round = 0; round < 60; ++round) {
    const Collider<> c = s.collider(4, ALL_KINDS);
    const std::string bytes = encode(c);
    const Collider<> back = decode<Collider<>>(bytes);
    ASSERT_TRUE(same_members(c, back)) << round;
    EXPECT_EQ(back.mask, c.mask);
    ASSERT_TRUE(bounds_enclose(back));
    EXPECT_EQ(encode(back), bytes);
  }
}

TEST(ColliderSerialize, EmptyColliderIsTwelveEntries) {
  const std::string bytes = encode(Collider<>{});
  EXPECT_EQ(bytes, record_bytes());
  const Collider<> back = decode<Collider<>>(bytes);
  EXPECT_EQ(back.mask, 0);
  EXPECT_EQ(back.bounding, Sphere{});
}

TEST(ColliderSerialize, DerivedStateIsRebuiltOnReading) {
  Collider<> c;
  c.add(Sphere{{10, 0, 0}, 1});
  c.add(Plane{{0, 0, 1}, 0});
  EXPECT_EQ(c.bounding.center, (Vec3{10, 0, 0}));
  const Collider<> back = decode<Collider<>>(encode(c));
  EXPECT_EQ(back.bounding, (Sphere{{0, 0, 0}, INF}));
  EXPECT_EQ(back.mask, 0x088);

  Collider<> refined;
  refined.add(Sphere{{0, 0, 0}, 1});
  refined.add(Sphere{{4, 0, 0}, 1});
  refined.add(Sphere{{2, 3, 0}, 1});
  Collider<> merged = refined;
  refined.refine_bounding();
  merged.rebuild_bounding();
  EXPECT_EQ(decode<Collider<>>(encode(refined)).bounding, merged.bounding);
}

TEST(ColliderSerialize, PointsComeBackWithRadiusZeroLanes) {
  Collider<> c;
  add_point(c, {1, 2, 3});
  const Collider<> back = decode<Collider<>>(encode(c));
  EXPECT_EQ(back.mask, 0x040);
  EXPECT_EQ(back.points.spheres.sphere(0), (Sphere{{1, 2, 3}, 0}));
}

TEST(ColliderSerialize, MalformedRecordsFail) {
  EXPECT_EQ(decode_error(record_bytes("pointclouds")), "missing field `pointclouds`");
  EXPECT_EQ(decode_error(record_bytes("", "rays")), "duplicate field `rays`");
  // A sequence of eleven values.
  vxpickle::Writer w;
  w.begin_list();
  for (int i = 0; i < 11; ++i) {
    if (i == 7) {
      tangor::serial::write(w, soa::SpheresSoA{});
      continue;
    }
    w.begin_list();
    w.end_list();
  }
  w.end_list();
  EXPECT_EQ(decode_error(w.finish()),
            "invalid length 11, expected struct ColliderHelper with 12 elements");
  vxpickle::Writer f;
  f.f64(1.0);
  EXPECT_EQ(decode_error(f.finish()),
            "invalid type: floating point `1.0`, expected struct ColliderHelper");
  EXPECT_EQ(decode_error(std::string("\x80\x03}", 3)), "EOF while parsing");
}

TEST(ColliderSerialize, InconsistentSphereArrayIsRefused) {
  // len beyond the stored lanes: the queries would read past the arrays.
  std::string bytes = record_bytes();
  const std::string len0 = std::string("X\x03\x00\x00\x00lenJ\x00\x00\x00\x00", 13);
  const std::string len5 = std::string("X\x03\x00\x00\x00lenJ\x05\x00\x00\x00", 13);
  const auto at = bytes.find(len0);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, len0.size(), len5);
  EXPECT_NE(decode_error(bytes), "no error");
}

TEST(ColliderSerialize, ExtraKeysAreSkipped) {
  std::string bytes = record_bytes();
  // Same record with a thirteenth key in front.
  vxpickle::Writer w;
  w.begin_record();
  w.field("unknown");
  w.f64(3.0);
  w.end_record();
  const std::string extra = w.finish();
  // Splice: the extra pair goes right after the opening "}(" of the record.
  const std::string pair = extra.substr(4, extra.size() - 4 - 2);
  bytes.insert(4, pair);
  const Collider<> back = decode<Collider<>>(bytes);
  EXPECT_EQ(back.mask, 0);
}

}  // namespace
