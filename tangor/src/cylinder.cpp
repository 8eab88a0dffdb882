#include "tangor/cylinder.hpp"

#include <cmath>

#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/line/line.hpp"
#include "tangor/plane/convex.hpp"

namespace tangor::cylinder {

Cylinder Cylinder::create(Vec3 p1, Vec3 p2, float radius) {
  const Vec3 dir = p2 - p1;
  const capsule::AxisDerived d = capsule::derive_axis(dir);
  return {p1, dir, radius, d.rdv, d.z_aligned};
}

Sphere Cylinder::broadphase() const { return capsule::axis_broadphase(p1, dir, radius, z_aligned); }

bool Cylinder::contains(Vec3 x) const {
  const Vec3 v = x - p1;
  const float t = dot(v, dir) * rdv;
  return 0.0f <= t && t <= 1.0f && length_squared(v - dir * t) <= radius * radius;
}

Vec3 Cylinder::nearest_point(Vec3 x) const {
  const Vec3 v = x - p1;
  const float t = dot(v, dir) * rdv;
  const Vec3 radial = v - dir * t;
  const float rho_sq = length_squared(radial);
  const float shrink = rho_sq > radius * radius ? radius / std::sqrt(rho_sq) : 1.0f;
  return p1 + dir * clamp(t, 0.0f, 1.0f) + radial * shrink;
}

bool sampled_cylinder_cuboid_hit(const Cylinder& c, const Cuboid& b) {
  const Vec3 q = cuboid::to_box_frame(b, c.p1 - b.center);
  const Vec3 v = cuboid::to_box_frame(b, c.dir);
  const auto& h = b.half_extents;
  if (cuboid::sampled_segment_box_hit(q, v, h, c.radius)) return true;
  for (int corner = 0; corner < 8; ++corner) {
    const float s0 = (corner & 4) ? h[0] : -h[0];
    const float s1 = (corner & 2) ? h[1] : -h[1];
    const float s2 = (corner & 1) ? h[2] : -h[2];
    if (c.contains(b.center + b.axes[0] * s0 + b.axes[1] * s1 + b.axes[2] * s2)) return true;
  }
  return false;
}

bool cylinder_cuboid_collides_query(const Cylinder& c, const Cuboid& b) {
  if (sampled_cylinder_cuboid_hit(c, b)) return true;
  // A box can cut into the side wall between the axis samples with no
  // corner inside. Every point that the two solids share lies within radius
  // of the axis segment, so the exact axis-to-box distance finds each
  // overlap that the samples missed.
  const Vec3 q = cuboid::to_box_frame(b, c.p1 - b.center);
  const Vec3 v = cuboid::to_box_frame(b, c.dir);
  return cuboid::segment_box_dist_sq(q, v, b.half_extents) <= c.radius * c.radius;
}

bool cylinder_cuboid_collides(const Cylinder& c, const Cuboid& b) {
  if (sphere::spheres_apart(c.broadphase(), Bounded<Cuboid>::broadphase(b))) return false;
  return cylinder_cuboid_collides_query(c, b);
}

namespace {

// Bisection steps on the capsule's axis parameter: 2^-24 is the spacing of
// single-precision values just below 1.
constexpr int kApproachSteps = 24;

// Whether some point of the capsule's axis lies within the capsule's radius
// of the solid cylinder. The squared distance from an axis point to a convex
// solid is convex along the axis and continuously differentiable, its
// derivative being 2·dir·(x − nearest point): the nearest approach is an end,
// or the sign change of that derivative, which bisection brackets.
bool capsule_axis_reaches(const Cylinder& c, const Capsule& k) {
  // The cylinder lies within the capsule of its radius about its axis.
  const float reach = c.radius + k.radius;
  if (!(capsule::segment_segment_dist_sq(c.p1, c.dir, k.p1, k.dir) <= reach * reach)) return false;
  const auto gap = [&](float u) {
    const Vec3 x = k.p1 + k.dir * u;
    return x - c.nearest_point(x);
  };
  const auto descending = [&](float u) { return dot(k.dir, gap(u)) < 0.0f; };
  float lo = 0.0f;
  float hi = 1.0f;
  if (!descending(lo)) {
    hi = lo;
  } else if (descending(hi)) {
    lo = hi;
  } else {
    for (int step = 0; step < kApproachSteps; ++step) {
      const float mid = (lo + hi) * 0.5f;
      if (descending(mid)) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
  }
  return length_squared(gap((lo + hi) * 0.5f)) <= k.radius * k.radius;
}

}  // namespace

bool sampled_cylinder_capsule_hit(const Cylinder& c, const Capsule& k) {
  const Vec3 p = c.p1;
  const Vec3 big_d = c.dir;
  const float big_a = dot(big_d, big_d);
  const float big_r = c.radius;
  const Vec3 q = k.p1;
  const Vec3 big_e = k.dir;
  const float e = dot(big_e, big_e);
  const float r = k.radius;

  const Vec3 w = q - p;
  const float h_w = dot(big_d, w);
  const float g = dot(big_e, w);
  const float b = dot(big_d, big_e);

  float u0;
  if (e <= EPS) {
    u0 = 0.0f;
  } else if (big_a > EPS) {
    const float den = big_a * e - b * b;
    u0 = std::fabs(den) > EPS ? clamp((h_w * b - big_a * g) / den, 0.0f, 1.0f) : 0.5f;
  } else {
    u0 = clamp(-g / e, 0.0f, 1.0f);
  }
  float u_c1 = 0.0f;
  float u_c2 = 1.0f;
  if (std::fabs(b) > EPS) {
    u_c1 = clamp(-h_w / b, 0.0f, 1.0f);
    u_c2 = clamp((big_a - h_w) / b, 0.0f, 1.0f);
  }

  const float big_r_sq = big_r * big_r;
  const float r_sq = r * r;
  const float reach = big_r + r;
  // Does the ball of radius r about the capsule point at u meet the solid
  // cylinder: beside the side wall, above a cap disc, or near a rim circle
  // (x² + (ρ − R)² <= r², squared out without a root).
  auto ball_meets = [&](float u) {
    const Vec3 centre = q + big_e * u;
    const Vec3 v = centre - p;
    const float t = dot(v, big_d) * c.rdv;
    const float rho_sq = length_squared(v - big_d * t);
    const float beyond = t - clamp(t, 0.0f, 1.0f);
    const float x_sq = beyond * beyond * big_a;
    const bool side = 0.0f <= t && t <= 1.0f && rho_sq <= reach * reach;
    const bool cap = rho_sq <= big_r_sq && x_sq <= r_sq;
    const float rim_q = x_sq + rho_sq + big_r_sq - r_sq;
    const bool rim = rim_q <= 0.0f || rim_q * rim_q <= 4.0f * big_r_sq * rho_sq;
    return side || cap || rim;
  };
  const float groups[2][4] = {{0.0f, 1.0f, u0, u_c1}, {u_c2, 0.25f, 0.5f, 0.75f}};
  for (const auto& group : groups) {
    bool hit = false;
    for (float u : group) hit |= ball_meets(u);
    if (hit) return true;
  }
  return false;
}

bool cylinder_capsule_collides_query(const Cylinder& c, const Capsule& k) {
  // The candidates can miss a contact that lies between them.
  return sampled_cylinder_capsule_hit(c, k) || capsule_axis_reaches(c, k);
}

bool cylinder_capsule_collides(const Cylinder& c, const Capsule& k) {
  if (sphere::spheres_apart(c.broadphase(), k.broadphase())) return false;
  return cylinder_capsule_collides_query(c, k);
}

bool cylinder_polygon_collides_query(const Cylinder& c, const plane::ref_convex::RefConvexPolygon& p) {
  for (const Vec3& v : p.vertices_3d)
    if (c.contains(v)) return true;
  return p.parametric_line_dist_sq(c.p1, c.dir, 0.0f, 1.0f) <= c.radius * c.radius;
}

bool cylinder_polytope_collides_query(const Cylinder& c, const convex_polytope::refer::RefConvexPolytope& p) {
  if (line::line_polytope_collides(c.p1, c.dir, p.planes, p.obb, 0.0f, 1.0f)) return true;
  for (const Vec3& v : p.vertices)
    if (c.contains(v)) return true;
  // Without an axis to take a direction from, or without faces to separate
  // by, the test cannot tell the shapes apart: it reports a contact.
  if (dot(c.dir, c.dir) <= EPS || p.planes.empty()) return true;
  const Vec3 p2 = c.p1 + c.dir;
  const Vec3 a = c.dir / length(c.dir);
  for (const Plane& plane : p.planes) {
    const float na = dot(plane.normal, a);
    const float lowest =
        min(dot(plane.normal, c.p1), dot(plane.normal, p2)) - c.radius * std::sqrt(max(1.0f - na * na, 0.0f));
    if (lowest > plane.d) return false;
  }
  return true;
}

bool line_cylinder_collides(Vec3 o, Vec3 d, const Cylinder& c, float t_min, float t_max) {
  const float r_sq = c.radius * c.radius;
  if (dot(c.dir, c.dir) < EPS) {
    const float a_d = dot(d, d);
    float s = a_d > EPS ? dot(d, c.p1 - o) / a_d : 0.0f;
    s = clamp(s, t_min, t_max);
    return length_squared(o + d * s - c.p1) <= r_sq;
  }
  const float len = length(c.dir);
  const Vec3 a = c.dir / len;
  const Vec3 w = o - c.p1;
  const float h = dot(a, w);
  const float dd = dot(a, d);
  const Vec3 d_perp = d - a * dd;
  const Vec3 w_perp = w - a * h;
  const float aq = dot(d_perp, d_perp);
  const float cq = dot(w_perp, w_perp) - r_sq;

  // The range of the piece between the two cap planes.
  float s_lo;
  float s_hi;
  if (std::fabs(dd) > EPS) {
    const float s_a = -h / dd;
    const float s_b = (len - h) / dd;
    s_lo = s_a < s_b ? s_a : s_b;
    s_hi = s_a < s_b ? s_b : s_a;
  } else if (0.0f <= h && h <= len) {
    s_lo = -INF;
    s_hi = INF;
  } else {
    s_lo = 1.0f;
    s_hi = -1.0f;
  }

  if (aq > EPS) {
    const float bq = 2.0f * dot(w_perp, d_perp);
    const float disc = bq * bq + cq * (aq * -4.0f);
    if (disc >= 0.0f) {
      const float k = 0.5f / aq;
      const float root = std::sqrt(disc);
      const float t1 = k * (-bq - root);
      const float t2 = k * (root - bq);
      const float lo = max(max(t1, s_lo), t_min);
      const float hi = min(min(t2, s_hi), t_max);
      if (lo <= hi) return true;
    }
  } else if (cq <= 0.0f) {
    const float lo = max(s_lo, t_min);
    const float hi = min(s_hi, t_max);
    if (lo <= hi) return true;
  }

  if (std::fabs(dd) <= EPS) return false;
  auto within_cap = [&](float t, Vec3 cap_centre) {
    const Vec3 rel = o + d * t - cap_centre;
    return length_squared(rel - a * dot(a, rel)) <= r_sq;
  };
  const float t_cap1 = -h / dd;
  if (t_min <= t_cap1 && t_cap1 <= t_max && within_cap(t_cap1, c.p1)) return true;
  const float t_cap2 = (len - h) / dd;
  if (!(t_min <= t_cap2 && t_cap2 <= t_max)) return false;
  return within_cap(t_cap2, c.p1 + c.dir);
}

bool cylinder_polygon_collides(const Cylinder& c, const ConvexPolygon& p) {
  if (sphere::spheres_apart(c.broadphase(), Bounded<ConvexPolygon>::broadphase(p))) return false;
  return cylinder_polygon_collides_query(c, p.view());
}

bool cylinder_polytope_collides(const Cylinder& c, const ConvexPolytope& p) {
  if (sphere::spheres_apart(c.broadphase(), Bounded<ConvexPolytope>::broadphase(p))) return false;
  return cylinder_polytope_collides_query(c, p.view());
}

}  // namespace tangor::cylinder

namespace tangor {

Cuboid Bounded<Cylinder>::aabb(const Cylinder& c) {
  return capsule::axis_aabb(c.p1, c.dir, c.radius);
}

}  // namespace tangor
