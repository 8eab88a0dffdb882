// Any byte string must decode to a value tree or fail with DecodeError, and
// every typed reader must accept or refuse any tree the same way; a crash,
// a sanitizer report, another exception or a huge allocation is a fault.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace {

template <class Read>
void attempt(Read&& read) {
  try {
    read();
  } catch (const vxpickle::DecodeError&) {
  }
}

// Walks the tree the way a generic consumer would; the parser guarantees a
// bounded depth and no cycles, so plain recursion is safe here.
std::size_t count_nodes(const vxpickle::Value& v) {
  std::size_t n = 1;
  for (const vxpickle::Value item : v.items()) n += count_nodes(item);
  for (const vxpickle::Entry e : v.entries()) n += count_nodes(e.key) + count_nodes(e.value);
  // Every scalar reads back from the input without fault.
  switch (v.kind()) {
    case vxpickle::Kind::Bool: (void)v.boolean(); break;
    case vxpickle::Kind::Int: (void)v.integer(); break;
    case vxpickle::Kind::Float: (void)v.number(); break;
    default: (void)v.data(); break;
  }
  (void)vxpickle::describe(v);
  return n;
}

void read_typed(const vxpickle::Value& v) {
  using namespace vxpickle;
  attempt([&] { read_f32(v); });
  attempt([&] { read_f64(v); });
  attempt([&] { read_bool(v); });
  attempt([&] { read_u32(v); });
  attempt([&] { read_u64(v); });
  attempt([&] { read_vec3(v); });
  attempt([&] { read_f32_array<2>(v); });
  attempt([&] { read_vector<float>(v, read_f32); });
  attempt([&] { read_vector<std::array<float, 3>>(v, read_vec3); });
  attempt([&] {
    std::array<double, 16> out{};
    read_f64_components(v, out);
  });
  static constexpr Field fields[] = {{"center"}, {"radius"}, {"points"}, {"inverse_transform", true}};
  attempt([&] {
    read_record(v, {"Probe", fields}, [](std::size_t i, const Value& f) {
      switch (i) {
        case 0: read_vec3(f); break;
        case 1: read_f32(f); break;
        case 2: read_vector<std::array<float, 3>>(f, read_vec3); break;
        default:
          if (const std::optional<Value> t = read_optional(f)) {
            std::array<double, 12> out{};
            read_f64_components(*t, out);
          }
      }
    });
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  attempt([&] {
    std::array<double, 3> out{};
    vxpickle::decode_f64_components(bytes, out);
  });
  try {
    const vxpickle::Document doc = vxpickle::parse(bytes);
    count_nodes(doc.root());
    read_typed(doc.root());
    for (const vxpickle::Value item : doc.root().items()) read_typed(item);
    for (const vxpickle::Entry e : doc.root().entries()) read_typed(e.value);
  } catch (const vxpickle::DecodeError&) {
  }
  return 0;
}
