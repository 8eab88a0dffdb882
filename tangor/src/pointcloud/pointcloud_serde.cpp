#include <array>

#include "tangor/pointcloud/pointcloud.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"

namespace tangor::serial {

using pointcloud::Pointcloud;

void write(vxpickle::Writer& out, const Pointcloud& cloud) {
  out.begin_record();
  out.field("tree");
  write(out, cloud.tree);
  out.field("spheres");
  write(out, cloud.spheres);
  out.field("point_radius");
  out.f32(cloud.point_radius);
  out.field("r_range");
  out.begin_tuple();
  out.f32(cloud.r_range.first);
  out.f32(cloud.r_range.second);
  out.end_tuple();
  out.field("inverse_transform");
  if (!cloud.inverse_transform) {
    out.none();
  } else {
    const Affine3& a = *cloud.inverse_transform;
    out.begin_tuple();
    for (Vec3 v : {a.matrix3.x_axis, a.matrix3.y_axis, a.matrix3.z_axis, a.translation}) {
      out.f32(v.x);
      out.f32(v.y);
      out.f32(v.z);
    }
    out.end_tuple();
  }
  out.end_record();
}

namespace {

Affine3 read_affine(const vxpickle::Value& value) {
  const std::array<float, 12> f = vxpickle::read_f32_array<12>(value);
  return {{{f[0], f[1], f[2]}, {f[3], f[4], f[5]}, {f[6], f[7], f[8]}}, {f[9], f[10], f[11]}};
}

}  // namespace

template <>
Pointcloud read<Pointcloud>(const vxpickle::Value& value) {
  static constexpr vxpickle::Field kFields[] = {
      {"tree"}, {"spheres"}, {"point_radius"}, {"r_range"}, {"inverse_transform", true}};
  Pointcloud cloud;
  vxpickle::read_record(value, {"Pointcloud", kFields}, [&](std::size_t field, const vxpickle::Value& v) {
    switch (field) {
      case 0: cloud.tree = read<pointcloud::capt::Capt>(v); break;
      case 1: cloud.spheres = read<soa::SpheresSoA>(v); break;
      case 2: cloud.point_radius = vxpickle::read_f32(v); break;
      case 3: {
        const std::array<float, 2> range = vxpickle::read_f32_array<2>(v);
        cloud.r_range = {range[0], range[1]};
        break;
      }
      default:
        if (const vxpickle::Value* present = vxpickle::read_optional(v))
          cloud.inverse_transform = read_affine(*present);
        else
          cloud.inverse_transform.reset();
        break;
    }
  });
  return cloud;
}

}  // namespace tangor::serial
