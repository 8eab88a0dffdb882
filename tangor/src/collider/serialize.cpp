#include "tangor/collider/serialize.hpp"

#include <string>
#include <utility>
#include <vector>

#include "curvel/serialize.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"

namespace tangor::serial {

namespace {

using vxpickle::Value;

// The line kinds have their forms in the curve library.
template <class T>
void write_line_kind(vxpickle::Writer& w, const T& item) {
  curvel::serial::write(w, item);
}

template <class T>
std::vector<T> read_line_kinds(const Value& value) {
  return vxpickle::read_vector<T>(value, [](const Value& item) { return curvel::serial::read<T>(item); });
}

template <class T>
std::vector<T> read_items(const Value& value) {
  return vxpickle::read_vector<T>(value, [](const Value& item) { return read<T>(item); });
}

}  // namespace

template <class PCL>
void write(vxpickle::Writer& w, const Collider<PCL>& c) {
  w.begin_record();
  w.field("capsules");
  write(w, c.capsules);
  w.field("cuboids");
  write(w, c.cuboids);
  w.field("cylinders");
  write(w, c.cylinders);
  w.field("planes");
  vxpickle::write_list(w, c.planes, [](vxpickle::Writer& out, const Plane& p) { write(out, p); });
  w.field("polygons");
  write(w, c.polygons);
  w.field("polytopes");
  write(w, c.polytopes);
  w.field("points");
  write(w, c.points);
  w.field("spheres");
  write(w, c.spheres);
  w.field("lines");
  vxpickle::write_list(w, c.lines, write_line_kind<curvel::Line>);
  w.field("rays");
  vxpickle::write_list(w, c.rays, write_line_kind<curvel::Ray>);
  w.field("segments");
  vxpickle::write_list(w, c.segments.items, write_line_kind<curvel::LineSegment>);
  w.field("pointclouds");
  write(w, c.pointclouds);
  w.end_record();
}

template <class PCL>
Collider<PCL> read_collider(const Value& value) {
  static constexpr vxpickle::Field kFields[] = {{"capsules"}, {"cuboids"},   {"cylinders"}, {"planes"},
                                                {"polygons"}, {"polytopes"}, {"points"},    {"spheres"},
                                                {"lines"},    {"rays"},      {"segments"},  {"pointclouds"}};
  Collider<PCL> c;
  vxpickle::read_record(value, {"ColliderHelper", kFields}, [&](std::size_t field, const Value& v) {
    switch (field) {
      case 0: c.capsules = read_broad_collection<Capsule>(v); break;
      case 1: c.cuboids = read_broad_collection<Cuboid>(v); break;
      case 2: c.cylinders = read_broad_collection<Cylinder>(v); break;
      case 3: c.planes = read_items<Plane>(v); break;
      case 4: c.polygons = read_broad_collection<ConvexPolygon>(v); break;
      case 5: c.polytopes = read_broad_collection<ConvexPolytope>(v); break;
      case 6: c.points = read_broad_collection<Point>(v); break;
      case 7: c.spheres = read<soa::SpheresSoA>(v); break;
      case 8: c.lines = read_line_kinds<curvel::Line>(v); break;
      case 9: c.rays = read_line_kinds<curvel::Ray>(v); break;
      case 10:
        c.segments = soa::BroadCollection<curvel::LineSegment>::create(read_line_kinds<curvel::LineSegment>(v));
        break;
      default: c.pointclouds = read_broad_collection<PCL>(v); break;
    }
  });
  c.rebuild_bounding();
  return c;
}

template void write(vxpickle::Writer&, const Collider<Pointcloud>&);
template void write(vxpickle::Writer&, const Collider<NoPcl>&);
template Collider<Pointcloud> read_collider<Pointcloud>(const Value&);
template Collider<NoPcl> read_collider<NoPcl>(const Value&);

std::string encode(const Collider<Pointcloud>& collider) {
  vxpickle::Writer w;
  write(w, collider);
  return w.finish();
}

template <>
Collider<Pointcloud> decode<Collider<Pointcloud>>(std::string_view bytes) {
  return vxpickle::decode_stream(bytes, &read_collider<Pointcloud>);
}

}  // namespace tangor::serial
