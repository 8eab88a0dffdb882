#include "tangor/serialize.hpp"

#include <string>

#include "curvel/serialize.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"

namespace tangor::serial {

namespace {

using vxpickle::Field;
using vxpickle::Value;

void write_pair(vxpickle::Writer& w, Vec2 v) {
  w.begin_tuple();
  w.f32(v.x);
  w.f32(v.y);
  w.end_tuple();
}

// A plane nested in a polytope: the tuple (normal, d).
void write_plane_tuple(vxpickle::Writer& w, const Plane& p) {
  w.begin_tuple();
  write(w, p.normal);
  w.f32(p.d);
  w.end_tuple();
}

// The capsule and the cylinder share their fields and their form.
template <class S>
void write_axis_shape(vxpickle::Writer& w, const S& s) {
  w.begin_record();
  w.field("p1");
  write(w, s.p1);
  w.field("dir");
  write(w, s.dir);
  w.field("radius");
  w.f32(s.radius);
  w.field("rdv");
  w.f32(s.rdv);
  w.field("z_aligned");
  w.boolean(s.z_aligned);
  w.end_record();
}

constexpr Field AXIS_FIELDS[] = {{"p1"}, {"dir"}, {"radius"}, {"rdv"}, {"z_aligned"}};

template <class S>
S read_axis_shape(const Value& value, std::string_view name) {
  S s{};
  vxpickle::read_record(value, {name, AXIS_FIELDS}, [&](std::size_t i, const Value& f) {
    switch (i) {
      case 0: s.p1 = read<Vec3>(f); break;
      case 1: s.dir = read<Vec3>(f); break;
      case 2: s.radius = vxpickle::read_f32(f); break;
      case 3: s.rdv = vxpickle::read_f32(f); break;
      default: s.z_aligned = vxpickle::read_bool(f); break;
    }
  });
  return s;
}

Vec2 read_pair(const Value& value) {
  const auto xy = vxpickle::read_f32_array<2>(value);
  return {xy[0], xy[1]};
}

std::vector<Vec3> read_vec3_list(const Value& value) {
  return vxpickle::read_vector<Vec3>(value, [](const Value& item) { return read<Vec3>(item); });
}

std::vector<Vec2> read_pair_list(const Value& value) { return vxpickle::read_vector<Vec2>(value, read_pair); }

}  // namespace

void write(vxpickle::Writer& w, Vec3 v) { curvel::serial::write(w, v); }

void write(vxpickle::Writer& w, const Sphere& s) {
  w.begin_record();
  w.field("center");
  write(w, s.center);
  w.field("radius");
  w.f32(s.radius);
  w.end_record();
}

void write(vxpickle::Writer& w, const Cuboid& b) {
  w.begin_record();
  w.field("center");
  write(w, b.center);
  w.field("axes");
  w.begin_tuple();
  for (const Vec3& axis : b.axes) write(w, axis);
  w.end_tuple();
  w.field("half_extents");
  w.begin_tuple();
  for (float h : b.half_extents) w.f32(h);
  w.end_tuple();
  w.field("axis_aligned");
  w.boolean(b.axis_aligned);
  w.end_record();
}

void write(vxpickle::Writer& w, const Capsule& c) { write_axis_shape(w, c); }
void write(vxpickle::Writer& w, const Cylinder& c) { write_axis_shape(w, c); }

void write(vxpickle::Writer& w, const Plane& p) {
  w.begin_record();
  w.field("normal");
  write(w, p.normal);
  w.field("d");
  w.f32(p.d);
  w.end_record();
}

void write(vxpickle::Writer& w, const ConvexPolygon& p) {
  w.begin_record();
  w.field("center");
  write(w, p.center);
  w.field("normal");
  write(w, p.normal);
  w.field("u_axis");
  write(w, p.u_axis);
  w.field("v_axis");
  write(w, p.v_axis);
  w.field("vertices_2d");
  vxpickle::write_list(w, p.vertices_2d, write_pair);
  w.field("vertices_3d");
  vxpickle::write_list(w, p.vertices_3d, [](vxpickle::Writer& out, Vec3 v) { write(out, v); });
  w.field("edge_normals_2d");
  vxpickle::write_list(w, p.edge_normals_2d, write_pair);
  w.field("edge_offsets_2d");
  vxpickle::write_list(w, p.edge_offsets_2d, [](vxpickle::Writer& out, float x) { out.f32(x); });
  w.field("bounding_radius");
  w.f32(p.bounding_radius);
  w.end_record();
}

void write(vxpickle::Writer& w, const ConvexPolytope& p) {
  w.begin_record();
  w.field("planes");
  vxpickle::write_list(w, p.planes, write_plane_tuple);
  w.field("vertices");
  vxpickle::write_list(w, p.vertices, [](vxpickle::Writer& out, Vec3 v) { write(out, v); });
  w.field("obb");
  write(w, p.obb);
  w.end_record();
}

void write(vxpickle::Writer& w, const Point& p) { write(w, p.position); }

template <>
Vec3 read<Vec3>(const Value& value) {
  return curvel::serial::read<Vec3>(value);
}

template <>
Point read<Point>(const Value& value) {
  return {read<Vec3>(value)};
}

template <>
Sphere read<Sphere>(const Value& value) {
  static constexpr Field fields[] = {{"center"}, {"radius"}};
  Sphere s{};
  vxpickle::read_record(value, {"Sphere", fields}, [&](std::size_t i, const Value& f) {
    if (i == 0) {
      s.center = read<Vec3>(f);
    } else {
      s.radius = vxpickle::read_f32(f);
    }
  });
  return s;
}

template <>
Cuboid read<Cuboid>(const Value& value) {
  static constexpr Field fields[] = {{"center"}, {"axes"}, {"half_extents"}, {"axis_aligned"}};
  Cuboid b{};
  vxpickle::read_record(value, {"Cuboid", fields}, [&](std::size_t i, const Value& f) {
    switch (i) {
      case 0: b.center = read<Vec3>(f); break;
      case 1:
        vxpickle::read_fixed(f, 3, "an array of length 3",
                             [&](std::size_t k, const Value& axis) { b.axes[k] = read<Vec3>(axis); });
        break;
      case 2: b.half_extents = vxpickle::read_f32_array<3>(f); break;
      default: b.axis_aligned = vxpickle::read_bool(f); break;
    }
  });
  return b;
}

template <>
Capsule read<Capsule>(const Value& value) {
  return read_axis_shape<Capsule>(value, "Capsule");
}

template <>
Cylinder read<Cylinder>(const Value& value) {
  return read_axis_shape<Cylinder>(value, "Cylinder");
}

template <>
Plane read<Plane>(const Value& value) {
  static constexpr Field fields[] = {{"normal"}, {"d"}};
  Plane p{};
  vxpickle::read_record(value, {"Plane", fields}, [&](std::size_t i, const Value& f) {
    if (i == 0) {
      p.normal = read<Vec3>(f);
    } else {
      p.d = vxpickle::read_f32(f);
    }
  });
  return p;
}

template <>
ConvexPolygon read<ConvexPolygon>(const Value& value) {
  static constexpr Field fields[] = {{"center"},      {"normal"},          {"u_axis"},
                                     {"v_axis"},      {"vertices_2d"},     {"vertices_3d"},
                                     {"edge_normals_2d"}, {"edge_offsets_2d"}, {"bounding_radius"}};
  ConvexPolygon p{};
  vxpickle::read_record(value, {"ConvexPolygon", fields}, [&](std::size_t i, const Value& f) {
    switch (i) {
      case 0: p.center = read<Vec3>(f); break;
      case 1: p.normal = read<Vec3>(f); break;
      case 2: p.u_axis = read<Vec3>(f); break;
      case 3: p.v_axis = read<Vec3>(f); break;
      case 4: p.vertices_2d = read_pair_list(f); break;
      case 5: p.vertices_3d = read_vec3_list(f); break;
      case 6: p.edge_normals_2d = read_pair_list(f); break;
      case 7:
        p.edge_offsets_2d = vxpickle::read_vector<float>(f, [](const Value& x) { return vxpickle::read_f32(x); });
        break;
      default: p.bounding_radius = vxpickle::read_f32(f); break;
    }
  });
  // The tests walk the edge data by the 2-D vertex count; arrays of another
  // length would be read past their end, so such a state is refused.
  // vertices_3d is walked on its own and may have any length.
  const std::size_t n = p.vertices_2d.size();
  if (p.edge_normals_2d.size() != n) {
    vxpickle::fail_invalid_length(p.edge_normals_2d.size(),
                                  "edge_normals_2d with one entry per 2-D vertex (" + std::to_string(n) + ")");
  }
  if (p.edge_offsets_2d.size() != n) {
    vxpickle::fail_invalid_length(p.edge_offsets_2d.size(),
                                  "edge_offsets_2d with one entry per 2-D vertex (" + std::to_string(n) + ")");
  }
  return p;
}

template <>
ConvexPolytope read<ConvexPolytope>(const Value& value) {
  static constexpr Field fields[] = {{"planes"}, {"vertices"}, {"obb"}};
  ConvexPolytope p{};
  vxpickle::read_record(value, {"ConvexPolytope", fields}, [&](std::size_t i, const Value& f) {
    switch (i) {
      case 0: p.planes = vxpickle::read_vector<Plane>(f, [](const Value& x) { return read<Plane>(x); }); break;
      case 1: p.vertices = read_vec3_list(f); break;
      default: p.obb = read<Cuboid>(f); break;
    }
  });
  return p;
}

template <class T>
T decode(std::string_view bytes) {
  return vxpickle::decode_stream(bytes, &read<T>);
}

template Vec3 decode<Vec3>(std::string_view);
template Point decode<Point>(std::string_view);
template Sphere decode<Sphere>(std::string_view);
template Cuboid decode<Cuboid>(std::string_view);
template Capsule decode<Capsule>(std::string_view);
template Cylinder decode<Cylinder>(std::string_view);
template Plane decode<Plane>(std::string_view);
template ConvexPolygon decode<ConvexPolygon>(std::string_view);
template ConvexPolytope decode<ConvexPolytope>(std::string_view);

}  // namespace tangor::serial
