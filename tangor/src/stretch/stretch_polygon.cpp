#include <algorithm>
#include <cmath>
#include <vector>

#include "tangor/stretch.hpp"

namespace tangor {

namespace {

// A normal component of t below this counts as a sweep within the plane.
constexpr float kInPlane = 1e-6f;
// Points closer than this on both axes are one point of the outline.
constexpr float kSamePoint = 1e-7f;
// Side planes whose cross product is shorter than this are skipped.
constexpr float kDegenerateSide = 1e-10f;
// A candidate side plane thinner than this, or this close in direction to a
// plane already kept, adds nothing.
constexpr float kFlatSide = 1e-6f;
constexpr float kSameDirection = 0.9999f;

float cross_2d(Vec2 o, Vec2 a, Vec2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Counter-clockwise hull of points sorted by x then y (monotone chain);
// collinear points are dropped.
std::vector<Vec2> monotone_hull(const std::vector<Vec2>& sorted) {
  std::vector<Vec2> chain;
  chain.reserve(sorted.size() + 1);
  for (Vec2 p : sorted) {
    while (chain.size() >= 2 && cross_2d(chain[chain.size() - 2], chain.back(), p) <= 0.0f) chain.pop_back();
    chain.push_back(p);
  }
  const std::size_t lower_size = chain.size();
  for (std::size_t i = sorted.size() - 1; i-- > 0;) {
    const Vec2 p = sorted[i];
    while (chain.size() > lower_size && cross_2d(chain[chain.size() - 2], chain.back(), p) <= 0.0f)
      chain.pop_back();
    chain.push_back(p);
  }
  chain.pop_back();  // it repeats the first point
  return chain;
}

ConvexPolygon sweep_within_plane(const ConvexPolygon& polygon, Vec3 t) {
  const float tx = dot(t, polygon.u_axis);
  const float ty = dot(t, polygon.v_axis);
  std::vector<Vec2> points;
  points.reserve(2 * polygon.vertices_2d.size());
  for (Vec2 v : polygon.vertices_2d) {
    points.push_back(v);
    points.push_back({v.x + tx, v.y + ty});
  }
  // Ordering needs comparable coordinates: a NaN would break the sort's
  // ordering contract. Such a sweep has no outline; it keeps its points as
  // they are, and every test of the NaN geometry answers false.
  const bool comparable = std::none_of(points.begin(), points.end(),
                                       [](Vec2 p) { return std::isnan(p.x) || std::isnan(p.y); });
  if (!comparable)
    return ConvexPolygon::with_axes(polygon.center, polygon.normal, polygon.u_axis, polygon.v_axis, std::move(points));

  std::stable_sort(points.begin(), points.end(),
                   [](Vec2 a, Vec2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  std::vector<Vec2> distinct;
  distinct.reserve(points.size());
  for (Vec2 p : points) {
    if (!distinct.empty() && std::fabs(p.x - distinct.back().x) < kSamePoint &&
        std::fabs(p.y - distinct.back().y) < kSamePoint)
      continue;
    distinct.push_back(p);
  }
  std::vector<Vec2> outline = distinct.size() < 3 ? std::move(distinct) : monotone_hull(distinct);
  return ConvexPolygon::with_axes(polygon.center, polygon.normal, polygon.u_axis, polygon.v_axis, std::move(outline));
}

ConvexPolytope sweep_into_prism(const ConvexPolygon& polygon, Vec3 t) {
  const std::vector<Vec3>& base = polygon.vertices_3d;
  std::vector<Vec3> vertices;
  vertices.reserve(2 * base.size());
  vertices.insert(vertices.end(), base.begin(), base.end());
  for (Vec3 v : base) vertices.push_back(v + t);

  const Vec3 normal = polygon.normal;
  const float d0 = dot(normal, polygon.center);
  const float tn = dot(t, normal);
  std::vector<Plane> planes;
  planes.reserve(2 + base.size());
  if (tn > 0.0f) {
    planes.push_back({normal, d0 + tn});
    planes.push_back({-normal, -d0});
  } else {
    planes.push_back({normal, d0});
    planes.push_back({-normal, -d0 - tn});
  }
  for (std::size_t i = 0; i < base.size(); ++i) {
    const Vec3 e = base[i + 1 == base.size() ? 0 : i + 1] - base[i];
    const Vec3 m = cross(e, t);
    const float m_length = length(m);
    if (m_length < kDegenerateSide) continue;
    Vec3 side = m / m_length;
    float d = dot(side, base[i]);
    // The solid side is the one that holds the polygon's centre.
    if (dot(side, polygon.center) > d) {
      side = -side;
      d = -d;
    }
    planes.push_back({side, d});
  }
  return ConvexPolytope::create(std::move(planes), std::move(vertices));
}

}  // namespace

sweep::Swept<ConvexPolygon, ConvexPolytope> Stretchable<ConvexPolygon>::stretch(const ConvexPolygon& polygon,
                                                                                   Vec3 t) {
  if (std::fabs(dot(t, polygon.normal)) < kInPlane) return sweep_within_plane(polygon, t);
  return sweep_into_prism(polygon, t);
}

ConvexPolytope Stretchable<ConvexPolytope>::stretch(const ConvexPolytope& polytope, Vec3 t) {
  ConvexPolytope swept;
  swept.vertices.reserve(2 * polytope.vertices.size());
  for (Vec3 v : polytope.vertices) {
    swept.vertices.push_back(v);
    swept.vertices.push_back(v + t);
  }
  swept.planes.reserve(polytope.planes.size());
  for (const Plane& face : polytope.planes) swept.planes.push_back({face.normal, face.d + max(dot(face.normal, t), 0.0f)});

  // Side planes along the silhouette: each pair of faces that t sees from
  // opposite sides proposes the directions ±normalize((n_i × n_j) × t).
  std::vector<Vec3> candidates;
  const std::vector<Plane>& faces = polytope.planes;
  for (std::size_t i = 0; i < faces.size(); ++i) {
    for (std::size_t j = i + 1; j < faces.size(); ++j) {
      if (!(dot(faces[i].normal, t) * dot(faces[j].normal, t) < 0.0f)) continue;
      const Vec3 c = cross(faces[i].normal, faces[j].normal);
      if (length_squared(c) < PARALLEL_SQ) continue;
      const Vec3 s = cross(c, t);
      if (length_squared(s) < PARALLEL_SQ) continue;
      const Vec3 side = curvel::normalize(s);
      candidates.push_back(side);
      candidates.push_back(-side);
    }
  }
  for (Vec3 side : candidates) {
    if (swept.vertices.empty()) break;
    float lo = dot(side, swept.vertices[0]);
    float hi = lo;
    for (Vec3 v : swept.vertices) {
      lo = min(lo, dot(side, v));
      hi = max(hi, dot(side, v));
    }
    if (!(std::fabs(hi - lo) > kFlatSide)) continue;
    const bool repeats = std::any_of(swept.planes.begin(), swept.planes.end(),
                                     [&](const Plane& kept) { return dot(kept.normal, side) > kSameDirection; });
    if (!repeats) swept.planes.push_back({side, hi});
  }

  swept.obb = polytope.obb;
  swept.obb.center = polytope.obb.center + t / 2.0f;
  for (int k = 0; k < 3; ++k)
    swept.obb.half_extents[k] = polytope.obb.half_extents[k] + std::fabs(dot(polytope.obb.axes[k], t)) / 2.0f;
  return swept;
}

}  // namespace tangor
