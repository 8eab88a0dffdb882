#include "shapes/convex_polytope.hpp"

#include "shapes/cuboid.hpp"
#include "shapes/shape_frame.hpp"
#include "tangor/stretch.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyConvexPolytope>;
using curvel::Vec3;
using tangor::ConvexPolytope;
using tangor::Plane;
using Triple = std::array<float, 3>;

// A plane is a tuple (normal, d): the normal any sequence of three numbers.
using PlaneList = std::vector<std::pair<Triple, float>>;
using PointList = std::vector<Triple>;

Vec3 to_vec3(const Triple& t) { return {t[0], t[1], t[2]}; }
std::vector<float> widened(Vec3 v) { return {v.x, v.y, v.z}; }

std::vector<Plane> to_planes(const PlaneList& planes) {
    std::vector<Plane> out;
    out.reserve(planes.size());
    for (const auto& [normal, d] : planes) out.push_back({to_vec3(normal), d});
    return out;
}
std::vector<Vec3> to_points(const PointList& points) {
    std::vector<Vec3> out;
    out.reserve(points.size());
    for (const Triple& p : points) out.push_back(to_vec3(p));
    return out;
}

// Nothing ties the planes to the vertices, and normals stay as given.
ConvexPolytope build(PlaneList planes, PointList vertices) {
    return ConvexPolytope::create(to_planes(planes), to_points(vertices));
}

// The box is stored as given, even one that does not enclose the vertices.
ConvexPolytope with_obb(PlaneList planes, PointList vertices, tangor::Cuboid obb) {
    return {to_planes(planes), to_points(vertices), obb};
}

// Every face plane of the sweep moves against its normal by offset/|normal|:
// one single-precision subtraction per plane.
ConvexPolytope swept(const ConvexPolytope& p, Vec3 translation, std::optional<float> plane_offset) {
    ConvexPolytope out = tangor::Stretchable<ConvexPolytope>::stretch(p, translation);
    const float offset = plane_offset.value_or(0.0f);
    for (Plane& plane : out.planes) plane.d = plane.d - offset;
    return out;
}

std::string repr(const ConvexPolytope& p) {
    return shapes::ShapeRepr(PyConvexPolytope::name)
        .count("planes", p.planes.size())
        .count("vertices", p.vertices.size())
        .finish();
}

// One ([nx, ny, nz], d) tuple per plane.
std::vector<std::pair<std::vector<float>, float>> planes(const ConvexPolytope& p) {
    std::vector<std::pair<std::vector<float>, float>> out;
    out.reserve(p.planes.size());
    for (const Plane& plane : p.planes) out.emplace_back(widened(plane.normal), plane.d);
    return out;
}
std::vector<std::vector<float>> vertices(const ConvexPolytope& p) {
    std::vector<std::vector<float>> out;
    out.reserve(p.vertices.size());
    for (const Vec3& v : p.vertices) out.push_back(widened(v));
    return out;
}

const bind::MethodTable frame = shapes::shape_frame_methods<
    PyConvexPolytope, "ConvexPolytope(planes=None, vertices=None, *, __pickle_state__=None)", &build, &repr>();

// The uniform method obb() of the bounds, where a class has it, takes the
// name: the interpreter enters methods before properties.
const bind::MethodTable members = {
    D::getter<"planes", &planes>(),
    D::getter<"vertices", &vertices>(),
    D::getter<"obb", &shapes::Stored<&ConvexPolytope::obb>::get>(),
    D::static_method<"with_obb(planes, vertices, obb)", &with_obb>(),
    D::method<"swept($self, translation, plane_offset=0.0)", &swept>(),
};

}  // namespace

const bind::ClassDef& PyConvexPolytope::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &members,
            },
        .fields = std::vector<const char*>{"planes", "vertices"},
    };
    return d;
}

}  // namespace vx
