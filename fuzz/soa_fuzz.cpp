// Any byte string must decode to a sphere array that keeps its invariants or
// fail with DecodeError; every operation on a decoded array must stay inside
// its storage. A crash, a sanitizer report or any other exception is a fault.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "tangor/soa/spheres_soa.hpp"
#include "vxpickle/error.hpp"
#include "vxpickle/value.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tangor::soa::SpheresSoA;
  try {
    const vxpickle::Document doc = vxpickle::parse(std::span<const std::uint8_t>(data, size));
    SpheresSoA s = tangor::serial::read<SpheresSoA>(doc.root());
    if (s.data.size() != 4 * s.capacity || s.capacity % 16 != 0 || s.len > s.capacity) std::abort();
    for (std::size_t i = s.len; i < s.capacity; ++i)
      if (!std::isnan(s.rs()[i])) std::abort();
    (void)s.any_collides_sphere_f32x8({{0, 0, 0}, 1e30f});
    (void)tangor::soa::abs_diff_eq(s, s, 0.5f);
    SpheresSoA copy = s;
    tangor::rotate_quat(copy, tangor::Quat{0.5f, 0.5f, 0.5f, 0.5f});
    tangor::transform(copy, tangor::Affine3{});
    tangor::scale(copy, 2.0f);
    copy.push({{1, 2, 3}, 4});
    s.append(copy);
    if (s.len > s.capacity || copy.len != 0) std::abort();
    s.clear();
    if (s.any_collides_sphere_f32x8({{0, 0, 0}, 1e30f})) std::abort();
  } catch (const vxpickle::DecodeError&) {
  }
  return 0;
}
