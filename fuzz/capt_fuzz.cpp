// Any byte string must decode to a point cloud (tree, sphere array and all)
// or fail with DecodeError; a decoded cloud must then answer every query
// without reading outside its arrays. A crash, a sanitizer report or any
// other exception is a fault.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "tangor/pairs.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "vxpickle/error.hpp"
#include "vxpickle/value.hpp"

namespace {

// Query centres and radii taken from the input's last bytes, so the fuzzer
// steers the queries as well as the state.
float query_value(std::span<const std::uint8_t> bytes, std::size_t k) {
  if (bytes.size() < 4 * (k + 1)) return float(k) * 0.37f - 1.0f;
  float v;
  std::memcpy(&v, bytes.data() + bytes.size() - 4 * (k + 1), 4);
  return v;
}

void query_tree(const tangor::pointcloud::capt::Capt& tree, std::span<const std::uint8_t> bytes) {
  std::array<tangor::lanes::Row, 3> centres;
  tangor::lanes::Row radii;
  for (int l = 0; l < 8; ++l) {
    for (int a = 0; a < 3; ++a) centres[a][l] = query_value(bytes, 3 * l + a);
    radii[l] = query_value(bytes, 24 + l);
    (void)tree.collides({centres[0][l], centres[1][l], centres[2][l]}, radii[l]);
  }
  (void)tree.collides_simd(centres, radii);
}

void query_cloud(const tangor::Pointcloud& cloud, std::span<const std::uint8_t> bytes) {
  using namespace tangor;
  const Vec3 c{query_value(bytes, 0), query_value(bytes, 1), query_value(bytes, 2)};
  const float r = query_value(bytes, 3);
  (void)pointcloud::collides_ball(cloud, {c, r});
  (void)collides(cloud, Capsule::create(c, c + Vec3{1, 0, 0}, r));
  (void)collides(cloud, Cuboid::create(c, {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {r, r, r}));
  (void)collides(cloud, Plane{{0, 0, 1}, r});
  (void)collides(cloud, curvel::LineSegment{c, c + Vec3{0, r, 0}});
  (void)broadphase(cloud);
  (void)aabb(cloud);
  (void)pointcloud::clouds_collide(cloud, cloud);
  (void)pointcloud::scaled(cloud, r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  try {
    const vxpickle::Document doc = vxpickle::parse(bytes);
    try {
      const auto tree = tangor::serial::read<tangor::pointcloud::capt::Capt>(doc.root());
      query_tree(tree, bytes);
    } catch (const vxpickle::DecodeError&) {
    }
    const auto cloud = tangor::serial::read<tangor::Pointcloud>(doc.root());
    query_cloud(cloud, bytes);
  } catch (const vxpickle::DecodeError&) {
  }
  return 0;
}
