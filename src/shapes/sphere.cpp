#include "shapes/sphere.hpp"

#include "shapes/shape_frame.hpp"

namespace vx {
namespace {

using D = bind::Declare<PySphere>;
using shapes::Stored;

tangor::Sphere build(curvel::Vec3 center, std::optional<float> radius) { return {center, radius.value_or(0.0f)}; }

std::string repr(const tangor::Sphere& s) {
    return shapes::ShapeRepr(PySphere::name).vec("center", s.center).number("radius", s.radius).finish();
}

const bind::MethodTable frame = shapes::shape_frame_methods<
    PySphere, "Sphere(center=None, radius=0.0, *, __pickle_state__=None)", &build, &repr>();

const bind::MethodTable properties = {
    D::getter<"center", &Stored<&tangor::Sphere::center>::get>(),
    D::getter<"radius", &Stored<&tangor::Sphere::radius>::get>(),
};

}  // namespace

const bind::ClassDef& PySphere::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &properties,
            },
        .fields = std::vector<const char*>{"center", "radius"},
    };
    return d;
}

}  // namespace vx
