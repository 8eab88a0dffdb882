#include "shapes/cuboid.hpp"

#include <cmath>

#include "shapes/shape_frame.hpp"
#include "values/matrix_args.hpp"

namespace vx {
namespace {

using D = bind::Declare<PyCuboid>;
using curvel::Vec3;
using tangor::Cuboid;
using Triple = std::array<float, 3>;

Vec3 to_vec3(const Triple& t) { return {t[0], t[1], t[2]}; }
std::vector<double> widened(const Triple& t) { return {t[0], t[1], t[2]}; }

// Each level of `axes` and `half_extents` is any sequence of exactly three.
Cuboid build(Vec3 center, std::array<Triple, 3> axes, Triple half_extents) {
    return Cuboid::create(center, {to_vec3(axes[0]), to_vec3(axes[1]), to_vec3(axes[2])}, half_extents);
}

// The axes are not shown.
std::string repr(const Cuboid& b) {
    return shapes::ShapeRepr(PyCuboid::name)
        .vec("center", b.center)
        .vec("half_extents", to_vec3(b.half_extents))
        .finish();
}

std::vector<std::vector<double>> axes(const Cuboid& b) {
    std::vector<std::vector<double>> out;
    for (const Vec3& a : b.axes) out.push_back({a.x, a.y, a.z});
    return out;
}
DMat3 orientation(const Cuboid& b) {
    return {shapes::widen(b.axes[0]), shapes::widen(b.axes[1]), shapes::widen(b.axes[2])};
}
std::vector<double> half_extents(const Cuboid& b) { return widened(b.half_extents); }
// Exactly twice the stored value: widened first, then doubled.
std::vector<double> full_extents(const Cuboid& b) {
    std::vector<double> out = widened(b.half_extents);
    for (double& h : out) h = h + h;
    return out;
}

// Projections on every axis, axis_aligned or not; the point is outside as
// soon as one exceeds its half extent, so a NaN projection counts as inside.
bool contains_point(const Cuboid& b, Vec3 point) {
    const Vec3 v = point - b.center;
    for (int i = 0; i < 3; ++i)
        if (std::fabs(curvel::dot(v, b.axes[i])) > b.half_extents[i]) return false;
    return true;
}
float point_dist_sq(const Cuboid& b, Vec3 point) { return b.point_dist_sq(point); }
float bounding_sphere_radius(const Cuboid& b) { return b.half_diagonal(); }

// Corner k takes +A for bit 2, +B for bit 1, +C for bit 0, summed as
// centre + (C + (A + B)); a sign is an exact negation.
std::vector<Vec3> corners(const Cuboid& b) {
    const Vec3 a = b.axes[0] * b.half_extents[0];
    const Vec3 bb = b.axes[1] * b.half_extents[1];
    const Vec3 c = b.axes[2] * b.half_extents[2];
    std::vector<Vec3> out;
    out.reserve(8);
    for (int k = 0; k < 8; ++k) {
        const Vec3 sa = (k & 4) ? a : -a;
        const Vec3 sb = (k & 2) ? bb : -bb;
        const Vec3 sc = (k & 1) ? c : -c;
        out.push_back(b.center + (sc + (sa + sb)));
    }
    return out;
}

// A reversed pair gives negative half extents.
Cuboid from_aabb(Vec3 min, Vec3 max) { return tangor::cuboid::aabb_from_bounds(min, max); }

// Half extents |size|·0.5 in double precision, then narrowed; the columns of
// the orientation become the axes unnormalised; never flagged axis-aligned.
Cuboid from_center_size_orientation(Vec3 center, std::tuple<double, double, double> size, const DMat3& orientation) {
    const auto [sx, sy, sz] = size;
    const Triple half{shapes::narrow(std::fabs(sx) * 0.5), shapes::narrow(std::fabs(sy) * 0.5),
                      shapes::narrow(std::fabs(sz) * 0.5)};
    return {center,
            {shapes::narrow(orientation.x_axis), shapes::narrow(orientation.y_axis), shapes::narrow(orientation.z_axis)},
            half,
            false};
}

const bind::MethodTable frame = shapes::shape_frame_methods<
    PyCuboid, "Cuboid(center=None, axes=None, half_extents=None, *, __pickle_state__=None)", &build, &repr>();

const bind::MethodTable members = {
    D::getter<"center", &shapes::Stored<&Cuboid::center>::get>(),
    D::getter<"axes", &axes>(),
    D::getter<"orientation", &orientation>(),
    D::getter<"half_extents", &half_extents>(),
    D::getter<"full_extents", &full_extents>(),
    D::getter<"axis_aligned", &shapes::Stored<&Cuboid::axis_aligned>::get>(),
    D::method<"contains_point($self, point)", &contains_point>(),
    D::method<"point_dist_sq($self, point)", &point_dist_sq>(),
    D::method<"bounding_sphere_radius($self)", &bounding_sphere_radius>(),
    D::method<"corners($self)", &corners>(),
    D::static_method<"from_aabb(min, max)", &from_aabb>(),
    D::static_method<"from_center_size_orientation(center, size, orientation)", &from_center_size_orientation>(),
};

}  // namespace

const bind::ClassDef& PyCuboid::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &members,
            },
        .fields = std::vector<const char*>{"center", "axes", "half_extents"},
    };
    return d;
}

}  // namespace vx
