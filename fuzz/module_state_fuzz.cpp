// libFuzzer target for the pickled states of SphereCollection and Collider,
// through the decoders their constructors call (src/colliders/state.hpp).
// Every input is offered to both. A refusal must be a DecodeError; an
// accepted value must survive what the classes then do with it: read every
// sphere, test, push, clear and compare a sphere array; copy, merge into
// itself, query, move, sweep and write back a collider (the written state
// reading back to the same bytes). A crash, a sanitizer report or any other
// exception is a fault.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "colliders/state.hpp"
#include "vxpickle/error.hpp"

namespace {

using namespace tangor;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "module_state_fuzz: %s\n", what);
  std::abort();
}

void use_sphere_collection(soa::SpheresSoA s) {
  if (s.data.size() != 4 * s.capacity || s.capacity % 16 != 0 || s.len > s.capacity) fail("broken layout");
  for (std::size_t i = s.len; i < s.capacity; ++i)
    if (!std::isnan(s.rs()[i])) fail("a padding lane can hit");
  volatile float sink = 0.0f;
  for (std::size_t i = 0; i < s.len; ++i) sink = sink + s.sphere(i).radius;
  (void)s.any_collides_sphere_f32x8({{0, 0, 0}, 1e30f});
  (void)soa::abs_diff_eq(s, s, 0.5f);
  s.push({{1, 2, 3}, 4});
  s.clear();
  if (s.any_collides_sphere_f32x8({{1, 2, 3}, 1e30f})) fail("a cleared array hits");
}

void use_collider(const Collider<>& c) {
  const std::string written = serial::encode(c);
  if (serial::encode(vx::colliders::decode_collider(written)) != written) fail("round trip changed the state");
  Collider<> merged = c;
  merged.include(Collider<>(c));
  if (merged.mask != c.mask) fail("merging a collider with itself changed the mask");
  volatile bool sink = query_collider(Sphere{{0, 0, 0}, 1}, merged) || collides_other(merged, c);
  merged.translate({1, -2, 0.5f});
  merged.refine_bounding();
  if (auto swept = c.try_stretch({0, 0, 1})) sink = sink || collides_other(with_pointclouds(std::move(*swept)), c);
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    use_sphere_collection(vx::colliders::decode_sphere_collection(bytes));
  } catch (const vxpickle::DecodeError&) {
  }
  try {
    use_collider(vx::colliders::decode_collider(bytes));
  } catch (const vxpickle::DecodeError&) {
  }
  return 0;
}
