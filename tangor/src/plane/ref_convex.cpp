#include "tangor/plane/ref_convex.hpp"

#include <algorithm>
#include <cmath>

#include "tangor/convex_polytope/refer.hpp"
#include "tangor/capsule.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/plane/infinite.hpp"

namespace tangor::plane::ref_convex {

namespace {

struct Interval {
  float lo;
  float hi;
};

// Projection range of a point set on an axis; `empty` is the range of no
// points (+∞/−∞, or ±MAX_F32 where the stage says so).
Interval project(std::span<const Vec3> points, Vec3 axis, Interval empty) {
  Interval r = empty;
  for (const Vec3& p : points) {
    const float s = dot(p, axis);
    r.lo = min(r.lo, s);
    r.hi = max(r.hi, s);
  }
  return r;
}

constexpr Interval EMPTY_INF{INF, -INF};
constexpr Interval EMPTY_MAX{MAX_F32, -MAX_F32};

float lowest(std::span<const Vec3> points, Vec3 axis) { return project(points, axis, EMPTY_INF).lo; }

// The number of edges whose 2-D data is complete. The construction keeps the
// three arrays equally long; a hand-built view that does not is read only as
// far as all three go.
std::size_t edge_count(const RefConvexPolygon& p) {
  return std::min({p.vertices_2d.size(), p.edge_normals_2d.size(), p.edge_offsets_2d.size()});
}

// One-sided lifted-edge axes of `owner` against the other point set: the
// other set lies wholly beyond some edge's limit by more than `slack`.
bool lifted_edge_separates(const RefConvexPolygon& owner, std::span<const Vec3> others, float slack) {
  const std::size_t n = edge_count(owner);
  for (std::size_t i = 0; i < n; ++i) {
    const Vec2 en = owner.edge_normals_2d[i];
    const Vec3 axis = owner.u_axis * en.x + owner.v_axis * en.y;
    const float limit = owner.edge_offsets_2d[i] + dot(axis, owner.center);
    if (lowest(others, axis) > limit + slack) return true;
  }
  return false;
}

Vec3 edge_vector(std::span<const Vec3> vertices, std::size_t i) {
  const std::size_t j = i + 1 == vertices.size() ? 0 : i + 1;
  return vertices[j] - vertices[i];
}

}  // namespace

float RefConvexPolygon::closest_edge_dist_sq_2d(std::span<const Vec2> vertices_2d, Vec2 p) {
  const std::size_t n = vertices_2d.size();
  float best = MAX_F32;
  for (std::size_t i = 0; i < n; ++i) {
    const Vec2 a = vertices_2d[i];
    const Vec2 b = vertices_2d[i + 1 == n ? 0 : i + 1];
    const Vec2 e{b.x - a.x, b.y - a.y};
    const float e_sq = dot(e, e);
    float s = e_sq > EPS ? dot(Vec2{p.x - a.x, p.y - a.y}, e) / e_sq : 0.0f;
    s = clamp(s, 0.0f, 1.0f);
    const Vec2 gap{p.x - (a.x + e.x * s), p.y - (a.y + e.y * s)};
    const float candidate = dot(gap, gap);
    if (candidate < best) best = candidate;
  }
  return best;
}

Vec2 RefConvexPolygon::in_plane(Vec3 p) const {
  const Vec3 rel = p - center;
  return {dot(rel, u_axis), dot(rel, v_axis)};
}

bool RefConvexPolygon::contains_2d(Vec2 p) const {
  const std::size_t n = std::min(edge_normals_2d.size(), edge_offsets_2d.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!(dot(edge_normals_2d[i], p) <= edge_offsets_2d[i] + SAT_SLACK)) return false;
  }
  return true;
}

namespace {

// Squared distance of a point to the polygon region measured as height and,
// outside the outline, in-plane distance to the nearest edge.
float point_term(const RefConvexPolygon& poly, Vec3 p) {
  const float h = dot(p - poly.center, poly.normal);
  const Vec2 xy = poly.in_plane(p);
  if (poly.contains_2d(xy)) return h * h;
  return h * h + RefConvexPolygon::closest_edge_dist_sq_2d(poly.vertices_2d, xy);
}

}  // namespace

float RefConvexPolygon::segment_dist_sq(Vec3 start, Vec3 vector) const {
  const Vec3 end = start + vector;
  float best = min(MAX_F32, point_term(*this, start));
  best = min(best, point_term(*this, end));

  const float h0 = dot(start - center, normal);
  const float h1 = h0 + dot(vector, normal);
  // An in-plane segment (h0 = h1) is left to the end and edge terms.
  if (h0 * h1 <= 0.0f && std::fabs(h0 - h1) > EPS) {
    const float s = h0 / (h0 - h1);
    if (contains_2d(in_plane(start + vector * s))) return 0.0f;
  }
  const std::size_t n = vertices_3d.size();
  for (std::size_t i = 0; i < n; ++i) {
    const float candidate =
        util::clamped_line_segment_dist_sq(start, vector, vertices_3d[i], edge_vector(vertices_3d, i), 0.0f, 1.0f);
    if (candidate < best) best = candidate;
  }
  return best;
}

float RefConvexPolygon::parametric_line_dist_sq(Vec3 origin, Vec3 direction, float t_min, float t_max) const {
  float best = MAX_F32;
  if (std::isfinite(t_min)) best = min(best, point_term(*this, origin + direction * t_min));
  if (std::isfinite(t_max)) best = min(best, point_term(*this, origin + direction * t_max));

  const float dn = dot(direction, normal);
  if (std::fabs(dn) > EPS) {
    const float t_cross = -dot(origin - center, normal) / dn;
    if (t_min <= t_cross && t_cross <= t_max && contains_2d(in_plane(origin + direction * t_cross))) return 0.0f;
  }
  const std::size_t n = vertices_3d.size();
  for (std::size_t i = 0; i < n; ++i) {
    best = min(best, util::clamped_line_segment_dist_sq(origin, direction, vertices_3d[i],
                                                         edge_vector(vertices_3d, i), t_min, t_max));
  }
  return best;
}

bool ref_polygon_cuboid_collides(const RefConvexPolygon& p, const Cuboid& b) {
  const auto& h = b.half_extents;
  const float reach = p.bounding_radius + b.half_diagonal();
  if (curvel::distance_squared(b.center, p.center) > reach * reach) return false;

  // The box's projected radius on a unit axis.
  auto box_radius = [&](Vec3 axis) {
    return h[0] * std::fabs(dot(axis, b.axes[0])) + h[1] * std::fabs(dot(axis, b.axes[1])) +
           h[2] * std::fabs(dot(axis, b.axes[2]));
  };
  const Vec3 n = p.normal;
  if (std::fabs(dot(n, b.center) - dot(n, p.center)) > box_radius(n) + SAT_SLACK) return false;

  for (int k = 0; k < 3; ++k) {
    const Interval r = project(p.vertices_3d, b.axes[k], EMPTY_MAX);
    const float c = dot(b.center, b.axes[k]);
    if (r.lo > c + h[k] + SAT_SLACK || r.hi < c - h[k] - SAT_SLACK) return false;
  }

  const std::size_t count = p.vertices_3d.size();
  for (std::size_t i = 0; i < count; ++i) {
    const Vec3 e = edge_vector(p.vertices_3d, i);
    for (int k = 0; k < 3; ++k) {
      const Vec3 w = cross(e, b.axes[k]);
      const float w_sq = dot(w, w);
      if (w_sq < PARALLEL_SQ) continue;
      const Vec3 axis = w / std::sqrt(w_sq);
      const float rad = box_radius(axis);
      const Interval r = project(p.vertices_3d, axis, EMPTY_MAX);
      const float c = dot(b.center, axis);
      if (r.lo > c + rad + SAT_SLACK || r.hi < c - rad - SAT_SLACK) return false;
    }
  }
  return true;
}

bool ref_polygon_polygon_collides(const RefConvexPolygon& a, const RefConvexPolygon& b) {
  const float reach = a.bounding_radius + b.bounding_radius;
  if (curvel::distance_squared(b.center, a.center) > reach * reach) return false;

  auto plane_separates = [](const RefConvexPolygon& owner, const RefConvexPolygon& other) {
    const float d = dot(owner.normal, owner.center);
    const Interval r = project(other.vertices_3d, owner.normal, EMPTY_INF);
    return r.lo > d + SAT_SLACK || r.hi < d - SAT_SLACK;
  };
  if (plane_separates(a, b) || plane_separates(b, a)) return false;
  if (lifted_edge_separates(a, b.vertices_3d, SAT_SLACK)) return false;
  if (lifted_edge_separates(b, a.vertices_3d, SAT_SLACK)) return false;

  const std::size_t na = a.vertices_3d.size();
  const std::size_t nb = b.vertices_3d.size();
  for (std::size_t i = 0; i < na; ++i) {
    const Vec3 ea = edge_vector(a.vertices_3d, i);
    for (std::size_t j = 0; j < nb; ++j) {
      const Vec3 w = cross(ea, edge_vector(b.vertices_3d, j));
      const float w_sq = dot(w, w);
      if (w_sq < PARALLEL_SQ) continue;
      const Vec3 axis = w / std::sqrt(w_sq);
      const Interval ra = project(a.vertices_3d, axis, EMPTY_MAX);
      const Interval rb = project(b.vertices_3d, axis, EMPTY_MAX);
      if (ra.lo > rb.hi + SAT_SLACK || rb.lo > ra.hi + SAT_SLACK) return false;
    }
  }
  return true;
}

bool ref_polygon_polytope_collides(const RefConvexPolygon& p, const convex_polytope::refer::RefConvexPolytope& q) {
  const float reach = p.bounding_radius + q.obb.half_diagonal();
  if (curvel::distance_squared(q.obb.center, p.center) > reach * reach) return false;

  const Interval r = project(q.vertices, p.normal, EMPTY_INF);
  const float d = dot(p.normal, p.center);
  if (r.lo > d || r.hi < d) return false;
  if (lifted_edge_separates(p, q.vertices, 0.0f)) return false;
  for (const Plane& face : q.planes) {
    if (lowest(p.vertices_3d, face.normal) > face.d) return false;
  }
  return true;
}

bool ref_polygon_capsule_collides(const RefConvexPolygon& p, const Capsule& c) {
  const Sphere bound = c.broadphase();
  const float reach = bound.radius + p.bounding_radius;
  if (curvel::distance_squared(bound.center, p.center) > reach * reach) return false;
  return p.segment_dist_sq(c.p1, c.dir) <= c.radius * c.radius;
}

bool ref_polygon_infinite_plane_collides(const RefConvexPolygon& p, const Plane& plane) {
  return lowest(p.vertices_3d, plane.normal) <= plane.d;
}

}  // namespace tangor::plane::ref_convex
