#include "shapes/cylinder.hpp"

#include <cmath>

#include "shapes/axis_shape.hpp"
#include "values/math/dquat.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyCylinder>;
using curvel::Vec3;
using tangor::Cylinder;

// Squared distance to the solid, 0 inside: the axial excess beyond the caps
// plus the radial excess beyond the radius (a NaN radial distance counts as
// beyond, a NaN radius does not).
float point_dist_sq(const Cylinder& c, Vec3 point) {
    const Vec3 v = point - c.p1;
    const float t = c.rdv * curvel::dot(v, c.dir);
    const Vec3 w = v - c.dir * t;
    const float r2 = w.z * w.z + (w.x * w.x + w.y * w.y);
    const float tc = curvel::clamp(t, 0.0f, 1.0f);
    const float axial = curvel::dot(c.dir, c.dir) * ((t - tc) * (t - tc));
    if (r2 > c.radius * c.radius || std::isnan(r2)) {
        const float radial = std::sqrt(r2) - c.radius;
        return axial + radial * radial;
    }
    return axial;
}

// Boundary points are inside; a NaN anywhere makes it False.
bool contains_point(const Cylinder& c, Vec3 point) { return c.contains(point); }

// In double precision from the widened ends: the centre, and the shortest
// arc turning +Y onto the axis as a matrix (its y_axis is the axis).
std::tuple<DVec3, DMat3> center_orientation(const Cylinder& c) {
    const DVec3 p1 = shapes::widen(c.p1);
    const DVec3 p2 = shapes::widen(c.p1 + c.dir);
    const DVec3 d = p2 - p1;
    const double len = length(d);
    const DVec3 axis = len > 1e-12 ? d / len : DVec3{{0.0, 1.0, 0.0}};
    const DQuat arc = quat_from_rotation_arc(DVec3{{0.0, 1.0, 0.0}}, axis);
    return {(p1 + p2) * 0.5, mat3_from_quat(arc)};
}

const bind::MethodTable frame =
    shapes::axis_shape_frame<PyCylinder, "Cylinder(p1=None, p2=None, radius=0.0, *, __pickle_state__=None)">();
const bind::MethodTable axis = shapes::axis_shape_methods<PyCylinder>();
const bind::MethodTable own = {
    D::method<"point_dist_sq($self, point)", &point_dist_sq>(),
    D::method<"contains_point($self, point)", &contains_point>(),
    D::method<"center_orientation($self)", &center_orientation>(),
};

}  // namespace

const bind::ClassDef& PyCylinder::def() {
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
