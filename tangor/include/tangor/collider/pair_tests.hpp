#pragma once

// The exact tests that have no operation of their own elsewhere: a sphere or
// a bare point against the other kinds, an infinite plane against the other
// kinds, and cylinder–cylinder. The pair catalogue (tangor/pairs.hpp) says
// which pair each decides. Touching counts in every test; a comparison with
// NaN is false, so NaN data gives no hit (except where a rule says a shape
// without planes holds everything, and in the shape classes' plane–plane
// test, which answers "apart" only when sure).

#include <span>

#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/refer.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/plane/ref_convex.hpp"
#include "tangor/sphere.hpp"

namespace tangor::collider {

// Closest point of the axis p1 .. p1 + dir to x, by rdv (t clamped to
// [0, 1]); the z_aligned form when that flag is set.
Vec3 closest_axis_point(const Capsule& c, Vec3 x);

bool sphere_capsule(const Sphere& s, const Capsule& c);
// Flat caps: beside the wall the radial distance; beyond a cap the distance
// to the cap disk, or to its rim circle without a square root.
bool sphere_cylinder(const Sphere& s, const Cylinder& c);
// The centre within r of the piece (a direction of length² <= EPS is its
// origin). The parameter is raised to t_min and lowered to t_max where those
// are finite, NaN ignored.
bool sphere_piece(const Sphere& s, const util::LinePiece& piece);
// The bounding check, then the height above the plane inside the outline
// (1e-6 edge slack), else height and distance to the outline.
bool sphere_polygon(const Sphere& s, const plane::ref_convex::RefConvexPolygon& p);
// No face plane with n·c − d > r (a polytope without planes is hit).
bool sphere_polytope(const Sphere& s, std::span<const Plane> planes);
// The centre within r of the obb, then sphere_polytope: stricter near
// corners and edges than sphere_polytope alone.
bool polytope_sphere(const convex_polytope::refer::RefConvexPolytope& p, const Sphere& s);
// n·c − d <= r.
bool sphere_plane(const Sphere& s, const Plane& plane);
// The plane query's form: (n·c − d) − r <= 0 (an infinite radius never hits).
bool plane_sphere(const Plane& plane, const Sphere& s);

bool capsule_point(const Capsule& c, Vec3 p);
// n·p <= d for every face plane.
bool polytope_point(std::span<const Plane> planes, Vec3 p);
// n·p <= d: a point in the solid half-space or on its boundary.
bool plane_point(const Plane& plane, Vec3 p);

// Decided as two capsules about the axes; a sampling stage after a failed
// capsule test could never succeed, so there is none.
bool cylinder_cylinder(const Cylinder& a, const Cylinder& b);

bool capsule_plane(const Capsule& c, const Plane& plane);
// The plane query's form: min(…) − d − radius <= 0.
bool plane_capsule(const Plane& plane, const Capsule& c);
bool cuboid_plane(const Cuboid& b, const Plane& plane);
// The lowest rim point of either cap reaches the solid side.
bool cylinder_plane(const Cylinder& c, const Plane& plane);
// The obb against the plane, then the lowest vertex (never hit without
// vertices).
bool polytope_plane(const convex_polytope::refer::RefConvexPolytope& p, const Plane& plane);
// Some point of the piece in the solid half-space, by the parameter t = s/k
// at which the piece crosses the plane (s = d − n·origin, k = n·dir).
bool plane_piece(const Plane& plane, const util::LinePiece& piece);
// The collider's form: a ray or segment leaving the solid side hits when its
// origin is in it (s >= 0), whatever s/k rounds to.
bool plane_piece_query(const Plane& plane, const util::LinePiece& piece);
// Half-spaces meet unless their normals are opposite (dot <= −0.999999) and
// their solids lie apart (d_P + d_Q < 0); NaN data meets.
bool plane_plane(const Plane& p, const Plane& q);
// The collider's form: normals not opposite, or solids that overlap or
// touch; NaN data does not meet.
bool plane_plane_query(const Plane& p, const Plane& q);

}  // namespace tangor::collider
