#include "curvel/serialize.hpp"

#include <string>

#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"

namespace curvel::serial {

namespace {

using vxpickle::Field;
using vxpickle::Value;

// Line and Ray share their fields and their form.
template <class L>
void write_origin_dir(vxpickle::Writer& w, const L& line) {
  w.begin_record();
  w.field("origin");
  write(w, line.origin);
  w.field("dir");
  write(w, line.dir);
  w.end_record();
}

constexpr Field ORIGIN_DIR_FIELDS[] = {{"origin"}, {"dir"}};

template <class L>
L read_origin_dir(const Value& value, std::string_view name) {
  L line{};
  vxpickle::read_record(value, {name, ORIGIN_DIR_FIELDS}, [&](std::size_t i, const Value& f) {
    (i == 0 ? line.origin : line.dir) = read<Vec3>(f);
  });
  return line;
}

void write_points(vxpickle::Writer& w, std::span<const Vec3> points) {
  w.begin_record();
  w.field("points");
  w.begin_list();
  for (const Vec3& p : points) write(w, p);
  w.end_list();
  w.end_record();
}

constexpr Field POINTS_FIELDS[] = {{"points"}};

template <std::size_t N>
Bezier<N> read_bezier(const Value& value) {
  Bezier<N> curve{};
  vxpickle::read_record(value, {"Bezier", POINTS_FIELDS}, [&](std::size_t, const Value& f) {
    vxpickle::read_fixed(f, N, vxpickle::array_expectation(N),
                         [&](std::size_t i, const Value& item) { curve.points[i] = read<Vec3>(item); });
  });
  return curve;
}

// Spline and Polyline: a record holding a list of any length.
template <class C>
C read_point_list(const Value& value, std::string_view name) {
  C curve{};
  vxpickle::read_record(value, {name, POINTS_FIELDS}, [&](std::size_t, const Value& f) {
    curve.points = vxpickle::read_vector<Vec3>(f, [](const Value& item) { return read<Vec3>(item); });
  });
  return curve;
}

}  // namespace

void write(vxpickle::Writer& w, Vec3 v) {
  w.begin_tuple();
  w.f32(v.x);
  w.f32(v.y);
  w.f32(v.z);
  w.end_tuple();
}

void write(vxpickle::Writer& w, const Line& line) { write_origin_dir(w, line); }
void write(vxpickle::Writer& w, const Ray& ray) { write_origin_dir(w, ray); }

void write(vxpickle::Writer& w, const LineSegment& segment) {
  w.begin_record();
  w.field("start");
  write(w, segment.start);
  w.field("end");
  write(w, segment.end);
  w.end_record();
}

void write(vxpickle::Writer& w, const Interval& interval) {
  w.begin_record();
  w.field("min");
  w.f32(interval.min);
  w.field("max");
  w.f32(interval.max);
  w.end_record();
}

void write(vxpickle::Writer& w, const Nearest& nearest) {
  w.begin_record();
  w.field("t");
  w.f32(nearest.t);
  w.field("point");
  write(w, nearest.point);
  w.field("dist_sq");
  w.f32(nearest.dist_sq);
  w.end_record();
}

void write(vxpickle::Writer& w, const QuadraticBezier& curve) { write_points(w, curve.points); }
void write(vxpickle::Writer& w, const CubicBezier& curve) { write_points(w, curve.points); }
void write(vxpickle::Writer& w, const Spline& curve) { write_points(w, curve.points); }
void write(vxpickle::Writer& w, const Polyline& curve) { write_points(w, curve.points); }

template <>
Vec3 read<Vec3>(const Value& value) {
  const auto xyz = vxpickle::read_vec3(value);
  return {xyz[0], xyz[1], xyz[2]};
}

template <>
Line read<Line>(const Value& value) {
  return read_origin_dir<Line>(value, "Line");
}

template <>
Ray read<Ray>(const Value& value) {
  return read_origin_dir<Ray>(value, "Ray");
}

template <>
LineSegment read<LineSegment>(const Value& value) {
  static constexpr Field fields[] = {{"start"}, {"end"}};
  LineSegment segment{};
  vxpickle::read_record(value, {"LineSegment", fields}, [&](std::size_t i, const Value& f) {
    (i == 0 ? segment.start : segment.end) = read<Vec3>(f);
  });
  return segment;
}

template <>
Interval read<Interval>(const Value& value) {
  static constexpr Field fields[] = {{"min"}, {"max"}};
  Interval interval{};
  vxpickle::read_record(value, {"Interval", fields}, [&](std::size_t i, const Value& f) {
    (i == 0 ? interval.min : interval.max) = vxpickle::read_f32(f);
  });
  return interval;
}

template <>
Nearest read<Nearest>(const Value& value) {
  static constexpr Field fields[] = {{"t"}, {"point"}, {"dist_sq"}};
  Nearest nearest{};
  vxpickle::read_record(value, {"Nearest", fields}, [&](std::size_t i, const Value& f) {
    switch (i) {
      case 0: nearest.t = vxpickle::read_f32(f); break;
      case 1: nearest.point = read<Vec3>(f); break;
      default: nearest.dist_sq = vxpickle::read_f32(f); break;
    }
  });
  return nearest;
}

template <>
QuadraticBezier read<QuadraticBezier>(const Value& value) {
  return read_bezier<3>(value);
}

template <>
CubicBezier read<CubicBezier>(const Value& value) {
  return read_bezier<4>(value);
}

template <>
Spline read<Spline>(const Value& value) {
  return read_point_list<Spline>(value, "Spline");
}

template <>
Polyline read<Polyline>(const Value& value) {
  return read_point_list<Polyline>(value, "Polyline");
}

}  // namespace curvel::serial
