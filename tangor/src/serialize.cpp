#include "tangor/serialize.hpp"

#include <string>

namespace tangor::serial {

namespace {

using vxpickle::Codec;
using vxpickle::ListOf;
using vxpickle::member;
using vxpickle::record_form;
using vxpickle::Value;
using vxpickle::Writer;

// The capsule and the cylinder share their fields and their form.
template <class S>
constexpr auto axis_shape_form(std::string_view name) {
  return record_form<S>(name, member<&S::p1>("p1"), member<&S::dir>("dir"), member<&S::radius>("radius"),
                        member<&S::rdv>("rdv"), member<&S::z_aligned>("z_aligned"));
}

// A plane inside a polytope is the tuple (normal, d); either that or the
// plane's record reads back, since a record accepts the sequence form.
struct PlaneAsTuple {
  static void write(Writer& w, const Plane& p) {
    w.begin_tuple();
    Codec<Vec3>::write(w, p.normal);
    w.f32(p.d);
    w.end_tuple();
  }
  static Plane read(const Value& value) { return Codec<Plane>::read(value); }
};

}  // namespace

constinit const vxpickle::RecordForm<Sphere, 2> sphere_form =
    record_form<Sphere>("Sphere", member<&Sphere::center>("center"), member<&Sphere::radius>("radius"));

constinit const vxpickle::RecordForm<Cuboid, 4> cuboid_form =
    record_form<Cuboid>("Cuboid", member<&Cuboid::center>("center"), member<&Cuboid::axes>("axes"),
                        member<&Cuboid::half_extents>("half_extents"), member<&Cuboid::axis_aligned>("axis_aligned"));

constinit const vxpickle::RecordForm<Capsule, 5> capsule_form = axis_shape_form<Capsule>("Capsule");
constinit const vxpickle::RecordForm<Cylinder, 5> cylinder_form = axis_shape_form<Cylinder>("Cylinder");

constinit const vxpickle::RecordForm<Plane, 2> plane_form =
    record_form<Plane>("Plane", member<&Plane::normal>("normal"), member<&Plane::d>("d"));

constinit const vxpickle::RecordForm<ConvexPolygon, 9> polygon_form = record_form<ConvexPolygon>(
    "ConvexPolygon", member<&ConvexPolygon::center>("center"), member<&ConvexPolygon::normal>("normal"),
    member<&ConvexPolygon::u_axis>("u_axis"), member<&ConvexPolygon::v_axis>("v_axis"),
    member<&ConvexPolygon::vertices_2d>("vertices_2d"), member<&ConvexPolygon::vertices_3d>("vertices_3d"),
    member<&ConvexPolygon::edge_normals_2d>("edge_normals_2d"),
    member<&ConvexPolygon::edge_offsets_2d>("edge_offsets_2d"),
    member<&ConvexPolygon::bounding_radius>("bounding_radius"));

constinit const vxpickle::RecordForm<ConvexPolytope, 3> polytope_form = record_form<ConvexPolytope>(
    "ConvexPolytope", member<&ConvexPolytope::planes, ListOf<PlaneAsTuple>>("planes"),
    member<&ConvexPolytope::vertices>("vertices"), member<&ConvexPolytope::obb>("obb"));

}  // namespace tangor::serial

namespace vxpickle {

void Codec<tangor::Point>::write(Writer& w, const tangor::Point& p) { Codec<tangor::Vec3>::write(w, p.position); }
tangor::Point Codec<tangor::Point>::read(const Value& value) { return {Codec<tangor::Vec3>::read(value)}; }

tangor::ConvexPolygon Codec<tangor::ConvexPolygon>::read(const Value& value) {
  const tangor::ConvexPolygon p = tangor::serial::polygon_form.read(value);
  // The tests walk the edge data by the 2-D vertex count; arrays of another
  // length would be read past their end, so such a state is refused.
  // vertices_3d is walked on its own and may have any length.
  const std::size_t n = p.vertices_2d.size();
  if (p.edge_normals_2d.size() != n) {
    fail_invalid_length(p.edge_normals_2d.size(),
                        "edge_normals_2d with one entry per 2-D vertex (" + std::to_string(n) + ")");
  }
  if (p.edge_offsets_2d.size() != n) {
    fail_invalid_length(p.edge_offsets_2d.size(),
                        "edge_offsets_2d with one entry per 2-D vertex (" + std::to_string(n) + ")");
  }
  return p;
}

}  // namespace vxpickle
