#include "tangor/cuboid.hpp"

#include <cmath>

namespace tangor::cuboid {

bool is_axis_aligned(const std::array<Vec3, 3>& axes) {
  return axes[0].y == 0.0f && axes[0].z == 0.0f && axes[1].x == 0.0f && axes[1].z == 0.0f &&
         axes[2].x == 0.0f && axes[2].y == 0.0f;
}

Cuboid Cuboid::create(Vec3 center, const std::array<Vec3, 3>& axes, const std::array<float, 3>& half_extents) {
  return {center, axes, half_extents, is_axis_aligned(axes)};
}

Cuboid aabb_from_bounds(Vec3 lo, Vec3 hi) {
  const Vec3 center = (lo + hi) * 0.5f;
  const Vec3 half = (hi - lo) * 0.5f;
  return {center, IDENTITY_AXES, {half.x, half.y, half.z}, true};
}

float Cuboid::half_diagonal() const { return length(Vec3{half_extents[0], half_extents[1], half_extents[2]}); }

Vec3 to_box_frame(const Cuboid& b, Vec3 rel) {
  if (b.axis_aligned) return rel;
  return {dot(rel, b.axes[0]), dot(rel, b.axes[1]), dot(rel, b.axes[2])};
}

namespace {

float excess(float q, float h) { return max(std::fabs(q) - h, 0.0f); }

float box_frame_dist_sq(Vec3 q, const std::array<float, 3>& h) {
  const float e0 = excess(q.x, h[0]);
  const float e1 = excess(q.y, h[1]);
  const float e2 = excess(q.z, h[2]);
  return e0 * e0 + e1 * e1 + e2 * e2;
}

}  // namespace

float Cuboid::point_dist_sq(Vec3 p) const { return box_frame_dist_sq(to_box_frame(*this, p - center), half_extents); }

bool sampled_segment_box_hit(Vec3 q, Vec3 v, const std::array<float, 3>& h, float radius) {
  const float r_sq = radius * radius;
  float t_minus[3];
  float t_plus[3];
  for (int i = 0; i < 3; ++i) {
    const float qi = curvel::element(q, i);
    const float vi = curvel::element(v, i);
    // A near-zero component would give a huge or infinite crossing; the
    // stand-in reciprocal clamps it to an end of the segment instead.
    const float inv = std::fabs(vi) > EPS ? 1.0f / vi : MAX_F32;
    t_minus[i] = clamp(inv * (-h[i] - qi), 0.0f, 1.0f);
    t_plus[i] = clamp(inv * (h[i] - qi), 0.0f, 1.0f);
  }
  const float groups[2][4] = {{0.0f, 1.0f, t_minus[0], t_plus[0]},
                              {t_minus[1], t_plus[1], t_minus[2], t_plus[2]}};
  for (const auto& group : groups) {
    bool hit = false;
    for (float t : group) hit |= box_frame_dist_sq(q + v * t, h) <= r_sq;
    if (hit) return true;
  }
  return false;
}

namespace {

// The excess of |x| over h, carrying the sign of x: the component of the
// offset from x to its nearest point of [−h, h].
float signed_excess(float x, float h) { return std::copysign(excess(x, h), x); }

// Half the derivative, at t, of the squared distance from q + t·v to the box.
float half_slope(Vec3 q, Vec3 v, const std::array<float, 3>& h, float t) {
  float slope = 0.0f;
  for (int i = 0; i < 3; ++i) {
    const float vi = curvel::element(v, i);
    slope += vi * signed_excess(curvel::element(q, i) + t * vi, h[i]);
  }
  return slope;
}

}  // namespace

// f(t), the squared distance from q + t·v to the box, is convex and
// continuously differentiable; f' is piecewise linear and non-decreasing
// with knots where the segment crosses a face plane. Its minimum over [0, 1]
// lies at an end, or where f' changes sign: the knots narrow a bracket of
// that change, within which f' is linear and its root is interpolated.
float segment_box_dist_sq(Vec3 q, Vec3 v, const std::array<float, 3>& h) {
  float lo = 0.0f;
  float hi = 1.0f;
  float slope_lo = half_slope(q, v, h, lo);
  float slope_hi = half_slope(q, v, h, hi);
  if (!(slope_lo < 0.0f)) return box_frame_dist_sq(q, h);
  if (!(slope_hi > 0.0f)) return box_frame_dist_sq(q + v, h);
  for (int i = 0; i < 3; ++i) {
    const float qi = curvel::element(q, i);
    const float vi = curvel::element(v, i);
    // A zero component gives an infinite or NaN knot, which no comparison
    // admits into the bracket.
    for (const float face : {-h[i], h[i]}) {
      const float knot = (face - qi) / vi;
      if (!(knot > lo && knot < hi)) continue;
      const float slope = half_slope(q, v, h, knot);
      if (slope <= 0.0f) {
        lo = knot;
        slope_lo = slope;
      } else {
        hi = knot;
        slope_hi = slope;
      }
    }
  }
  const float t = lo + (hi - lo) * (slope_lo / (slope_lo - slope_hi));
  return box_frame_dist_sq(q + v * t, h);
}

bool segment_box_within(Vec3 q, Vec3 v, const std::array<float, 3>& h, float radius) {
  return sampled_segment_box_hit(q, v, h, radius) || segment_box_dist_sq(q, v, h) <= radius * radius;
}

bool capsule_cuboid_collides_query(const Capsule& c, const Cuboid& b) {
  const Vec3 d = c.p1 - b.center;
  const float r_sq = c.radius * c.radius;
  if (c.z_aligned && b.axis_aligned) {
    const float ex = excess(d.x, b.half_extents[0]);
    const float ey = excess(d.y, b.half_extents[1]);
    const float exy = ex * ex + ey * ey;
    if (exy > r_sq) return false;
    const float h2 = b.half_extents[2];
    const float lo = min(d.z, d.z + c.dir.z);
    const float hi = max(d.z, d.z + c.dir.z);
    const float ez = hi < -h2 ? -h2 - hi : (lo > h2 ? lo - h2 : 0.0f);
    return exy + ez * ez <= r_sq;
  }
  return segment_box_within(to_box_frame(b, d), to_box_frame(b, c.dir), b.half_extents, c.radius);
}

bool capsule_cuboid_collides(const Capsule& c, const Cuboid& b) {
  if (sphere::spheres_apart(c.broadphase(), Bounded<Cuboid>::broadphase(b))) return false;
  return capsule_cuboid_collides_query(c, b);
}

bool cuboids_collide(const Cuboid& a, const Cuboid& b) {
  const auto& ha = a.half_extents;
  const auto& hb = b.half_extents;
  if (a.axis_aligned && b.axis_aligned) {
    for (int k = 0; k < 3; ++k) {
      const float gap = std::fabs(curvel::element(b.center, k) - curvel::element(a.center, k));
      if (!(gap <= ha[k] + hb[k])) return false;
    }
    return true;
  }
  const Vec3 d = b.center - a.center;
  const float reach = a.half_diagonal() + b.half_diagonal();
  if (dot(d, d) > reach * reach) return false;

  float r[3][3];
  float abs_r[3][3];
  float t[3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      r[i][j] = dot(a.axes[i], b.axes[j]);
      abs_r[i][j] = std::fabs(r[i][j]) + SAT_SLACK;
    }
    t[i] = dot(d, a.axes[i]);
  }
  // Every separating comparison is a strict "greater than": touching and NaN
  // never separate.
  for (int i = 0; i < 3; ++i) {
    const float rb = hb[0] * abs_r[i][0] + hb[1] * abs_r[i][1] + hb[2] * abs_r[i][2];
    if (std::fabs(t[i]) > ha[i] + rb) return false;
  }
  for (int j = 0; j < 3; ++j) {
    const float proj = t[0] * r[0][j] + t[1] * r[1][j] + t[2] * r[2][j];
    const float ra = ha[0] * abs_r[0][j] + ha[1] * abs_r[1][j] + ha[2] * abs_r[2][j];
    if (std::fabs(proj) > hb[j] + ra) return false;
  }
  for (int i = 0; i < 3; ++i) {
    const int i1 = (i + 1) % 3;
    const int i2 = (i + 2) % 3;
    for (int j = 0; j < 3; ++j) {
      const int j1 = (j + 1) % 3;
      const int j2 = (j + 2) % 3;
      const float lhs = std::fabs(t[i2] * r[i1][j] - t[i1] * r[i2][j]);
      const float rhs = ha[i1] * abs_r[i2][j] + ha[i2] * abs_r[i1][j] + hb[j1] * abs_r[i][j2] + hb[j2] * abs_r[i][j1];
      if (lhs > rhs) return false;
    }
  }
  return true;
}

}  // namespace tangor::cuboid

namespace tangor {

void Transformable<Cuboid>::rotate_quat(Cuboid& b, Quat q) {
  b.center = curvel::rotate(q, b.center);
  for (Vec3& axis : b.axes) axis = curvel::rotate(q, axis);
  b.axis_aligned = cuboid::is_axis_aligned(b.axes);
}

void Transformable<Cuboid>::rotate_mat(Cuboid& b, const Mat3& m) {
  b.center = m * b.center;
  for (Vec3& axis : b.axes) axis = m * axis;
  b.axis_aligned = cuboid::is_axis_aligned(b.axes);
}

void Transformable<Cuboid>::transform(Cuboid& b, const Affine3& a) {
  b.center = curvel::transform_point(a, b.center);
  for (Vec3& axis : b.axes) axis = curvel::transform_vector(a, axis);
  b.axis_aligned = cuboid::is_axis_aligned(b.axes);
}

void Transformable<Cuboid>::scale(Cuboid& b, float f) {
  for (float& h : b.half_extents) h *= f;
}

Cuboid Bounded<Cuboid>::aabb(const Cuboid& b) {
  if (b.axis_aligned) return b;
  Vec3 h;
  const Vec3 ax0 = curvel::abs(b.axes[0]), ax1 = curvel::abs(b.axes[1]), ax2 = curvel::abs(b.axes[2]);
  const auto& he = b.half_extents;
  h.x = ax0.x * he[0] + ax1.x * he[1] + ax2.x * he[2];
  h.y = ax0.y * he[0] + ax1.y * he[1] + ax2.y * he[2];
  h.z = ax0.z * he[0] + ax1.z * he[1] + ax2.z * he[2];
  return cuboid::aabb_from_bounds(b.center - h, b.center + h);
}

}  // namespace tangor
