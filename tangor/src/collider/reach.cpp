#include "collider/reach.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tangor::collider {

namespace {

// Beyond this magnitude a squared distance in single precision could
// overflow: such shapes are never skipped.
constexpr double kLargest = 1e18;
// Tolerance of "unit", "orthogonal" and "agrees with its derivation".
constexpr double kUnitTolerance = 0x1p-16;
// Relative room added to every verified bound.
constexpr double kRoom = 0x1p-10;
// The planes of a polytope and the edges of a polygon are enumerated in full;
// beyond these counts the shape is never skipped.
constexpr std::size_t kMostPlanes = 32;
constexpr std::size_t kMostEdges = 32;

struct D3 {
  double x, y, z;
};
D3 d3(Vec3 v) { return {v.x, v.y, v.z}; }
D3 operator+(D3 a, D3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
D3 operator*(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 cross(D3 a, D3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(D3 a) { return std::sqrt(dot(a, a)); }

bool usable(double v) { return std::isfinite(v) && std::fabs(v) <= kLargest; }
bool usable(Vec3 v) { return usable(v.x) && usable(v.y) && usable(v.z); }

std::optional<Reach> sphere_reach(D3 c, double radius, double kappa = 1.0) {
  if (!usable(c.x) || !usable(c.y) || !usable(c.z) || !usable(radius) || radius < 0.0) return std::nullopt;
  return Reach{c.x, c.y, c.z, radius, kappa};
}

bool unit(D3 v) { return std::fabs(dot(v, v) - 1.0) <= kUnitTolerance; }

bool orthonormal(D3 a, D3 b, D3 c) {
  return unit(a) && unit(b) && unit(c) && std::fabs(dot(a, b)) <= kUnitTolerance &&
         std::fabs(dot(a, c)) <= kUnitTolerance && std::fabs(dot(b, c)) <= kUnitTolerance;
}

// The axis shapes: every witness point lies within radius of the segment
// p1 .. p1 + dir, so within |dir|/2 + radius of its midpoint. z_aligned must
// agree with dir: the tests that read it drop dir.x and dir.y.
std::optional<Reach> axis_reach(Vec3 p1, Vec3 dir, float radius, bool z_aligned) {
  if (!usable(p1) || !usable(dir) || !usable(radius) || !(radius >= 0.0f)) return std::nullopt;
  if (z_aligned != capsule::derive_axis(dir).z_aligned) return std::nullopt;
  const D3 d = d3(dir);
  return sphere_reach(d3(p1) + d * 0.5, norm(d) * 0.5 + radius);
}

// A rdv that the cylinder tests can use: 0 (every axial parameter 0, the
// cylinder's own ball about p1) or within rounding of 1/(dir·dir).
bool cylinder_rdv_fits(const Cylinder& c) {
  if (c.rdv == 0.0f) return true;
  const float expected = capsule::derive_axis(c.dir).rdv;
  if (!(expected > 0.0f) || !std::isfinite(c.rdv)) return false;
  return std::fabs(double(c.rdv) / double(expected) - 1.0) <= kUnitTolerance;
}

// The corners of the region {x : n_i·x <= d_i + slack} of a polytope, or
// nothing when the region is unbounded, flat or not enumerable: every
// intersection of three planes that all planes admit (with a tolerance that
// admits too much rather than too little).
std::optional<std::vector<D3>> face_corners(const std::vector<D3>& normals, const std::vector<double>& offsets,
                                            double tolerance) {
  const std::size_t n = normals.size();
  // Bounded: no direction e with n_i·e <= 0 for every plane. Such a cone,
  // when not {0}, has an extreme ray along the cross product of two normals
  // (or all normals lie in a plane, which a zero determinant of every triple
  // shows below).
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t k = j + 1; k < n; ++k) {
      const D3 e = cross(normals[j], normals[k]);
      const double len = norm(e);
      if (len == 0.0) continue;
      for (const double sign : {1.0, -1.0}) {
        bool recedes = true;
        for (std::size_t i = 0; i < n && recedes; ++i) recedes = dot(normals[i], e * sign) <= 1e-9 * len;
        if (recedes) return std::nullopt;
      }
    }
  }
  std::vector<D3> corners;
  bool full_rank = false;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const D3 jk_cross = cross(normals[i], normals[j]);
      for (std::size_t k = j + 1; k < n; ++k) {
        const double det = dot(jk_cross, normals[k]);
        if (det == 0.0) continue;
        full_rank = true;
        // Cramer's rule: x = (d_i (n_j × n_k) + d_j (n_k × n_i) + d_k (n_i × n_j)) / det.
        const D3 x = (cross(normals[j], normals[k]) * offsets[i] + cross(normals[k], normals[i]) * offsets[j] +
                      jk_cross * offsets[k]) *
                     (1.0 / det);
        bool inside = std::isfinite(x.x) && std::isfinite(x.y) && std::isfinite(x.z);
        for (std::size_t l = 0; l < n && inside; ++l) inside = dot(normals[l], x) <= offsets[l] + tolerance;
        if (inside) corners.push_back(x);
      }
    }
  }
  if (!full_rank || corners.empty()) return std::nullopt;
  return corners;
}

}  // namespace

std::optional<Reach> reach_of(const Sphere& s) {
  if (!usable(s.center)) return std::nullopt;
  return sphere_reach(d3(s.center), s.radius);
}

std::optional<Reach> reach_of(const Point& p) {
  if (!usable(p.position)) return std::nullopt;
  return sphere_reach(d3(p.position), 0.0);
}

std::optional<Reach> reach_of(const Capsule& c) { return axis_reach(c.p1, c.dir, c.radius, c.z_aligned); }

std::optional<Reach> reach_of(const Cylinder& c) {
  if (!cylinder_rdv_fits(c)) return std::nullopt;
  // A polytope's face test reports a zero-length cylinder wherever it is
  // asked, with no point of contact to bound.
  if (dot(c.dir, c.dir) <= EPS) return std::nullopt;
  return axis_reach(c.p1, c.dir, c.radius, c.z_aligned);
}

// Whichever frame a test takes (the axes, or the world axes when
// axis_aligned), the box is one of half extents h about the centre.
std::optional<Reach> reach_of(const Cuboid& b) {
  if (!usable(b.center) || !usable(b.axes[0]) || !usable(b.axes[1]) || !usable(b.axes[2])) return std::nullopt;
  const auto& h = b.half_extents;
  if (!(h[0] >= 0.0f && h[1] >= 0.0f && h[2] >= 0.0f)) return std::nullopt;
  if (!orthonormal(d3(b.axes[0]), d3(b.axes[1]), d3(b.axes[2]))) return std::nullopt;
  const double diagonal = std::sqrt(double(h[0]) * h[0] + double(h[1]) * h[1] + double(h[2]) * h[2]);
  return sphere_reach(d3(b.center), diagonal * (1.0 + kRoom));
}

std::optional<Reach> reach_of(const curvel::LineSegment& s) {
  if (!usable(s.start) || !usable(s.end)) return std::nullopt;
  const D3 a = d3(s.start);
  const D3 b = d3(s.end);
  return sphere_reach((a + b) * 0.5, norm(b - a) * 0.5);
}

// Witnesses on a polygon: its world vertices, points of its outline in its
// own frame (vertices_2d), and points whose in-plane coordinates pass the
// edge test (with its 1e-6 slack) at some height. All must lie within the
// bounding radius (with room), in an orthonormal frame.
std::optional<Reach> reach_of(const ConvexPolygon& p) {
  if (!usable(p.center) || !usable(p.normal) || !usable(p.u_axis) || !usable(p.v_axis)) return std::nullopt;
  if (!usable(p.bounding_radius) || !(p.bounding_radius >= 0.0f)) return std::nullopt;
  if (!orthonormal(d3(p.normal), d3(p.u_axis), d3(p.v_axis))) return std::nullopt;
  const std::size_t edges = std::min(p.edge_normals_2d.size(), p.edge_offsets_2d.size());
  if (edges < 3 || edges > kMostEdges) return std::nullopt;
  const double limit = double(p.bounding_radius) * (1.0 + kRoom) + 0x1p-16;
  const D3 c = d3(p.center);
  for (const Vec3& v : p.vertices_3d)
    if (!usable(v) || norm(d3(v) - c) > limit) return std::nullopt;
  for (const Vec2& v : p.vertices_2d)
    if (!usable(v.x) || !usable(v.y) || std::hypot(double(v.x), double(v.y)) > limit) return std::nullopt;

  // The edge region as a polytope of the plane: lines en_i·q = eo_i + slack,
  // taken as planes of 3-D space with z free, closed by z = ±1 so that the
  // corner enumeration applies.
  std::vector<D3> normals;
  std::vector<double> offsets;
  double scale = 1.0;
  for (std::size_t i = 0; i < edges; ++i) {
    const Vec2 en = p.edge_normals_2d[i];
    const float eo = p.edge_offsets_2d[i];
    if (!usable(en.x) || !usable(en.y) || !usable(eo)) return std::nullopt;
    if (std::fabs(double(en.x) * en.x + double(en.y) * en.y - 1.0) > kUnitTolerance) return std::nullopt;
    scale = std::max(scale, std::fabs(double(eo)));
  }
  // The slack of the edge test plus the rounding of its dot product.
  const double slack = 1e-6 + 0x1p-20 * (scale + limit);
  for (std::size_t i = 0; i < edges; ++i) {
    normals.push_back({p.edge_normals_2d[i].x, p.edge_normals_2d[i].y, 0.0});
    offsets.push_back(double(p.edge_offsets_2d[i]) + slack);
  }
  normals.push_back({0.0, 0.0, 1.0});
  offsets.push_back(1.0);
  normals.push_back({0.0, 0.0, -1.0});
  offsets.push_back(1.0);
  const auto corners = face_corners(normals, offsets, 1e-9 * (scale + limit));
  if (!corners) return std::nullopt;
  for (const D3& q : *corners)
    if (std::hypot(q.x, q.y) > limit) return std::nullopt;
  return sphere_reach(c, limit);
}

// A polytope's face planes bound the region F(0) = {x : n_i·x <= d_i}; a test
// by the faces alone admits a centre in F(s) = {x : n_i·x <= d_i + s}. With I
// inside F(0) at distance rho_i >= rho_min from each plane (unit normals),
// n_i·(x − I) <= rho_i + s <= rho_i·(1 + s/rho_min), so F(s) is within the
// image of F(0) scaled about I by 1 + s/rho_min: within R_F + (R_F/rho_min)·s
// of I, R_F being the farthest corner of F(0) from I. The reach also holds
// the stored vertices and the obb's sphere, the witnesses of the other tests.
std::optional<Reach> reach_of(const ConvexPolytope& p) {
  const std::size_t n = p.planes.size();
  if (n < 4 || n > kMostPlanes || p.vertices.empty()) return std::nullopt;
  const auto obb = reach_of(p.obb);
  if (!obb) return std::nullopt;
  std::vector<D3> normals;
  std::vector<double> offsets;
  double scale = 1.0;
  for (const Plane& plane : p.planes) {
    if (!usable(plane.normal) || !usable(plane.d)) return std::nullopt;
    const D3 normal = d3(plane.normal);
    if (!unit(normal)) return std::nullopt;
    normals.push_back(normal);
    offsets.push_back(plane.d);
    scale = std::max(scale, std::fabs(double(plane.d)));
  }
  for (const Vec3& v : p.vertices)
    if (!usable(v)) return std::nullopt;
  const auto corners = face_corners(normals, offsets, 1e-7 * scale);
  if (!corners) return std::nullopt;

  D3 centre{0.0, 0.0, 0.0};
  for (const D3& q : *corners) centre = centre + q;
  centre = centre * (1.0 / double(corners->size()));
  double far = 0.0;
  for (const D3& q : *corners) far = std::max(far, norm(q - centre));
  double rho_min = INFINITY;
  for (std::size_t i = 0; i < n; ++i) rho_min = std::min(rho_min, (offsets[i] - dot(normals[i], centre)) / norm(normals[i]));
  if (!(rho_min > kRoom * far) || !(far > 0.0)) return std::nullopt;

  double radius = far;
  for (const Vec3& v : p.vertices) radius = std::max(radius, norm(d3(v) - centre));
  radius = std::max(radius, norm(D3{obb->x, obb->y, obb->z} - centre) + obb->radius);
  // The unit normals are unit within a tolerance: a push of s is at most
  // s·(1 + tolerance) in true distance.
  const double kappa = far / rho_min * (1.0 + kRoom);
  return sphere_reach(centre, radius * (1.0 + kRoom), kappa);
}

}  // namespace tangor::collider
