#pragma once
// The curve classes and their records. Each class holds one value of the
// curve library, in single precision; the definitions live one file per
// class, the members the four curves share in curve_class.hpp.
#include "bind/class.hpp"
#include "curvel/bezier.hpp"
#include "curvel/interval.hpp"
#include "curvel/nearest.hpp"
#include "curvel/polyline.hpp"
#include "curvel/spline.hpp"

namespace vx {

struct PyInterval {
    using Value = curvel::Interval;
    static constexpr const char* name = "Interval";
    static const bind::ClassDef& def();
};
struct PyNearest {
    using Value = curvel::Nearest;
    static constexpr const char* name = "Nearest";
    static const bind::ClassDef& def();
};
struct PyQuadraticBezier {
    using Value = curvel::QuadraticBezier;
    static constexpr const char* name = "QuadraticBezier";
    static const bind::ClassDef& def();
};
struct PyCubicBezier {
    using Value = curvel::CubicBezier;
    static constexpr const char* name = "CubicBezier";
    static const bind::ClassDef& def();
};
struct PyPolyline {
    using Value = curvel::Polyline;
    static constexpr const char* name = "Polyline";
    static const bind::ClassDef& def();
};
struct PySpline {
    using Value = curvel::Spline;
    static constexpr const char* name = "Spline";
    static const bind::ClassDef& def();
};

}  // namespace vx

// A body returning a library record or curve returns a new object of its class.
template <>
struct vx::bind::ClassOf<curvel::Interval> {
    using type = vx::PyInterval;
};
template <>
struct vx::bind::ClassOf<curvel::Nearest> {
    using type = vx::PyNearest;
};
template <>
struct vx::bind::ClassOf<curvel::QuadraticBezier> {
    using type = vx::PyQuadraticBezier;
};
template <>
struct vx::bind::ClassOf<curvel::CubicBezier> {
    using type = vx::PyCubicBezier;
};
template <>
struct vx::bind::ClassOf<curvel::Polyline> {
    using type = vx::PyPolyline;
};
template <>
struct vx::bind::ClassOf<curvel::Spline> {
    using type = vx::PySpline;
};
