#pragma once

// The serialized forms of the shape records: a pickle record (dict) per
// shape, one key per field in declared order, derived fields included, each
// record's fields declared once in its form (tangor/src/serialize.cpp). The
// readers accept the dict or the sequence form, take stored derived data as
// it is (round trips are exact) and recompute nothing; they refuse with
// vxpickle::DecodeError what a test could not read safely. A Point is
// written as its position; the planes of a polytope as (normal, d) tuples.
//
//   std::string bytes = tangor::serial::encode(sphere);
//   Sphere back = tangor::serial::decode<Sphere>(bytes);

#include "curvel/serialize.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/point.hpp"
#include "tangor/sphere.hpp"
#include "vxpickle/codec.hpp"

namespace tangor::serial {

// One field table per record (tangor/src/serialize.cpp): its keys, their
// order and each field's codec, for writing and reading alike.
extern const vxpickle::RecordForm<Sphere, 2> sphere_form;          // "center", "radius"
extern const vxpickle::RecordForm<Cuboid, 4> cuboid_form;          // "center", "axes", "half_extents", "axis_aligned"
extern const vxpickle::RecordForm<Capsule, 5> capsule_form;        // "p1", "dir", "radius", "rdv", "z_aligned"
extern const vxpickle::RecordForm<Cylinder, 5> cylinder_form;      // the capsule's five
extern const vxpickle::RecordForm<Plane, 2> plane_form;            // "normal", "d"
extern const vxpickle::RecordForm<ConvexPolygon, 9> polygon_form;  // "center" ... "bounding_radius"
extern const vxpickle::RecordForm<ConvexPolytope, 3> polytope_form;  // "planes" (tuples), "vertices", "obb"

}  // namespace tangor::serial

namespace vxpickle {

// A pair of floats, read as a fixed array.
template <>
struct Codec<tangor::Vec2> : FloatComponents<tangor::Vec2, &tangor::Vec2::x, &tangor::Vec2::y> {
  static tangor::Vec2 read(const Value& value) { return read_as(value, array_expectation(2)); }
};
template <>
struct Codec<tangor::Point> {
  static void write(Writer& w, const tangor::Point& p);
  static tangor::Point read(const Value& value);
};
template <>
struct Codec<tangor::Sphere> : RecordCodec<tangor::serial::sphere_form> {};
template <>
struct Codec<tangor::Cuboid> : RecordCodec<tangor::serial::cuboid_form> {};
template <>
struct Codec<tangor::Capsule> : RecordCodec<tangor::serial::capsule_form> {};
template <>
struct Codec<tangor::Cylinder> : RecordCodec<tangor::serial::cylinder_form> {};
template <>
struct Codec<tangor::Plane> : RecordCodec<tangor::serial::plane_form> {};
// Refuses edge data whose length differs from the 2-D vertex count.
template <>
struct Codec<tangor::ConvexPolygon> {
  static void write(Writer& w, const tangor::ConvexPolygon& p) { tangor::serial::polygon_form.write(w, p); }
  static tangor::ConvexPolygon read(const Value& value);
};
template <>
struct Codec<tangor::ConvexPolytope> : RecordCodec<tangor::serial::polytope_form> {};

}  // namespace vxpickle

namespace tangor::serial {

using vxpickle::decode;
using vxpickle::encode;
using vxpickle::read;
using vxpickle::write;

}  // namespace tangor::serial
