#pragma once

// The serialized forms of the curve library's values: a pickle record (dict)
// per value, one key per field in declared order. Readers accept the dict or
// the sequence form and take what is stored as it is, so round trips are
// exact to the bit.

#include <string>
#include <string_view>

#include "curvel/bezier.hpp"
#include "curvel/line.hpp"
#include "curvel/math/vec3f.hpp"
#include "curvel/polyline.hpp"
#include "curvel/interval.hpp"
#include "curvel/nearest.hpp"
#include "curvel/spline.hpp"
#include "vxpickle/error.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace curvel::serial {

void write(vxpickle::Writer& w, Vec3 v);  // a tuple of three floats
void write(vxpickle::Writer& w, const Line& line);
void write(vxpickle::Writer& w, const Ray& ray);
void write(vxpickle::Writer& w, const LineSegment& segment);
void write(vxpickle::Writer& w, const Interval& interval);
void write(vxpickle::Writer& w, const Nearest& nearest);
// The control points as a list (not a tuple) of N vectors.
void write(vxpickle::Writer& w, const QuadraticBezier& curve);
void write(vxpickle::Writer& w, const CubicBezier& curve);
// The points as a list; EMPTY_LIST alone for a curve without points.
void write(vxpickle::Writer& w, const Spline& curve);
void write(vxpickle::Writer& w, const Polyline& curve);

// Throw vxpickle::DecodeError with the bare message (no prefix), for callers
// that nest these values in their own records.
template <class T>
T read(const vxpickle::Value& value);
template <> Vec3 read<Vec3>(const vxpickle::Value& value);
template <> Line read<Line>(const vxpickle::Value& value);
template <> Ray read<Ray>(const vxpickle::Value& value);
template <> LineSegment read<LineSegment>(const vxpickle::Value& value);
template <> Interval read<Interval>(const vxpickle::Value& value);
template <> Nearest read<Nearest>(const vxpickle::Value& value);
template <> QuadraticBezier read<QuadraticBezier>(const vxpickle::Value& value);
template <> CubicBezier read<CubicBezier>(const vxpickle::Value& value);
template <> Spline read<Spline>(const vxpickle::Value& value);
template <> Polyline read<Polyline>(const vxpickle::Value& value);

// A whole stream: PROTO 3, the value, STOP.
template <class T>
std::string encode(const T& value) {
  vxpickle::Writer w;
  write(w, value);
  return w.finish();
}

// A whole stream read back; faults leave as DecodeError.
template <class T>
T decode(std::string_view bytes) {
  return vxpickle::decode_stream(bytes, &read<T>);
}

}  // namespace curvel::serial
