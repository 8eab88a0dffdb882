// libFuzzer target for the compound collider's decoder, and for everything a
// decoded collider can be asked afterwards.
//
//   clang++-14 -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -ffp-contract=off
//     -Itangor/include -Itangor/src -Icurvel/include -Ipickle/include fuzz/collider_fuzz.cpp
//     $(find tangor/src curvel/src pickle/src -name '*.cpp') -o collider_fuzz
//   ./collider_fuzz -max_total_time=60
//
// Every input is decoded; a refusal must be a DecodeError carrying the
// library prefix. An accepted collider must write back to a stream that
// reads as the same collider and writes the same bytes, must satisfy the
// kind-mask invariant, and must answer every query kind, collide with
// itself, refine its bound, move, scale and sweep without a fault.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tangor/collider.hpp"
#include "tangor/collider/serialize.hpp"
#include "vxpickle/error.hpp"

namespace {

using namespace tangor;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "collider_fuzz: %s\n", what);
  std::abort();
}

void ask_everything(const Collider<>& c) {
  const Sphere ball{{0.5f, -0.25f, 1.0f}, 2.0f};
  const Capsule capsule = Capsule::create({-1, 0, 0}, {1, 1, 0}, 0.5f);
  const Cuboid box = Cuboid::create({0, 1, 0}, cuboid::IDENTITY_AXES, {1, 0.5f, 2});
  const Cylinder cylinder = Cylinder::create({0, 0, -1}, {0, 0, 1}, 0.75f);
  const ConvexPolygon polygon = ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {0, 1}});
  const ConvexPolytope polytope = ConvexPolytope::create(
      {{{1, 0, 0}, 1}, {{-1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, -1, 0}, 1}, {{0, 0, 1}, 1}, {{0, 0, -1}, 1}},
      {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}});
  volatile bool sink = false;
  sink = sink ^ query_collider(ball, c);
  sink = sink ^ query_collider(capsule, c);
  sink = sink ^ query_collider(box, c);
  sink = sink ^ query_collider(cylinder, c);
  sink = sink ^ query_collider(polygon, c);
  sink = sink ^ query_collider(polytope, c);
  sink = sink ^ query_collider(Plane{{0, 0, 1}, 0.5f}, c);
  sink = sink ^ query_collider(curvel::Line{{0, 0, 0}, {1, 1, 0}}, c);
  sink = sink ^ query_collider(curvel::Ray{{0, 0, 0}, {0, 1, 1}}, c);
  sink = sink ^ query_collider(curvel::LineSegment{{-2, 0, 0}, {2, 0, 0}}, c);
  sink = sink ^ collides_other(c, c);
  sink = sink ^ c.broad_overlaps_any(ball);
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Collider<> c;
  try {
    c = serial::decode<Collider<>>(bytes);
  } catch (const vxpickle::DecodeError& e) {
    if (std::string_view(e.what()).empty()) fail("refusal without a description");
    return 0;
  }

  Collider<> rebuilt = c;
  rebuilt.rebuild_bounding();
  if (rebuilt.mask != c.mask) fail("mask differs from the collections");

  const std::string written = serial::encode(c);
  Collider<> back;
  try {
    back = serial::decode<Collider<>>(written);
  } catch (const vxpickle::DecodeError&) {
    fail("a written collider does not read back");
  }
  if (serial::encode(back) != written) fail("round trip changed the stream");
  if (back.mask != c.mask) fail("round trip changed the mask");

  ask_everything(c);

  Collider<> moved = c;
  moved.refine_bounding();
  moved.translate({1, 2, 3});
  moved.rotate_quat({0.0f, 0.6f, 0.0f, 0.8f});
  moved.rotate_mat(Mat3{{2, 0, 0}, {0, 1, 0}, {0, 0, 0}});
  moved.transform(Affine3{Mat3{{1, 0, 0}, {0.5f, 1, 0}, {0, 0, 1}}, {0, -1, 0}});
  // A cloud whose tree refuses its scaled points leaves the collider as it was.
  (void)moved.scale(-0.5f);
  ask_everything(moved);
  if (moved.mask != c.mask) fail("a move changed the mask");

  if (auto swept = c.try_stretch({0.5f, 0.0f, -0.25f})) ask_everything(with_pointclouds(std::move(*swept)));
  return 0;
}
