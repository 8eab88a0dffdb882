#include "vxpickle/record.hpp"

#include <cassert>
#include <cstdint>
#include <string>

#include "vxpickle/reader.hpp"

namespace vxpickle {

namespace {

std::size_t field_index(const RecordSpec& spec, std::string_view key) {
  for (std::size_t i = 0; i < spec.fields.size(); ++i)
    if (spec.fields[i].name == key) return i;
  return spec.fields.size();
}

std::string quoted_name(std::string_view name) { return "`" + std::string(name) + "`"; }

}  // namespace

void read_record(const Value& value, const RecordSpec& spec, FieldReader reader, void* context) {
  const std::size_t k = spec.fields.size();
  assert(k <= 64);
  if (value.kind() == Kind::Dict) {
    std::uint64_t seen = 0;
    for (const Entry entry : value.entries()) {
      // Keys that are not text name no field and are skipped like unknown names.
      if (!entry.key.is_text_or_bytes()) continue;
      const std::size_t i = field_index(spec, entry.key.data());
      if (i == k) continue;
      const std::uint64_t bit = std::uint64_t{1} << i;
      if ((seen & bit) != 0) throw DecodeError("duplicate field " + quoted_name(spec.fields[i].name));
      seen |= bit;
      reader(context, i, entry.value);
    }
    for (std::size_t i = 0; i < k; ++i)
      if ((seen & (std::uint64_t{1} << i)) == 0 && !spec.fields[i].optional)
        throw DecodeError("missing field " + quoted_name(spec.fields[i].name));
    return;
  }
  const std::string name = "struct " + std::string(spec.name);
  if (!value.is_sequence()) fail_invalid_type(value, name);
  const std::string expectation =
      name + " with " + std::to_string(k) + (k == 1 ? " element" : " elements");
  read_fixed(value, k, expectation, [&](std::size_t i, const Value& item) { reader(context, i, item); });
}

}  // namespace vxpickle
