#pragma once
// What Capsule and Cylinder share: both hold p1, dir = p2 − p1, the radius
// and the derived rdv and z_aligned, built by the same rule; p2 is always
// recomputed as p1 + dir.
#include "shapes/shape_frame.hpp"
#include "shapes/sphere.hpp"
#include "values/matrix_args.hpp"

namespace vx::shapes {

template <class Cls>
struct AxisShape {
    using V = typename Cls::Value;

    static V build(curvel::Vec3 p1, curvel::Vec3 p2, std::optional<float> radius) {
        return V::create(p1, p2, radius.value_or(0.0f));
    }
    static curvel::Vec3 p2(const V& s) { return s.p1 + s.dir; }
    static std::string repr(const V& s) {
        return ShapeRepr(Cls::name).vec("p1", s.p1).vec("p2", p2(s)).number("radius", s.radius).finish();
    }
    // The axis alone, without caps or radius.
    static float length(const V& s) { return curvel::length(s.dir); }
    static tangor::Sphere bounding_sphere(const V& s) {
        return tangor::capsule::axis_broadphase(s.p1, s.dir, s.radius, s.z_aligned);
    }
    // In double precision: the half axis is orientation·(0, h, 0), so the
    // second column is the axis direction (and a NaN elsewhere in the matrix
    // still reaches the result); the end points are narrowed last.
    static V from_center_orientation(const DVec3& center, const DMat3& orientation, double length, double radius) {
        const DVec3 half_axis = mul(orientation, DVec3{{0.0, length * 0.5, 0.0}});
        return V::create(narrow(center - half_axis), narrow(center + half_axis), narrow(radius));
    }
};

template <class Cls, bind::fixed_string Sig>
bind::MethodTable axis_shape_frame() {
    return shape_frame_methods<Cls, Sig, &AxisShape<Cls>::build, &AxisShape<Cls>::repr>();
}

template <class Cls>
bind::MethodTable axis_shape_methods() {
    using D = bind::Declare<Cls>;
    using A = AxisShape<Cls>;
    using V = typename Cls::Value;
    return {
        D::template getter<"p1", &Stored<&V::p1>::get>(),
        D::template getter<"p2", &A::p2>(),
        D::template getter<"radius", &Stored<&V::radius>::get>(),
        D::template method<"length($self)", &A::length>(),
        D::template method<"bounding_sphere($self)", &A::bounding_sphere>(),
        D::template static_method<"from_center_orientation(center, orientation, length, radius)",
                                  &A::from_center_orientation>(),
    };
}

}  // namespace vx::shapes
