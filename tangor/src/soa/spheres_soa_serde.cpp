#include <array>
#include <span>
#include <string>
#include <vector>

#include "tangor/soa/spheres_soa.hpp"
#include "vxpickle/codec.hpp"

namespace vxpickle {

using tangor::soa::SpheresSoA;

namespace {

using F32List = ListOf<Codec<float>>;

// What the record holds before it is checked: the four arrays as stored.
struct SpheresParts {
  std::array<std::vector<float>, 4> arrays;
  std::size_t len = 0;
};

// Array a (x, y, z, r): the first `capacity` lanes of the a-th quarter of
// the lane storage (each quarter is `stride` lanes long).
template <std::size_t a>
constexpr auto lane_array(std::string_view name) {
  return field<SpheresSoA, SpheresParts>(
      name,
      [](Writer& w, const SpheresSoA& s) {
        F32List::write(w, std::span<const float>(s.data.data() + a * s.stride, s.capacity));
      },
      [](const Value& stored, SpheresParts& parts) { parts.arrays[a] = F32List::read(stored); });
}

constexpr auto spheres_form = record_form<SpheresSoA, SpheresParts>(
    "Helper", lane_array<0>("x"), lane_array<1>("y"), lane_array<2>("z"), lane_array<3>("r"),
    field<SpheresSoA, SpheresParts>(
        "len", [](Writer& w, const SpheresSoA& s) { Codec<std::size_t>::write(w, s.len); },
        [](const Value& stored, SpheresParts& parts) { parts.len = Codec<std::size_t>::read(stored); }));

[[noreturn]] void refuse(const std::string& why) { throw DecodeError("invalid sphere array: " + why); }

}  // namespace

void Codec<SpheresSoA>::write(Writer& w, const SpheresSoA& spheres) { spheres_form.write(w, spheres); }

SpheresSoA Codec<SpheresSoA>::read(const Value& value) {
  SpheresParts parts;
  spheres_form.read(value, parts);
  const auto& arrays = parts.arrays;

  // The lane kernels index all four arrays up to the capacity and rely on the
  // spare lanes' NaN radius, so a state that breaks the layout never becomes
  // an array.
  const std::size_t capacity = arrays[0].size();
  for (int array = 1; array < 4; ++array)
    if (arrays[array].size() != capacity)
      refuse("x, y, z and r hold " + std::to_string(capacity) + ", " + std::to_string(arrays[1].size()) + ", " +
             std::to_string(arrays[2].size()) + " and " + std::to_string(arrays[3].size()) + " lanes");
  if (capacity % tangor::soa::kCapacityStep != 0)
    refuse("capacity " + std::to_string(capacity) + " is not a multiple of 16");
  if (parts.len > capacity)
    refuse("len " + std::to_string(parts.len) + " exceeds the capacity " + std::to_string(capacity));

  SpheresSoA out;
  out.capacity = capacity;
  out.stride = capacity;
  out.len = parts.len;
  out.data = tangor::AlignedBuffer<float>(tangor::soa::kSpheresAlignment);
  out.data.reserve(4 * capacity);
  for (const std::vector<float>& array : arrays)
    for (float lane : array) out.data.push_back(lane);
  for (std::size_t i = parts.len; i < capacity; ++i) out.rs()[i] = tangor::soa::kSpareRadius;
  return out;
}

}  // namespace vxpickle
