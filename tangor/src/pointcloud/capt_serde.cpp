#include <cstdint>
#include <string>
#include <vector>

#include "f32_list.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "vxpickle/error.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"

namespace tangor::serial {

using pointcloud::capt::Aabb;
using pointcloud::capt::Capt;
using pointcloud::capt::Point3;

namespace {

// A box corner is a list of exactly three values, unlike a vector elsewhere.
Point3 read_corner(const vxpickle::Value& value) {
  const std::vector<float> corner = read_f32_list(value);
  if (corner.size() != 3) vxpickle::fail_invalid_length(0, "expected array of correct length");
  return {corner[0], corner[1], corner[2]};
}

Aabb read_aabb(const vxpickle::Value& value) {
  static constexpr vxpickle::Field kFields[] = {{"lo"}, {"hi"}};
  Aabb box;
  vxpickle::read_record(value, {"AabbData", kFields}, [&](std::size_t field, const vxpickle::Value& v) {
    (field == 0 ? box.lo : box.hi) = read_corner(v);
  });
  return box;
}

[[noreturn]] void refuse(const std::string& why) {
  throw vxpickle::DecodeError("invalid CAPT state: " + why);
}

// The queries index tests, aabbs, starts and the afforded arrays by the
// tree's shape alone; a decoded tree that lacks it never becomes a Capt.
void check_shape(const Capt& tree) {
  const std::size_t leaves = tree.aabbs.size();
  if (leaves == 0 || (leaves & (leaves - 1)) != 0)
    refuse(std::to_string(leaves) + " leaf boxes, not a power of two");
  if (tree.tests.size() != leaves - 1)
    refuse(std::to_string(tree.tests.size()) + " split values for " + std::to_string(leaves) +
           " leaves");
  if (tree.starts.size() != leaves + 1)
    refuse(std::to_string(tree.starts.size()) + " run starts for " + std::to_string(leaves) +
           " leaves");
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

void write(vxpickle::Writer& out, const Capt& tree) {
  out.begin_record();
  out.field("tests");
  write_f32_list(out, tree.tests.data(), tree.tests.size());
  out.field("aabbs");
  out.begin_list();
  for (const Aabb& box : tree.aabbs) {
    out.begin_record();
    out.field("lo");
    write_f32_list(out, box.lo.data(), 3);
    out.field("hi");
    write_f32_list(out, box.hi.data(), 3);
    out.end_record();
  }
  out.end_list();
  out.field("starts");
  out.begin_list();
  for (std::uint32_t start : tree.starts) out.uint(start);
  out.end_list();
  out.field("afforded");
  out.begin_list();
  for (const auto& coordinate : tree.afforded) write_f32_list(out, coordinate.data(), coordinate.size());
  out.end_list();
  out.field("r_point");
  out.f32(tree.r_point);
  out.field("lanes_log2");
  out.uint(tree.lanes_log2);
  out.end_record();
}

template <>
Capt read<Capt>(const vxpickle::Value& value) {
  static constexpr vxpickle::Field kFields[] = {{"tests"},    {"aabbs"},   {"starts"},
                                                {"afforded"}, {"r_point"}, {"lanes_log2"}};
  Capt tree;
  std::vector<std::vector<float>> afforded;
  vxpickle::read_record(value, {"CaptData", kFields}, [&](std::size_t field, const vxpickle::Value& v) {
    switch (field) {
      case 0: tree.tests = read_f32_list(v); break;
      case 1: tree.aabbs = vxpickle::read_vector<Aabb>(v, read_aabb); break;
      case 2:
        tree.starts = vxpickle::read_vector<std::uint32_t>(v, [](const vxpickle::Value& item) {
          return vxpickle::read_u32(item);
        });
        break;
      case 3:
        afforded = vxpickle::read_vector<std::vector<float>>(v, read_f32_list);
        break;
      case 4: tree.r_point = vxpickle::read_f32(v); break;
      default: tree.lanes_log2 = vxpickle::read_u32(v); break;
    }
  });
  if (tree.lanes_log2 % 64 >= 61) throw vxpickle::DecodeError("invalid parameters to Layout::from_size_align");
  if (afforded.size() != 3)
    throw vxpickle::DecodeError("expected 3 afforded arrays, got " + std::to_string(afforded.size()));
  for (int a = 0; a < 3; ++a) {
    tree.afforded[a].reserve(afforded[a].size());
    for (float v : afforded[a]) tree.afforded[a].push_back(v);
  }
  check_shape(tree);
  return tree;
}

}  // namespace tangor::serial
