#pragma once

// The serialized forms of the curve library's values: a pickle record (dict)
// per value, one key per field in declared order, each record's fields
// declared once in its form (curvel/src/serialize.cpp). Readers accept the
// dict or the sequence form and take what is stored as it is, so round trips
// are exact to the bit. A Vec3 is a tuple of three floats; the control
// points of a Bezier curve are a list (not a tuple) of N vectors; a Spline or
// Polyline without points has an empty list.
//
//   std::string bytes = curvel::serial::encode(segment);
//   LineSegment back = curvel::serial::decode<LineSegment>(bytes);
//
// read<T>(value) reads a value nested in another form; every fault leaves as
// vxpickle::DecodeError with the bare message (no prefix).

#include "curvel/bezier.hpp"
#include "curvel/interval.hpp"
#include "curvel/line.hpp"
#include "curvel/math/vec3f.hpp"
#include "curvel/nearest.hpp"
#include "curvel/polyline.hpp"
#include "curvel/spline.hpp"
#include "vxpickle/codec.hpp"

namespace curvel::serial {

// One field table per record (curvel/src/serialize.cpp): its keys, their
// order and each field's codec, for writing and reading alike.
extern const vxpickle::RecordForm<Line, 2> line_form;                // "origin", "dir"
extern const vxpickle::RecordForm<Ray, 2> ray_form;                  // "origin", "dir"
extern const vxpickle::RecordForm<LineSegment, 2> segment_form;      // "start", "end"
extern const vxpickle::RecordForm<Interval, 2> interval_form;        // "min", "max"
extern const vxpickle::RecordForm<Nearest, 3> nearest_form;          // "t", "point", "dist_sq"
extern const vxpickle::RecordForm<QuadraticBezier, 1> quadratic_bezier_form;  // "points" (a list)
extern const vxpickle::RecordForm<CubicBezier, 1> cubic_bezier_form;          // "points" (a list)
extern const vxpickle::RecordForm<Spline, 1> spline_form;            // "points"
extern const vxpickle::RecordForm<Polyline, 1> polyline_form;        // "points"

}  // namespace curvel::serial

namespace vxpickle {

template <>
struct Codec<curvel::Vec3> : FloatComponents<curvel::Vec3, &curvel::Vec3::x, &curvel::Vec3::y, &curvel::Vec3::z> {
  static curvel::Vec3 read(const Value& value) { return read_as(value, "a sequence of 3 f32 values"); }
};
template <>
struct Codec<curvel::Line> : RecordCodec<curvel::serial::line_form> {};
template <>
struct Codec<curvel::Ray> : RecordCodec<curvel::serial::ray_form> {};
template <>
struct Codec<curvel::LineSegment> : RecordCodec<curvel::serial::segment_form> {};
template <>
struct Codec<curvel::Interval> : RecordCodec<curvel::serial::interval_form> {};
template <>
struct Codec<curvel::Nearest> : RecordCodec<curvel::serial::nearest_form> {};
template <>
struct Codec<curvel::QuadraticBezier> : RecordCodec<curvel::serial::quadratic_bezier_form> {};
template <>
struct Codec<curvel::CubicBezier> : RecordCodec<curvel::serial::cubic_bezier_form> {};
template <>
struct Codec<curvel::Spline> : RecordCodec<curvel::serial::spline_form> {};
template <>
struct Codec<curvel::Polyline> : RecordCodec<curvel::serial::polyline_form> {};

}  // namespace vxpickle

namespace curvel::serial {

using vxpickle::decode;
using vxpickle::encode;
using vxpickle::read;
using vxpickle::write;

}  // namespace curvel::serial
