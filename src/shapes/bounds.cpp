#include "shapes/bounds.hpp"

#include <array>
#include <cmath>

namespace vx::shapes {

using curvel::Vec3;
using tangor::Cuboid;
using tangor::cuboid::IDENTITY_AXES;
using Extents = std::array<float, 3>;

namespace {

Cuboid world_box(Vec3 center, const Extents& half) { return {center, IDENTITY_AXES, half, true}; }

// The frame of an axis d: u = d/L, then b1 = normalised u × h with h the
// world axis least along u ((1, 0, 0) unless |u.x| >= 0.9), then b2 = u × b1.
// Below epsilon (a NaN length is not below) the world axes stand in.
struct AxisFrame {
    float length;
    bool degenerate;
    std::array<Vec3, 3> axes;
};

AxisFrame axis_frame(Vec3 d) {
    const float length = std::sqrt(curvel::dot(d, d));
    if (length < tangor::EPS) return {length, true, IDENTITY_AXES};
    const Vec3 u = d / length;
    const Vec3 h = std::fabs(u.x) < 0.9f ? Vec3{1.0f, 0.0f, 0.0f} : Vec3{0.0f, 1.0f, 0.0f};
    const Vec3 b = curvel::cross(u, h);
    const Vec3 b1 = b * (1.0f / std::sqrt(curvel::dot(b, b)));
    return {length, false, {u, b1, curvel::cross(u, b1)}};
}

// The capsule's box reaches the radius beyond each end, the cylinder's ends
// are flat.
template <class V>
Cuboid axis_obb(const V& s, bool rounded_ends) {
    const AxisFrame f = axis_frame(s.dir);
    const float r = s.radius;
    const float half_length = f.length * 0.5f;
    const Extents half = f.degenerate ? Extents{r, r, r} : Extents{rounded_ends ? half_length + r : half_length, r, r};
    return Cuboid::create(s.p1 + s.dir * 0.5f, f.axes, half);
}

// Each |axis·w| is the full dot product with the world axis w, its products
// with zeros included: a NaN component of an axis makes every extent NaN, an
// infinite one the two extents it is multiplied by 0 for. The centre is kept
// as it is, not rebuilt from lo and hi.
Cuboid world_box_around(const Cuboid& b) {
    if (b.axis_aligned) return b;
    const auto& [h0, h1, h2] = b.half_extents;
    Extents e;
    for (int j = 0; j < 3; ++j) {
        const Vec3 w = IDENTITY_AXES[j];
        e[j] = (h0 * std::fabs(curvel::dot(b.axes[0], w)) + h1 * std::fabs(curvel::dot(b.axes[1], w))) +
               h2 * std::fabs(curvel::dot(b.axes[2], w));
    }
    return world_box(b.center, e);
}

}  // namespace

Cuboid obb(const tangor::Sphere& s) { return tangor::aabb(s); }
Cuboid obb(const tangor::Capsule& c) { return axis_obb(c, true); }
Cuboid obb(const tangor::Cylinder& c) { return axis_obb(c, false); }
Cuboid obb(const Cuboid& b) { return b; }
Cuboid obb(const tangor::ConvexPolytope& p) { return p.obb; }
// The polygon's own frame, flat along its normal.
Cuboid obb(const tangor::ConvexPolygon& p) {
    const float r = p.bounding_radius;
    return Cuboid::create(p.center, {p.u_axis, p.v_axis, p.normal}, {r, r, 0.0f});
}
// A segment too short for a frame is a box at p1 with half extents p1 − p1,
// so a non-finite p1 gives NaN extents.
Cuboid obb(const curvel::LineSegment& s) {
    const AxisFrame f = axis_frame(s.end - s.start);
    if (f.degenerate) {
        const Vec3 zero = s.start - s.start;
        return world_box(s.start, {zero.x, zero.y, zero.z});
    }
    return Cuboid::create((s.start + s.end) * 0.5f, f.axes, {f.length * 0.5f, 0.0f, 0.0f});
}
Cuboid obb(const tangor::Pointcloud& c) { return tangor::aabb(c); }

Cuboid aabb(const tangor::Sphere& s) { return tangor::aabb(s); }
Cuboid aabb(const tangor::Capsule& c) { return tangor::aabb(c); }
Cuboid aabb(const tangor::Cylinder& c) { return tangor::aabb(c); }
Cuboid aabb(const Cuboid& b) { return world_box_around(b); }
Cuboid aabb(const tangor::ConvexPolytope& p) { return world_box_around(p.obb); }
// Without vertices: the centre itself with zero extents.
Cuboid aabb(const tangor::ConvexPolygon& p) {
    if (p.vertices_3d.empty()) return world_box(p.center, {0.0f, 0.0f, 0.0f});
    return tangor::aabb(p);
}
Cuboid aabb(const curvel::LineSegment& s) { return tangor::aabb(s); }
// In the world frame: a moved cloud's box follows its pending transform.
Cuboid aabb(const tangor::Pointcloud& c) { return tangor::aabb(c); }

}  // namespace vx::shapes
