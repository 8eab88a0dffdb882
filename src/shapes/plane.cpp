#include "shapes/plane.hpp"

#include "shapes/shape_frame.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyPlane>;
using curvel::Vec3;
using tangor::Plane;

Plane build(Vec3 normal, std::optional<float> d) { return {normal, d.value_or(0.0f)}; }

std::string repr(const Plane& p) {
    return shapes::ShapeRepr(PyPlane::name).vec("normal", p.normal).number("d", p.d).finish();
}

// d = point·normal in single precision; the normal is not made unit length.
Plane from_point_normal(Vec3 point, Vec3 normal) { return {normal, curvel::dot(point, normal)}; }

const bind::MethodTable frame =
    shapes::shape_frame_methods<PyPlane, "Plane(normal=None, d=0.0, *, __pickle_state__=None)", &build, &repr>();

const bind::MethodTable members = {
    D::getter<"normal", &shapes::Stored<&Plane::normal>::get>(),
    D::getter<"d", &shapes::Stored<&Plane::d>::get>(),
    D::static_method<"from_point_normal(point, normal)", &from_point_normal>(),
};

}  // namespace

const bind::ClassDef& PyPlane::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &members,
            },
        .fields = std::vector<const char*>{"normal", "d"},
    };
    return d;
}

}  // namespace vx
