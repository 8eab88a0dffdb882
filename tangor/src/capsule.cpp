#include "tangor/capsule.hpp"

#include <cmath>

#include "tangor/cuboid.hpp"

namespace tangor::capsule {

AxisDerived derive_axis(Vec3 dir) {
  const float len_sq = dot(dir, dir);
  return {len_sq > EPS ? 1.0f / len_sq : 0.0f, dir.x == 0.0f && dir.y == 0.0f};
}

Capsule Capsule::create(Vec3 p1, Vec3 p2, float radius) {
  const Vec3 dir = p2 - p1;
  const AxisDerived d = derive_axis(dir);
  return {p1, dir, radius, d.rdv, d.z_aligned};
}

Sphere axis_broadphase(Vec3 p1, Vec3 dir, float radius, bool z_aligned) {
  const float len = z_aligned ? std::fabs(dir.z) : length(dir);
  return {p1 + dir * 0.5f, len * 0.5f + radius};
}

Sphere Capsule::broadphase() const { return axis_broadphase(p1, dir, radius, z_aligned); }

float segment_segment_dist_sq(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2) {
  return util::clamped_line_segment_dist_sq(p1, d1, p2, d2, 0.0f, 1.0f);
}

cuboid::Cuboid axis_aabb(Vec3 p1, Vec3 dir, float radius) {
  const Vec3 p2 = p1 + dir;
  const Vec3 r = curvel::splat(radius);
  return cuboid::aabb_from_bounds(util::min_first(p1, p2) - r, util::max_first(p1, p2) + r);
}

bool axes_within(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2, float reach) {
  return segment_segment_dist_sq(p1, d1, p2, d2) <= reach * reach;
}

bool capsule_capsule_collides_query(const Capsule& a, const Capsule& b) {
  return axes_within(a.p1, a.dir, b.p1, b.dir, a.radius + b.radius);
}

bool capsule_capsule_collides(const Capsule& a, const Capsule& b) {
  if (sphere::spheres_apart(a.broadphase(), b.broadphase())) return false;
  return capsule_capsule_collides_query(a, b);
}

bool line_capsule_collides(const util::LinePiece& l, const Capsule& c) {
  return util::clamped_line_segment_dist_sq(l.origin, l.dir, c.p1, c.dir, l.t_min, l.t_max) <=
         c.radius * c.radius;
}

}  // namespace tangor::capsule

namespace tangor {

Cuboid Bounded<Capsule>::aabb(const Capsule& c) { return capsule::axis_aabb(c.p1, c.dir, c.radius); }

}  // namespace tangor
