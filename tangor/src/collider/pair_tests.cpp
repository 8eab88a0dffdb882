#include "tangor/collider/pair_tests.hpp"

#include <cmath>

#include "convex_polytope/face_lanes.hpp"

namespace tangor::collider {

namespace {

namespace face_lanes = convex_polytope::face_lanes;
using face_lanes::PlaneLanes;

// Normals at or below this dot product are taken as opposite.
constexpr float ANTI_PARALLEL = -0.999999f;

float squared(float v) { return v * v; }

// The lower of the two end points' heights along n (NaN ignored).
float lowest_end(Vec3 n, Vec3 p1, Vec3 dir) { return min(dot(n, p1), dot(n, p1 + dir)); }

// Σ h_i·|n·a_i|: how far the box reaches along n from its centre.
float box_reach(const Cuboid& b, Vec3 n) {
  return b.half_extents[0] * std::fabs(dot(n, b.axes[0])) + b.half_extents[1] * std::fabs(dot(n, b.axes[1])) +
         b.half_extents[2] * std::fabs(dot(n, b.axes[2]));
}

}  // namespace

Vec3 closest_axis_point(const Capsule& c, Vec3 x) {
  if (c.z_aligned) {
    const float t = clamp((x.z - c.p1.z) * c.dir.z * c.rdv, 0.0f, 1.0f);
    return {c.p1.x, c.p1.y, c.p1.z + t * c.dir.z};
  }
  const float t = clamp(c.rdv * dot(x - c.p1, c.dir), 0.0f, 1.0f);
  return c.p1 + c.dir * t;
}

bool sphere_capsule(const Sphere& s, const Capsule& c) {
  const Vec3 q = closest_axis_point(c, s.center);
  return length_squared(s.center - q) <= squared(s.radius + c.radius);
}

bool sphere_cylinder(const Sphere& s, const Cylinder& c) {
  const Vec3 w = s.center - c.p1;
  const float t = c.rdv * dot(w, c.dir);
  const float radial_sq = length_squared(w - c.dir * t);
  if (t >= 0.0f && t <= 1.0f) return radial_sq <= squared(s.radius + c.radius);
  const float e = t < 0.0f ? t - 0.0f : t - 1.0f;
  const float axial_sq = e * e * length_squared(c.dir);
  const float r_sq = s.radius * s.radius;
  const float radius_sq = c.radius * c.radius;
  if (radial_sq <= radius_sq) return axial_sq <= r_sq;
  // Squared distance to the rim circle, axial² + (√radial² − radius)²,
  // against r² without a square root.
  const float l = axial_sq + radial_sq + radius_sq - r_sq;
  return l <= 0.0f || l * l <= 4.0f * radius_sq * radial_sq;
}

bool sphere_piece(const Sphere& s, const util::LinePiece& piece) {
  const float len_sq = length_squared(piece.dir);
  const float inv = len_sq > EPS ? 1.0f / len_sq : 0.0f;
  float t = dot(s.center - piece.origin, piece.dir) * inv;
  // A segment clamps to [0, 1] and a ray raises to 0, NaN ignored as maxNum
  // and minNum do; a line takes t as it is.
  if (piece.t_min > -INF) t = max(t, piece.t_min);
  if (piece.t_max < INF) t = min(t, piece.t_max);
  return length_squared(piece.origin + piece.dir * t - s.center) <= s.radius * s.radius;
}

bool sphere_polygon(const Sphere& s, const plane::ref_convex::RefConvexPolygon& p) {
  const Vec3 d = s.center - p.center;
  if (length_squared(d) > squared(s.radius + p.bounding_radius)) return false;
  const float h = dot(d, p.normal);
  const Vec2 xy{dot(d, p.u_axis), dot(d, p.v_axis)};
  const float r_sq = s.radius * s.radius;
  if (p.contains_2d(xy)) return h * h <= r_sq;
  const float g = plane::ref_convex::RefConvexPolygon::closest_edge_dist_sq_2d(p.vertices_2d, xy);
  return h * h + g <= r_sq;
}

bool sphere_polytope(const Sphere& s, std::span<const Plane> planes) {
  const Vec3 c = s.center;
  const float r = s.radius;
  return !face_lanes::some_plane(planes, [&](const PlaneLanes& p, int l) { return p.dot(l, c) - p.d[l] > r; });
}

bool polytope_sphere(const convex_polytope::refer::RefConvexPolytope& p, const Sphere& s) {
  if (p.obb.point_dist_sq(s.center) > s.radius * s.radius) return false;
  return sphere_polytope(s, p.planes);
}

bool sphere_plane(const Sphere& s, const Plane& plane) {
  return dot(plane.normal, s.center) - plane.d <= s.radius;
}

bool plane_sphere(const Plane& plane, const Sphere& s) {
  return (dot(plane.normal, s.center) - plane.d) - s.radius <= 0.0f;
}

bool capsule_point(const Capsule& c, Vec3 p) {
  return length_squared(p - closest_axis_point(c, p)) <= c.radius * c.radius;
}

// Written as "not inside" so a NaN point is outside every face.
bool polytope_point(std::span<const Plane> planes, Vec3 p) {
  return !face_lanes::some_plane(planes, [&](const PlaneLanes& f, int l) { return !(f.dot(l, p) <= f.d[l]); });
}

bool plane_point(const Plane& plane, Vec3 p) { return dot(plane.normal, p) <= plane.d; }

bool cylinder_cylinder(const Cylinder& a, const Cylinder& b) {
  return capsule::axes_within(a.p1, a.dir, b.p1, b.dir, a.radius + b.radius);
}

bool capsule_plane(const Capsule& c, const Plane& plane) {
  return lowest_end(plane.normal, c.p1, c.dir) - plane.d <= c.radius;
}

bool plane_capsule(const Plane& plane, const Capsule& c) {
  return lowest_end(plane.normal, c.p1, c.dir) - plane.d - c.radius <= 0.0f;
}

bool cuboid_plane(const Cuboid& b, const Plane& plane) {
  return dot(plane.normal, b.center) - box_reach(b, plane.normal) <= plane.d;
}

bool cylinder_plane(const Cylinder& c, const Plane& plane) {
  const float len_sq = length_squared(c.dir);
  const float n_dir = dot(plane.normal, c.dir);
  const float sine = len_sq <= EPS ? 1.0f : std::sqrt(max(1.0f - n_dir * n_dir / len_sq, 0.0f));
  return lowest_end(plane.normal, c.p1, c.dir) - c.radius * sine <= plane.d;
}

bool polytope_plane(const convex_polytope::refer::RefConvexPolytope& p, const Plane& plane) {
  if (dot(plane.normal, p.obb.center) - box_reach(p.obb, plane.normal) > plane.d) return false;
  return face_lanes::lowest_within(p.vertices, plane);
}

bool plane_piece(const Plane& plane, const util::LinePiece& piece) {
  const float k = dot(plane.normal, piece.dir);
  const float s = plane.d - dot(plane.normal, piece.origin);
  // s >= 0: the origin lies on the solid side.
  if (std::fabs(k) <= EPS) return s >= 0.0f;
  // Along the piece n·x changes by k per unit of t, so the solid side is
  // t >= s/k for k > 0 and t <= s/k for k < 0: the piece reaches it when the
  // crossing lies at or after t_min, or at or before t_max. A NaN crossing
  // (or a NaN k, which takes the second branch) is no contact.
  const float t = s / k;
  if (k > 0.0f) return t >= piece.t_min;
  return t <= piece.t_max;
}

bool plane_piece_query(const Plane& plane, const util::LinePiece& piece) {
  const float k = dot(plane.normal, piece.dir);
  const float g = plane.d - dot(plane.normal, piece.origin);
  if (std::fabs(k) <= EPS) return g >= 0.0f;
  // A ray or segment leaving the solid side (k > 0) reaches it only from its
  // origin, which is asked directly rather than through g/k: the two differ
  // where g/k underflows to −0 or is inf/inf.
  if (k > 0.0f && piece.t_min > -INF) return g >= 0.0f;
  return g / k <= piece.t_max;
}

bool plane_plane(const Plane& p, const Plane& q) {
  const float c = dot(p.normal, q.normal);
  // Written as "not apart" so that a NaN normal or offset is a contact.
  return !(p.d + q.d < 0.0f && c <= ANTI_PARALLEL);
}

bool plane_plane_query(const Plane& p, const Plane& q) {
  const float c = dot(p.normal, q.normal);
  if (c > ANTI_PARALLEL) return true;
  return p.d + q.d >= 0.0f;
}

}  // namespace tangor::collider
