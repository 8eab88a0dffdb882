#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tangor/pointcloud/pointcloud.hpp"
#include "vxpickle/codec.hpp"

namespace vxpickle {

using tangor::pointcloud::capt::Aabb;
using tangor::pointcloud::capt::Capt;
using tangor::pointcloud::capt::Point3;

namespace {

using F32List = ListOf<Codec<float>>;

// A box corner is a list of exactly three values, unlike a vector elsewhere.
struct Corner {
  static void write(Writer& w, const Point3& corner) { F32List::write(w, corner); }
  static Point3 read(const Value& value) {
    const std::vector<float> corner = F32List::read(value);
    if (corner.size() != 3) fail_invalid_length(0, "expected array of correct length");
    return {corner[0], corner[1], corner[2]};
  }
};

constexpr auto aabb_form =
    record_form<Aabb>("AabbData", member<&Aabb::lo, Corner>("lo"), member<&Aabb::hi, Corner>("hi"));

}  // namespace

// Only this file reads or writes a leaf box on its own.
template <>
struct Codec<Aabb> {
  static void write(Writer& w, const Aabb& box) { aabb_form.write(w, box); }
  static Aabb read(const Value& value) { return aabb_form.read(value); }
};

namespace {

// The tree as read, before its shape is checked: the afforded arrays go
// straight into the tree's aligned buffers (the first three lists; any
// further list is read only to be counted).
struct CaptParts : Capt {
  std::size_t afforded_lists = 0;
};

void write_afforded(Writer& w, const Capt& tree) {
  w.begin_list();
  for (const auto& coordinate : tree.afforded) F32List::write(w, coordinate.span());
  w.end_list();
}

void read_afforded(const Value& value, CaptParts& parts) {
  parts.afforded_lists = 0;
  for (const Value list : read_sequence(value)) {
    const Items coordinates = read_sequence(list);
    if (parts.afforded_lists < 3) {
      auto& target = parts.afforded[parts.afforded_lists];
      target.clear();
      target.reserve(coordinates.size());
      for (const Value c : coordinates) target.push_back(read_f32(c));
    } else {
      for (const Value c : coordinates) read_f32(c);
    }
    ++parts.afforded_lists;
  }
}

constexpr auto capt_form = record_form<Capt, CaptParts>(
    "CaptData", member<&Capt::tests>("tests"), member<&Capt::aabbs>("aabbs"), member<&Capt::starts>("starts"),
    field<Capt, CaptParts>("afforded", write_afforded, read_afforded), member<&Capt::r_point>("r_point"),
    member<&Capt::lanes_log2>("lanes_log2"));

[[noreturn]] void refuse(const std::string& why) { throw DecodeError("invalid CAPT state: " + why); }

// The queries index tests, aabbs, starts and the afforded arrays by the
// tree's shape alone; a decoded tree that lacks it never becomes a Capt.
void check_shape(const Capt& tree) {
  const std::size_t leaves = tree.aabbs.size();
  if (leaves == 0 || (leaves & (leaves - 1)) != 0)
    refuse(std::to_string(leaves) + " leaf boxes, not a power of two");
  if (tree.tests.size() != leaves - 1)
    refuse(std::to_string(tree.tests.size()) + " split values for " + std::to_string(leaves) + " leaves");
  if (tree.starts.size() != leaves + 1)
    refuse(std::to_string(tree.starts.size()) + " run starts for " + std::to_string(leaves) + " leaves");
  const std::size_t length = tree.afforded[0].size();
  if (tree.afforded[1].size() != length || tree.afforded[2].size() != length)
    refuse("afforded arrays of different lengths");
  if (length % 8 != 0) refuse("afforded length " + std::to_string(length) + " is not a multiple of 8");
  if (tree.starts[0] != 0) refuse("the first run does not start at 0");
  for (std::size_t j = 0; j < leaves; ++j) {
    const std::uint32_t start = tree.starts[j + 1];
    if (start % 8 != 0 || start < tree.starts[j] || start > length)
      refuse("run start " + std::to_string(start) + " of leaf " + std::to_string(j) +
             " is not a multiple of 8 within the afforded arrays after the previous one");
  }
  if (tree.lanes_log2 != 3)
    refuse("lanes_log2 " + std::to_string(tree.lanes_log2) + " (only eight lanes are supported)");
}

}  // namespace

void Codec<Capt>::write(Writer& w, const Capt& tree) { capt_form.write(w, tree); }

Capt Codec<Capt>::read(const Value& value) {
  CaptParts parts;
  capt_form.read(value, parts);
  if (parts.lanes_log2 % 64 >= 61) throw DecodeError("invalid parameters to Layout::from_size_align");
  if (parts.afforded_lists != 3)
    throw DecodeError("expected 3 afforded arrays, got " + std::to_string(parts.afforded_lists));
  Capt tree(std::move(parts));
  check_shape(tree);
  return tree;
}

}  // namespace vxpickle
