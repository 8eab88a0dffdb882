#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <type_traits>

#include "vxpickle/value.hpp"

namespace vxpickle {

struct Field {
  std::string_view name;
  // An optional field may be missing from the map form (it reads as absent);
  // the sequence form still needs a value (None) in its place.
  bool optional = false;
};

// A record's name (for the expectations "struct {name}" and "struct {name}
// with {K} elements") and its fields in declared order (at most 64).
struct RecordSpec {
  std::string_view name;
  std::span<const Field> fields;
};

using FieldReader = void (*)(void* context, std::size_t field_index, const Value& value);
void read_record(const Value& value, const RecordSpec& spec, FieldReader reader, void* context);

// Reads a record given as a dict or as a list/tuple of its field values, and
// calls read_field(field_index, value) once per field found, in stream order:
//   - dict: keys matched as text or bytes; unknown (and non-text) keys skipped;
//     "duplicate field `{}`"; after the last entry the first unseen field in
//     declared order that is not optional -> "missing field `{}`";
//   - list/tuple: the first K items; fewer -> "invalid length {}, expected
//     struct {Name} with {K} elements" (" element" for K = 1); extras ignored;
//   - else "invalid type: {}, expected struct {Name}".
// A field the stream does not carry is not visited: start from defaults.
// The record forms of vxpickle/codec.hpp are built on this.
//
//   static constexpr vxpickle::Field fields[] = {{"center"}, {"radius"}};
//   Sphere s{};
//   vxpickle::read_record(v, {"Sphere", fields}, [&](std::size_t i, const vxpickle::Value& f) {
//     if (i == 0) s.center = to_vec3(vxpickle::read_vec3(f)); else s.radius = vxpickle::read_f32(f);
//   });
template <class ReadField>
void read_record(const Value& value, const RecordSpec& spec, ReadField&& read_field) {
  read_record(
      value, spec,
      [](void* context, std::size_t field_index, const Value& field_value) {
        (*static_cast<std::remove_reference_t<ReadField>*>(context))(field_index, field_value);
      },
      const_cast<void*>(static_cast<const void*>(&read_field)));
}


}  // namespace vxpickle
