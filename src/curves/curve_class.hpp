#pragma once
// What the four curve classes share, written once over the class: the curve,
// transform, trim and arc-length methods, pickling, approximate comparison
// and the points getter. A class adds its constructor, repr and own methods.
//
// Everything is single precision: parameters are narrowed on the way in
// (the `float` and `curvel::Vec3` casters), results widened on the way out.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "curves/classes.hpp"
#include "curves/evaluation.hpp"
#include "curves/exact_or.hpp"
#include "shapes/single_precision.hpp"
#include "curves/state.hpp"
#include "curves/transforms.hpp"
#include "shapes/cuboid.hpp"

namespace vx::curves {

template <class C>
constexpr bool holds_point_list = std::is_same_v<decltype(C::points), std::vector<curvel::Vec3>>;

// A curve of Cls's kind from the `points` attribute of any object, read as a
// list of vectors: a Bezier needs exactly its number of points, a spline or
// polyline takes any number.
template <class Cls>
typename Cls::Value curve_from_points_attribute(PyObject* o) {
    using C = typename Cls::Value;
    std::vector<curvel::Vec3> points = attribute<std::vector<curvel::Vec3>, "points">(o);
    C curve{};
    if constexpr (holds_point_list<C>) {
        curve.points = std::move(points);
    } else {
        const std::size_t n = curve.points.size();
        if (points.size() != n)
            bind::raise_value_error(std::string(Cls::name) + " requires exactly " + std::to_string(n) +
                                    " control points");
        std::copy(points.begin(), points.end(), curve.points.begin());
    }
    return curve;
}

template <class Cls>
using CurveArg = ExactOr<Cls, &curve_from_points_attribute<Cls>>;

template <class Cls>
struct CurveClass {
    using C = typename Cls::Value;
    using Vec3 = curvel::Vec3;

    template <class F>
    static C map_points(const C& c, F f) {
        C r = c;
        for (Vec3& p : r.points) p = f(p);
        return r;
    }

    // ---- Curve ----
    static curvel::Interval domain(const C&) { return {0.0f, 1.0f}; }
    static Vec3 point_(const C& c, float t) { return point(evaluated(c), t); }
    static Vec3 velocity_(const C& c, float t) { return velocity(evaluated(c), t); }
    static Vec3 acceleration_(const C& c, float t) { return acceleration(evaluated(c), t); }
    static Vec3 tangent(const C& c, float t) { return curvel::normalize_or_zero(velocity_(c, t)); }
    static Vec3 normal_(const C& c, float t) { return curvel::normal(evaluated(c), t); }
    static Vec3 binormal(const C& c, float t) { return curvel::cross(tangent(c, t), normal_(c, t)); }
    static float curvature_(const C& c, float t) { return curvel::curvature(evaluated(c), t); }
    // Two plain comparisons: a NaN t passes through both.
    static Vec3 point_clamped(const C& c, float t) {
        if (t < 0.0f) t = 0.0f;
        if (t > 1.0f) t = 1.0f;
        return point_(c, t);
    }
    static std::pair<Vec3, Vec3> endpoints(const C& c) { return {point_(c, 0.0f), point_(c, 1.0f)}; }
    static float length(const C& c) { return curvel::arc_length(c); }
    static curvel::Nearest nearest(const C& c, Vec3 query) { return nearest_to(c, query); }
    static float distance_sq(const C& c, Vec3 query) { return nearest_to(c, query).dist_sq; }
    static float distance(const C& c, Vec3 query) { return std::sqrt(distance_sq(c, query)); }
    static std::vector<Vec3> control_points(const C& c) { return {c.points.begin(), c.points.end()}; }
    // The box of the control points, not of the curve. Each bound keeps its
    // value only while strictly beyond the next point, so a NaN coordinate is
    // taken up; with no points the bounds stay infinite and the box comes out
    // with a NaN center and -inf half extents.
    static tangor::Cuboid aabb(const C& c) {
        constexpr float inf = std::numeric_limits<float>::infinity();
        Vec3 lo = curvel::splat(inf), hi = curvel::splat(-inf);
        const auto keep_lower = [](float bound, float v) { return bound < v ? bound : v; };
        const auto keep_upper = [](float bound, float v) { return bound > v ? bound : v; };
        for (const Vec3& p : c.points) {
            lo = {keep_lower(lo.x, p.x), keep_lower(lo.y, p.y), keep_lower(lo.z, p.z)};
            hi = {keep_upper(hi.x, p.x), keep_upper(hi.y, p.y), keep_upper(hi.z, p.z)};
        }
        const Vec3 center = (lo + hi) * 0.5f;
        const Vec3 half = (hi - lo) * 0.5f;
        return tangor::Cuboid{center, tangor::cuboid::IDENTITY_AXES, {half.x, half.y, half.z}, true};
    }

    // ---- Transform ----
    static C scaled(const C& c, float factor) {
        return map_points(c, [&](Vec3 p) { return p * factor; });
    }
    static C translated(const C& c, Vec3 offset) {
        return map_points(c, [&](Vec3 p) { return p + offset; });
    }
    static C moved(const C& c, const curvel::Affine3& a) {
        return map_points(c, [&](Vec3 p) { return curvel::transform_point(a, p); });
    }
    static C rotated_mat(const C& c, DMat3 mat) { return moved(c, linear_map(mat)); }
    static C rotated_quat(const C& c, DQuat quat) { return moved(c, rotation_map(quat)); }
    static C transformed(const C& c, DAffine3 mat) { return moved(c, affine_map(mat)); }

    // ---- Trim ----
    static C subcurve(const C& c, float t0, float t1) { return curvel::subcurve(c, t0, t1); }
    static C reversed(const C& c) {
        C r = c;
        std::reverse(r.points.begin(), r.points.end());
        return r;
    }
    static C truncate_start(const C& c, float t0) { return subcurve(c, t0, 1.0f); }
    static C truncate_end(const C& c, float t1) { return subcurve(c, 0.0f, t1); }
    static std::pair<C, C> split_at(const C& c, float t) { return {subcurve(c, 0.0f, t), subcurve(c, t, 1.0f)}; }

    // ---- ArcLength ----
    static float arc_length_to(const C& c, float t) { return curvel::arc_length_to(c, t); }
    static float t_at_distance(const C& c, float s) { return curvel::t_at_distance(c, s); }
    static Vec3 point_at_distance(const C& c, float s) { return point_(c, curvel::t_at_distance(c, s)); }

    // ---- state and comparison ----
    static bind::Ref getnewargs_ex_(const C& c) { return getnewargs_ex(c); }
    // Points in order, x, y, z each: |a − b| <= bound in single precision, so
    // a NaN anywhere or a negative bound fails. Point lists of different
    // lengths differ.
    static bool abs_diff_eq(const C& c, CurveArg<Cls> rhs, float max_abs_diff) {
        if (c.points.size() != rhs.value.points.size()) return false;
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            const Vec3 a = c.points[i], b = rhs.value.points[i];
            if (!(std::fabs(a.x - b.x) <= max_abs_diff)) return false;
            if (!(std::fabs(a.y - b.y) <= max_abs_diff)) return false;
            if (!(std::fabs(a.z - b.z) <= max_abs_diff)) return false;
        }
        return true;
    }
};

template <class Cls>
bind::MethodTable curve_methods() {
    using F = CurveClass<Cls>;
    using D = bind::Declare<Cls>;
    return {
        D::template method<"domain($self)", &F::domain>(),
        D::template method<"point($self, t)", &F::point_>(),
        D::template method<"velocity($self, t)", &F::velocity_>(),
        D::template method<"acceleration($self, t)", &F::acceleration_>(),
        D::template method<"tangent($self, t)", &F::tangent>(),
        D::template method<"normal($self, t)", &F::normal_>(),
        D::template method<"binormal($self, t)", &F::binormal>(),
        D::template method<"curvature($self, t)", &F::curvature_>(),
        D::template method<"point_clamped($self, t)", &F::point_clamped>(),
        D::template method<"endpoints($self)", &F::endpoints>(),
        D::template method<"length($self)", &F::length>(),
        D::template method<"aabb($self)", &F::aabb>(),
        D::template method<"nearest($self, query)", &F::nearest>(),
        D::template method<"distance($self, query)", &F::distance>(),
        D::template method<"distance_sq($self, query)", &F::distance_sq>(),
        D::template method<"control_points($self)", &F::control_points>(),
        D::template getter<"points", &F::control_points>(),
        D::template method<"scaled($self, factor)", &F::scaled>(),
        D::template method<"translated($self, offset)", &F::translated>(),
        D::template method<"rotated_mat($self, mat)", &F::rotated_mat>(),
        D::template method<"rotated_quat($self, quat)", &F::rotated_quat>(),
        D::template method<"transformed($self, mat)", &F::transformed>(),
        D::template method<"subcurve($self, t0, t1)", &F::subcurve>(),
        D::template method<"reversed($self)", &F::reversed>(),
        D::template method<"truncate_start($self, t0)", &F::truncate_start>(),
        D::template method<"truncate_end($self, t1)", &F::truncate_end>(),
        D::template method<"split_at($self, t)", &F::split_at>(),
        D::template method<"arc_length_to($self, t)", &F::arc_length_to>(),
        D::template method<"t_at_distance($self, s)", &F::t_at_distance>(),
        D::template method<"point_at_distance($self, s)", &F::point_at_distance>(),
        D::template method<"__getnewargs_ex__($self)", &F::getnewargs_ex_>(),
        D::template method<"abs_diff_eq($self, rhs, max_abs_diff)", &F::abs_diff_eq>(),
    };
}

// The class definition every curve class uses: its own members, then the
// shared ones, with the one dataclass field "points".
template <class Cls>
const bind::ClassDef& curve_class_def(const bind::MethodTable& own) {
    static const bind::MethodTable shared = curve_methods<Cls>();
    static const bind::ClassDef d{.blocks = {&own, &shared}, .fields = std::vector<const char*>{"points"}};
    return d;
}

}  // namespace vx::curves
