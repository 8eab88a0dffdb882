#include <array>

#include "tangor/pointcloud/pointcloud.hpp"
#include "vxpickle/codec.hpp"

namespace tangor::serial {

namespace {

using pointcloud::Pointcloud;
using vxpickle::member;
using vxpickle::Value;
using vxpickle::Writer;

// The effective radius range: the tuple (min, max).
using pointcloud::capt::RadiusRange;
struct RadiusRangeCodec : vxpickle::FloatComponents<RadiusRange, &RadiusRange::first, &RadiusRange::second> {
  static RadiusRange read(const Value& value) { return read_as(value, vxpickle::array_expectation(2)); }
};

// None, or the twelve floats of the matrix columns and the translation.
struct InverseTransformCodec {
  static void write(Writer& w, const std::optional<tangor::Affine3>& transform) {
    if (!transform) {
      w.none();
      return;
    }
    w.begin_tuple();
    for (tangor::Vec3 v : {transform->matrix3.x_axis, transform->matrix3.y_axis, transform->matrix3.z_axis,
                           transform->translation}) {
      w.f32(v.x);
      w.f32(v.y);
      w.f32(v.z);
    }
    w.end_tuple();
  }
  static std::optional<tangor::Affine3> read(const Value& value) {
    const std::optional<Value> present = vxpickle::read_optional(value);
    if (!present) return std::nullopt;
    const std::array<float, 12> f = vxpickle::read_f32_array<12>(*present);
    return tangor::Affine3{{{f[0], f[1], f[2]}, {f[3], f[4], f[5]}, {f[6], f[7], f[8]}}, {f[9], f[10], f[11]}};
  }
};

}  // namespace

// A cloud written without a transform may leave the key out entirely.
constinit const vxpickle::RecordForm<Pointcloud, 5> pointcloud_form = vxpickle::record_form<Pointcloud>(
    "Pointcloud", member<&Pointcloud::tree>("tree"), member<&Pointcloud::spheres>("spheres"),
    member<&Pointcloud::point_radius>("point_radius"), member<&Pointcloud::r_range, RadiusRangeCodec>("r_range"),
    vxpickle::optional_field(member<&Pointcloud::inverse_transform, InverseTransformCodec>("inverse_transform")));

}  // namespace tangor::serial
