// Double-precision supports of the library's shapes for the GJK oracle, the
// erosion used to tell a clear overlap from a graze, and seeded random
// shapes.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include "gjk_oracle.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/sphere.hpp"

namespace oracle {

inline D3 to_d(tangor::Vec3 v) { return {v.x, v.y, v.z}; }
inline tangor::Vec3 to_f(D3 v) { return {float(v.x), float(v.y), float(v.z)}; }

// Supports of the shapes, optionally eroded by `margin` (a subset of the
// shape whose every point lies at least `margin` inside it, or close to it).
inline Support box_support(const tangor::Cuboid& b, double margin = 0) {
  std::vector<D3> corners;
  for (int c = 0; c < 8; ++c) {
    D3 p = to_d(b.center);
    for (int k = 0; k < 3; ++k) {
      double h = std::max(0.0, double(b.half_extents[k]) - margin);
      p = p + to_d(b.axes[k]) * (((c >> k) & 1) ? h : -h);
    }
    corners.push_back(p);
  }
  return points_support(corners);
}

inline Support sphere_support(const tangor::Sphere& s, double margin = 0) {
  return inflate(points_support({to_d(s.center)}), std::max(0.0, double(s.radius) - margin));
}

inline Support capsule_support(const tangor::Capsule& c, double margin = 0) {
  return inflate(points_support({to_d(c.p1), to_d(c.p1) + to_d(c.dir)}), std::max(0.0, double(c.radius) - margin));
}

inline Support segment_support(D3 a, D3 b) { return points_support({a, b}); }

inline Support cylinder_support(const tangor::Cylinder& c, double margin = 0) {
  D3 p1 = to_d(c.p1), dir = to_d(c.dir);
  double len = norm(dir);
  D3 a = dir * (1.0 / len);
  double m = std::min(margin, len / 2);
  double r = std::max(0.0, double(c.radius) - margin);
  return hull_support(disc_support(p1 + a * m, a, r), disc_support(p1 + dir - a * m, a, r));
}

// A line piece with its infinite bounds cut far beyond the scene (which
// lies within a few units of the origin), built in double precision.
inline Support piece_support(tangor::Vec3 o, tangor::Vec3 d, float t_min, float t_max) {
  const D3 od = to_d(o), dd = to_d(d);
  const double far = 50.0 / std::max(norm(dd), 1e-6);
  const double lo = std::isinf(t_min) ? -far : t_min, hi = std::isinf(t_max) ? far : t_max;
  return segment_support(od + dd * lo, od + dd * hi);
}

inline D3 centroid(const std::vector<D3>& pts) {
  D3 c;
  for (const D3& p : pts) c = c + p;
  return c * (1.0 / pts.size());
}

// Scaled toward the centroid so that the farthest point moves by `margin`.
inline Support shrunk_points_support(const std::vector<tangor::Vec3>& pts, double margin) {
  std::vector<D3> d;
  for (auto p : pts) d.push_back(to_d(p));
  D3 c = centroid(d);
  double far = 0;
  for (const D3& p : d) far = std::max(far, norm(p - c));
  double f = far > margin ? 1 - margin / far : 0;
  for (D3& p : d) p = c + (p - c) * f;
  return points_support(d);
}

inline Support polygon_support(const tangor::ConvexPolygon& p, double margin = 0) {
  return shrunk_points_support(p.vertices_3d, margin);
}
inline Support polytope_support(const tangor::ConvexPolytope& p, double margin = 0) {
  return shrunk_points_support(p.vertices, margin);
}

// Seeded random shapes in a cube of side about 4 about the origin.
struct Shapes {
  std::mt19937 rng;
  explicit Shapes(unsigned seed) : rng(seed) {}

  float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  tangor::Vec3 point(float extent = 2.0f) {
    return {uniform(-extent, extent), uniform(-extent, extent), uniform(-extent, extent)};
  }
  tangor::Quat rotation() {
    std::normal_distribution<float> n;
    float x = n(rng), y = n(rng), z = n(rng), w = n(rng);
    float l = std::sqrt(x * x + y * y + z * z + w * w);
    return {x / l, y / l, z / l, w / l};
  }
  tangor::Cuboid box(bool aligned = false) {
    tangor::Cuboid b = tangor::Cuboid::create(point(), tangor::cuboid::IDENTITY_AXES,
                                              {uniform(0.1f, 1.2f), uniform(0.1f, 1.2f), uniform(0.1f, 1.2f)});
    if (!aligned) {
      const tangor::Vec3 c = b.center;
      tangor::translate(b, -c);
      tangor::rotate_quat(b, rotation());
      tangor::translate(b, c);
    }
    return b;
  }
  tangor::Capsule capsule(bool z_aligned = false) {
    tangor::Vec3 p1 = point();
    tangor::Vec3 p2 = z_aligned ? tangor::Vec3{p1.x, p1.y, p1.z + uniform(-2.0f, 2.0f)} : p1 + point(1.2f);
    return tangor::Capsule::create(p1, p2, uniform(0.05f, 0.8f));
  }
  tangor::Cylinder cylinder() {
    tangor::Vec3 p1 = point();
    return tangor::Cylinder::create(p1, p1 + point(1.2f), uniform(0.05f, 0.8f));
  }
  tangor::Sphere sphere() { return {point(), uniform(0.05f, 1.0f)}; }
  // A random convex polygon: points on an ellipse, in a random plane.
  tangor::ConvexPolygon polygon() {
    const int n = 3 + int(rng() % 5);
    const float rx = uniform(0.2f, 1.2f), ry = uniform(0.2f, 1.2f), phase = uniform(0.0f, 6.28f);
    std::vector<tangor::Vec2> v;
    for (int i = 0; i < n; ++i) {
      const float a = phase + 6.2831853f * float(i) / float(n);
      v.push_back({rx * std::cos(a), ry * std::sin(a)});
    }
    tangor::Vec3 normal = curvel::normalize(point(1.0f) + tangor::Vec3{0.01f, 0.0f, 0.0f});
    return tangor::ConvexPolygon::create(point(), normal, std::move(v));
  }
  // A tetrahedron with outward face planes.
  tangor::ConvexPolytope tetrahedron() {
    const tangor::Vec3 c = point();
    std::vector<tangor::Vec3> v;
    for (int i = 0; i < 4; ++i) v.push_back(c + point(1.0f));
    return polytope_from_tetra(v);
  }
  static tangor::ConvexPolytope polytope_from_tetra(std::vector<tangor::Vec3> v) {
    std::vector<tangor::Plane> planes;
    const int faces[4][4] = {{0, 1, 2, 3}, {0, 1, 3, 2}, {0, 2, 3, 1}, {1, 2, 3, 0}};
    for (const auto& f : faces) {
      D3 a = to_d(v[f[0]]), b = to_d(v[f[1]]), c = to_d(v[f[2]]), o = to_d(v[f[3]]);
      D3 n = cross(b - a, c - a);
      n = n * (1.0 / norm(n));
      if (dot(n, o - a) > 0) n = -n;
      planes.push_back({to_f(n), float(dot(n, a))});
    }
    return tangor::ConvexPolytope::create(std::move(planes), std::move(v));
  }
  // A box as a polytope: its corners and its six face planes.
  static tangor::ConvexPolytope polytope_from_box(const tangor::Cuboid& b) {
    std::vector<tangor::Vec3> v;
    for (int c = 0; c < 8; ++c) {
      tangor::Vec3 p = b.center;
      for (int k = 0; k < 3; ++k) p += b.axes[k] * (((c >> k) & 1) ? b.half_extents[k] : -b.half_extents[k]);
      v.push_back(p);
    }
    std::vector<tangor::Plane> planes;
    for (int k = 0; k < 3; ++k) {
      const float c = tangor::dot(b.axes[k], b.center);
      planes.push_back({b.axes[k], c + b.half_extents[k]});
      planes.push_back({-b.axes[k], -c + b.half_extents[k]});
    }
    return tangor::ConvexPolytope::create(std::move(planes), std::move(v));
  }
};

// Classification of a random pair by the oracle: clearly apart, clearly
// overlapping, or within the margin (skipped by the exact checks).
enum class Truth { Apart, Overlap, Graze };

inline Truth classify(const Support& a, const Support& b, const Support& a_eroded, const Support& b_eroded,
                      double margin) {
  if (distance(a, b) > margin) return Truth::Apart;
  if (overlaps(a_eroded, b_eroded)) return Truth::Overlap;
  return Truth::Graze;
}

}  // namespace oracle
