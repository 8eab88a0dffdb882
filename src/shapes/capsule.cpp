#include "shapes/capsule.hpp"

#include "shapes/axis_shape.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyCapsule>;
using curvel::Vec3;

// The point of the axis segment nearest to `point` (not of the surface). A
// z-aligned axis uses only the z component; a NaN t passes the clamp.
Vec3 closest_point_to(const tangor::Capsule& c, Vec3 point) {
    if (c.z_aligned) {
        const float t = curvel::clamp(((point.z - c.p1.z) * c.dir.z) * c.rdv, 0.0f, 1.0f);
        return {c.p1.x, c.p1.y, c.p1.z + c.dir.z * t};
    }
    const float t = curvel::clamp(c.rdv * curvel::dot(point - c.p1, c.dir), 0.0f, 1.0f);
    return c.p1 + c.dir * t;
}

const bind::MethodTable frame =
    shapes::axis_shape_frame<PyCapsule, "Capsule(p1=None, p2=None, radius=0.0, *, __pickle_state__=None)">();
const bind::MethodTable axis = shapes::axis_shape_methods<PyCapsule>();
const bind::MethodTable own = {
    D::method<"closest_point_to($self, point)", &closest_point_to>(),
};

}  // namespace

const bind::ClassDef& PyCapsule::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &axis,
                &own,
            },
        .fields = std::vector<const char*>{"p1", "p2", "radius"},
    };
    return d;
}

}  // namespace vx
