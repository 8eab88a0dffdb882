#pragma once

// The serialized forms of the shape records: a pickle record (dict) per
// shape, one key per field in declared order, derived fields included. The
// readers accept the dict or the sequence form, take stored derived data as
// it is (round trips are exact) and recompute nothing; they refuse with
// vxpickle::DecodeError what a test could not read safely.

#include <string>
#include <string_view>

#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/point.hpp"
#include "tangor/sphere.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace tangor::serial {

void write(vxpickle::Writer& w, Vec3 v);  // a tuple of three floats
void write(vxpickle::Writer& w, const Sphere& s);
void write(vxpickle::Writer& w, const Cuboid& b);
void write(vxpickle::Writer& w, const Capsule& c);
void write(vxpickle::Writer& w, const Cylinder& c);
void write(vxpickle::Writer& w, const Plane& p);
void write(vxpickle::Writer& w, const ConvexPolygon& p);
void write(vxpickle::Writer& w, const ConvexPolytope& p);
void write(vxpickle::Writer& w, const Point& p);  // its position, as a vector

// Specialised for Vec3, Sphere, Cuboid, Capsule, Cylinder, Plane,
// ConvexPolygon, ConvexPolytope and Point. Throws vxpickle::DecodeError with
// the bare message (no prefix), for callers that nest shapes in their own
// records.
template <class T>
T read(const vxpickle::Value& value);
template <> Vec3 read<Vec3>(const vxpickle::Value& value);
template <> Point read<Point>(const vxpickle::Value& value);
template <> Sphere read<Sphere>(const vxpickle::Value& value);
template <> Cuboid read<Cuboid>(const vxpickle::Value& value);
template <> Capsule read<Capsule>(const vxpickle::Value& value);
template <> Cylinder read<Cylinder>(const vxpickle::Value& value);
template <> Plane read<Plane>(const vxpickle::Value& value);
template <> ConvexPolygon read<ConvexPolygon>(const vxpickle::Value& value);
template <> ConvexPolytope read<ConvexPolytope>(const vxpickle::Value& value);

// A whole stream: PROTO 3, the value, STOP.
template <class T>
std::string encode(const T& value) {
  vxpickle::Writer w;
  write(w, value);
  return w.finish();
}

// Parses a whole stream and reads it; faults leave as DecodeError.
template <class T>
T decode(std::string_view bytes);

}  // namespace tangor::serial
