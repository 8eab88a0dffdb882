#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "f32_list.hpp"
#include "tangor/soa/spheres_soa.hpp"
#include "vxpickle/error.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"

namespace tangor::serial {

using soa::SpheresSoA;

namespace {

[[noreturn]] void refuse(const std::string& why) {
  throw vxpickle::DecodeError("invalid sphere array: " + why);
}

}  // namespace

void write(vxpickle::Writer& out, const SpheresSoA& spheres) {
  out.begin_record();
  out.field("x");
  write_f32_list(out, spheres.xs(), spheres.capacity);
  out.field("y");
  write_f32_list(out, spheres.ys(), spheres.capacity);
  out.field("z");
  write_f32_list(out, spheres.zs(), spheres.capacity);
  out.field("r");
  write_f32_list(out, spheres.rs(), spheres.capacity);
  out.field("len");
  out.uint(spheres.len);
  out.end_record();
}

template <>
SpheresSoA read<SpheresSoA>(const vxpickle::Value& value) {
  static constexpr vxpickle::Field kFields[] = {{"x"}, {"y"}, {"z"}, {"r"}, {"len"}};
  std::vector<float> arrays[4];
  std::size_t len = 0;
  vxpickle::read_record(value, {"Helper", kFields}, [&](std::size_t field, const vxpickle::Value& v) {
    if (field < 4)
      arrays[field] = read_f32_list(v);
    else
      len = vxpickle::read_usize(v);
  });

  // The lane kernels index all four arrays up to the capacity and rely on the
  // spare lanes' NaN radius, so a state that breaks the layout never becomes
  // an array.
  const std::size_t capacity = arrays[0].size();
  for (int array = 1; array < 4; ++array)
    if (arrays[array].size() != capacity)
      refuse("x, y, z and r hold " + std::to_string(capacity) + ", " +
             std::to_string(arrays[1].size()) + ", " + std::to_string(arrays[2].size()) +
             " and " + std::to_string(arrays[3].size()) + " lanes");
  if (capacity % soa::kCapacityStep != 0)
    refuse("capacity " + std::to_string(capacity) + " is not a multiple of 16");
  if (len > capacity)
    refuse("len " + std::to_string(len) + " exceeds the capacity " + std::to_string(capacity));

  SpheresSoA out;
  out.capacity = capacity;
  out.stride = capacity;
  out.len = len;
  out.data = AlignedBuffer<float>(soa::kSpheresAlignment);
  out.data.reserve(4 * capacity);
  for (const std::vector<float>& array : arrays)
    for (float lane : array) out.data.push_back(lane);
  for (std::size_t i = len; i < capacity; ++i) out.rs()[i] = soa::kSpareRadius;
  return out;
}

}  // namespace tangor::serial
