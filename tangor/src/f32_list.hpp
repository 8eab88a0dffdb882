#pragma once

#include <cstddef>
#include <vector>

#include "vxpickle/reader.hpp"
#include "vxpickle/writer.hpp"

namespace tangor::serial {

// A growable array of f32: a list of floats (an empty list when there is none).
inline void write_f32_list(vxpickle::Writer& w, const float* values, std::size_t count) {
  w.begin_list();
  for (std::size_t i = 0; i < count; ++i) w.f32(values[i]);
  w.end_list();
}

inline std::vector<float> read_f32_list(const vxpickle::Value& value) {
  return vxpickle::read_vector<float>(value, [](const vxpickle::Value& item) { return vxpickle::read_f32(item); });
}

}  // namespace tangor::serial
