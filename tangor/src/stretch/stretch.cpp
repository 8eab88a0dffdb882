#include "tangor/stretch.hpp"

#include <cmath>
#include <span>
#include <vector>

namespace tangor::sweep {

namespace {

struct Extent {
  float lo;
  float hi;
};

// Lowest and highest of axis·v over the vertices.
Extent project(Vec3 axis, std::span<const Vec3> vertices) {
  Extent e{dot(axis, vertices[0]), dot(axis, vertices[0])};
  for (std::size_t i = 1; i < vertices.size(); ++i) {
    const float along = dot(axis, vertices[i]);
    e.lo = min(e.lo, along);
    e.hi = max(e.hi, along);
  }
  return e;
}

// The plane with this outward normal that touches the vertices from outside.
Plane supporting_plane(Vec3 normal, std::span<const Vec3> vertices) {
  return {normal, project(normal, vertices).hi};
}

// The parallelogram swept by a segment of direction d, on the
// frame that ConvexPolygon::create would choose for the normal d × t.
ConvexPolygon swept_quad(Vec3 d, Vec3 t, Vec3 center, const std::array<Vec3, 4>& corners) {
  const Vec3 n = curvel::normalize(cross(d, t));
  const Vec3 reference = std::fabs(n.y) < 0.9f ? Vec3{0.0f, 1.0f, 0.0f} : Vec3{1.0f, 0.0f, 0.0f};
  const Vec3 u = curvel::normalize(cross(n, reference));
  const Vec3 v = cross(u, n);
  std::vector<Vec2> vertices_2d;
  vertices_2d.reserve(4);
  for (Vec3 p : corners) vertices_2d.push_back({dot(p - center, u), dot(p - center, v)});
  return ConvexPolygon::with_axes(center, n, u, v, std::move(vertices_2d));
}

}  // namespace

// The corners are written in the line's own frame (u along the line, the
// polygon centred at origin + t/2), never projected from 3-D points 1e12
// away: there a float cannot hold the width of t, and the strip would
// collapse to its centre line. The ends at ±FAR_EXTENT absorb the slant t·u;
// the width t·v, which is all a nearby query meets, stays exact.
ConvexPolygon swept_strip(Vec3 origin, Vec3 d, Vec3 t, float from) {
  const Vec3 n = curvel::normalize(cross(d, t));
  const Vec3 u = curvel::normalize(d);
  const Vec3 v = cross(u, n);
  const float half_u = dot(t, u) / 2.0f;
  const float half_v = dot(t, v) / 2.0f;
  std::vector<Vec2> corners{{from - half_u, -half_v},
                            {FAR_EXTENT - half_u, -half_v},
                            {FAR_EXTENT + half_u, half_v},
                            {from + half_u, half_v}};
  return ConvexPolygon::with_axes(origin + t / 2.0f, n, u, v, std::move(corners));
}

namespace {

SweptSlab swept_slab(Vec3 p1, Vec3 dir, float radius, Vec3 t) {
  const Vec3 p2 = p1 + dir;
  const Vec3 n = curvel::normalize(cross(dir, t));
  const Vec3 a = curvel::normalize(cross(n, dir));
  const Vec3 b = curvel::normalize(cross(n, t));
  const Vec3 q = n * radius;

  std::vector<Vec3> vertices{p1 + q,     p1 - q,     p2 + q,     p2 - q,
                             p1 + t + q, p1 + t - q, p2 + t + q, p2 + t - q};
  std::vector<Plane> planes;
  planes.reserve(6);
  for (Vec3 normal : {n, -n, a, -a, b, -b}) planes.push_back(supporting_plane(normal, vertices));

  Cuboid obb;
  obb.center = p1 + dir * 0.5f + t * 0.5f;
  obb.axes = {curvel::normalize_or_zero(dir), a, n};
  for (int k = 0; k < 3; ++k) {
    const Extent e = project(obb.axes[k], vertices);
    obb.half_extents[k] = (e.hi - e.lo) * 0.5f;
  }
  obb.axis_aligned = cuboid::is_axis_aligned(obb.axes);

  // Assembled directly: the slab's own box is better than a principal-axes one.
  ConvexPolytope slab;
  slab.planes = std::move(planes);
  slab.vertices = std::move(vertices);
  slab.obb = obb;
  return {std::move(slab),
          {Capsule::create(p1, p2, radius), Capsule::create(p1 + t, p2 + t, radius),
           Capsule::create(p1, p1 + t, radius), Capsule::create(p2, p2 + t, radius)}};
}

// The capsule and the cylinder: longer along the axis, else the slab.
template <class AxisShape>
Swept<AxisShape, SweptSlab> stretch_axis_shape(const AxisShape& shape, Vec3 t) {
  if (is_parallel(shape.dir, t)) {
    Vec3 p1 = shape.p1;
    Vec3 p2 = shape.p1 + shape.dir;
    if (dot(shape.dir, t) >= 0.0f)
      p2 = p2 + t;
    else
      p1 = p1 + t;
    return AxisShape::create(p1, p2, shape.radius);
  }
  return swept_slab(shape.p1, shape.dir, shape.radius, t);
}

}  // namespace

bool is_parallel(Vec3 a, Vec3 t) { return length_squared(cross(a, t)) < PARALLEL_SQ; }

Swept<Sphere, Capsule> stretch_sphere(const Sphere& sphere, Vec3 t) {
  const Vec3 w = curvel::normalize_or_zero(t);
  if (length_squared(w) < EPS) return sphere;
  return Capsule::create(sphere.center, sphere.center + t, sphere.radius);
}

Plane stretch_plane(const Plane& plane, Vec3 t) {
  return {plane.normal, plane.d + max(dot(plane.normal, t), 0.0f)};
}

}  // namespace tangor::sweep

namespace tangor {

using sweep::Swept;

Swept<curvel::Line, ConvexPolygon> Stretchable<curvel::Line>::stretch(const curvel::Line& line, Vec3 t) {
  if (sweep::is_parallel(line.dir, t)) return line;
  return sweep::swept_strip(line.origin, line.dir, t, -sweep::FAR_EXTENT);
}

Swept<curvel::Ray, ConvexPolygon> Stretchable<curvel::Ray>::stretch(const curvel::Ray& ray, Vec3 t) {
  const Vec3 o = ray.origin;
  const Vec3 d = ray.dir;
  if (sweep::is_parallel(d, t)) {
    if (dot(d, t) >= 0.0f) return curvel::Ray{o, d};
    return curvel::Ray{o + t, d};
  }
  return sweep::swept_strip(o, d, t, 0.0f);
}

Swept<curvel::LineSegment, ConvexPolygon> Stretchable<curvel::LineSegment>::stretch(
    const curvel::LineSegment& segment, Vec3 t) {
  const Vec3 s = segment.start;
  const Vec3 e = segment.end;
  const Vec3 d = e - s;
  if (sweep::is_parallel(d, t)) {
    if (dot(d, t) >= 0.0f) return curvel::LineSegment{s, e + t};
    return curvel::LineSegment{s + t, e};
  }
  return sweep::swept_quad(d, t, s + (d + t) / 2.0f, {s, s + d, s + d + t, s + t});
}

Swept<Capsule, sweep::SweptSlab> Stretchable<Capsule>::stretch(const Capsule& capsule, Vec3 t) {
  return sweep::stretch_axis_shape(capsule, t);
}

Swept<Cylinder, sweep::SweptSlab> Stretchable<Cylinder>::stretch(const Cylinder& cylinder, Vec3 t) {
  return sweep::stretch_axis_shape(cylinder, t);
}

Swept<Cuboid, ConvexPolytope> Stretchable<Cuboid>::stretch(const Cuboid& box, Vec3 t) {
  const Vec3 c = box.center;
  const std::array<Vec3, 3>& a = box.axes;
  const std::array<float, 3>& h = box.half_extents;
  for (int k = 0; k < 3; ++k) {
    if (sweep::is_parallel(a[k], t)) {
      Cuboid longer = box;
      longer.center = c + t / 2.0f;
      longer.half_extents[k] = h[k] + std::fabs(dot(a[k], t)) / 2.0f;
      return longer;
    }
  }

  std::vector<Vec3> vertices;
  vertices.reserve(16);
  constexpr float kSigns[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
  for (float s0 : {-1.0f, 1.0f}) {
    for (const auto& s : kSigns) {
      const Vec3 corner = c + a[0] * (s0 * h[0]) + a[1] * (s[0] * h[1]) + a[2] * (s[1] * h[2]);
      vertices.push_back(corner);
      vertices.push_back(corner + t);
    }
  }
  std::vector<Plane> planes;
  planes.reserve(12);
  for (int k = 0; k < 3; ++k) {
    planes.push_back(sweep::supporting_plane(a[k], vertices));
    planes.push_back(sweep::supporting_plane(-a[k], vertices));
    const Vec3 side = cross(a[k], t);
    if (length_squared(side) > PARALLEL_SQ) {
      const Vec3 m = curvel::normalize(side);
      planes.push_back(sweep::supporting_plane(m, vertices));
      planes.push_back(sweep::supporting_plane(-m, vertices));
    }
  }
  Cuboid obb = box;
  obb.center = c + t / 2.0f;
  for (int k = 0; k < 3; ++k) obb.half_extents[k] = h[k] + std::fabs(dot(a[k], t)) / 2.0f;

  ConvexPolytope swept;
  swept.planes = std::move(planes);
  swept.vertices = std::move(vertices);
  swept.obb = obb;
  return swept;
}

}  // namespace tangor
