#include "curvel/serialize.hpp"

namespace curvel::serial {

namespace {

using vxpickle::ArrayOf;
using vxpickle::Codec;
using vxpickle::member;
using vxpickle::record_form;

// Line and Ray share their fields and their form.
template <class L>
constexpr auto origin_dir_form(std::string_view name) {
  return record_form<L>(name, member<&L::origin>("origin"), member<&L::dir>("dir"));
}

// Both Bezier kinds carry the record name "Bezier"; their points are a list.
template <std::size_t N>
constexpr auto bezier_form() {
  return record_form<Bezier<N>>("Bezier", member<&Bezier<N>::points, ArrayOf<Codec<Vec3>, N, true>>("points"));
}

}  // namespace

constinit const vxpickle::RecordForm<Line, 2> line_form = origin_dir_form<Line>("Line");
constinit const vxpickle::RecordForm<Ray, 2> ray_form = origin_dir_form<Ray>("Ray");
constinit const vxpickle::RecordForm<LineSegment, 2> segment_form =
    record_form<LineSegment>("LineSegment", member<&LineSegment::start>("start"), member<&LineSegment::end>("end"));
constinit const vxpickle::RecordForm<Interval, 2> interval_form =
    record_form<Interval>("Interval", member<&Interval::min>("min"), member<&Interval::max>("max"));
constinit const vxpickle::RecordForm<Nearest, 3> nearest_form =
    record_form<Nearest>("Nearest", member<&Nearest::t>("t"), member<&Nearest::point>("point"),
                         member<&Nearest::dist_sq>("dist_sq"));
constinit const vxpickle::RecordForm<QuadraticBezier, 1> quadratic_bezier_form = bezier_form<3>();
constinit const vxpickle::RecordForm<CubicBezier, 1> cubic_bezier_form = bezier_form<4>();
constinit const vxpickle::RecordForm<Spline, 1> spline_form =
    record_form<Spline>("Spline", member<&Spline::points>("points"));
constinit const vxpickle::RecordForm<Polyline, 1> polyline_form =
    record_form<Polyline>("Polyline", member<&Polyline::points>("points"));

}  // namespace curvel::serial
