#include "tangor/plane/convex.hpp"

#include <algorithm>
#include <cmath>

#include "tangor/cuboid.hpp"

namespace tangor::plane::convex {

ConvexPolygon ConvexPolygon::create(Vec3 center, Vec3 normal, std::vector<Vec2> vertices_2d) {
  // A NaN normal.y fails the comparison and takes (1, 0, 0).
  const Vec3 reference = std::fabs(normal.y) < 0.9f ? Vec3{0.0f, 1.0f, 0.0f} : Vec3{1.0f, 0.0f, 0.0f};
  const Vec3 across = cross(normal, reference);
  const Vec3 u_axis = across * (1.0f / length(across));
  const Vec3 v_axis = cross(u_axis, normal);
  return with_axes(center, normal, u_axis, v_axis, std::move(vertices_2d));
}

ConvexPolygon ConvexPolygon::with_axes(Vec3 center, Vec3 normal, Vec3 u_axis, Vec3 v_axis,
                                       std::vector<Vec2> vertices_2d) {
  const std::size_t n = vertices_2d.size();
  if (n > 1) {
    // Twice the signed area; exactly 0 or NaN keeps the order.
    float twice_area = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
      const Vec2 a = vertices_2d[i];
      const Vec2 b = vertices_2d[i + 1 == n ? 0 : i + 1];
      twice_area += a.x * b.y - b.x * a.y;
    }
    if (twice_area < 0.0f) std::reverse(vertices_2d.begin(), vertices_2d.end());
  }
  ConvexPolygon p{center, normal, u_axis, v_axis, std::move(vertices_2d), {}, {}, {}, 0.0f};
  p.recompute_edges();
  p.recompute_3d();
  return p;
}

void ConvexPolygon::recompute_edges() {
  const std::size_t n = vertices_2d.size();
  std::vector<Vec2> normals;
  std::vector<float> offsets;
  normals.reserve(n);
  offsets.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Vec2 a = vertices_2d[i];
    const Vec2 b = vertices_2d[i + 1 == n ? 0 : i + 1];
    const Vec2 e{b.x - a.x, b.y - a.y};
    // No guard for a zero-length edge: its normal and offset are non-finite,
    // which every comparison treats as "not separating".
    const float len = std::sqrt(e.x * e.x + e.y * e.y);
    const Vec2 outward{e.y / len, -e.x / len};
    normals.push_back(outward);
    offsets.push_back(dot(outward, a));
  }
  edge_normals_2d = std::move(normals);
  edge_offsets_2d = std::move(offsets);
}

void ConvexPolygon::recompute_3d() {
  std::vector<Vec3> world;
  world.reserve(vertices_2d.size());
  float radius = 0.0f;
  for (const Vec2 v : vertices_2d) {
    world.push_back(center + u_axis * v.x + v_axis * v.y);
    radius = max(radius, std::sqrt(v.x * v.x + v.y * v.y));
  }
  vertices_3d = std::move(world);
  bounding_radius = radius;
}

ref_convex::RefConvexPolygon ConvexPolygon::view() const {
  return {center,      normal,          u_axis,          v_axis, vertices_2d,
          vertices_3d, edge_normals_2d, edge_offsets_2d, bounding_radius};
}

}  // namespace tangor::plane::convex

namespace tangor {

void Transformable<ConvexPolygon>::translate(ConvexPolygon& p, Vec3 t) {
  p.center += t;
  for (Vec3& v : p.vertices_3d) v += t;
}

void Transformable<ConvexPolygon>::rotate_quat(ConvexPolygon& p, Quat q) {
  p.center = curvel::rotate(q, p.center);
  p.normal = curvel::rotate(q, p.normal);
  p.u_axis = curvel::rotate(q, p.u_axis);
  p.v_axis = curvel::rotate(q, p.v_axis);
  for (Vec3& v : p.vertices_3d) v = curvel::rotate(q, v);
}

void Transformable<ConvexPolygon>::rotate_mat(ConvexPolygon& p, const Mat3& m) {
  p.center = m * p.center;
  p.normal = m * p.normal;
  p.u_axis = m * p.u_axis;
  p.v_axis = m * p.v_axis;
  for (Vec3& v : p.vertices_3d) v = m * v;
}

void Transformable<ConvexPolygon>::transform(ConvexPolygon& p, const Affine3& a) {
  p.center = curvel::transform_point(a, p.center);
  p.normal = curvel::transform_vector(a, p.normal);
  p.u_axis = curvel::transform_vector(a, p.u_axis);
  p.v_axis = curvel::transform_vector(a, p.v_axis);
  for (Vec3& v : p.vertices_3d) v = curvel::transform_point(a, v);
}

void Transformable<ConvexPolygon>::scale(ConvexPolygon& p, float f) {
  for (Vec2& v : p.vertices_2d) v = {v.x * f, v.y * f};
  p.recompute_edges();
  p.recompute_3d();
}

Cuboid Bounded<ConvexPolygon>::aabb(const ConvexPolygon& p) {
  if (p.vertices_3d.empty()) return cuboid::aabb_from_bounds(p.center, p.center);
  Vec3 lo = p.vertices_3d.front();
  Vec3 hi = lo;
  for (const Vec3& v : p.vertices_3d) {
    lo = util::min_first(lo, v);
    hi = util::max_first(hi, v);
  }
  return cuboid::aabb_from_bounds(lo, hi);
}

}  // namespace tangor
