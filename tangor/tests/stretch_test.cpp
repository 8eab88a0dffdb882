#include "tangor/stretch.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using tangor::Capsule;
using tangor::ConvexPolygon;
using tangor::ConvexPolytope;
using tangor::Cuboid;
using tangor::Cylinder;
using tangor::Plane;
using tangor::Sphere;
using tangor::Vec2;
using tangor::Vec3;
using tangor::sweep::SweptSlab;

constexpr float kTolerance = 2e-4f;
const std::array<Vec3, 3> kIdentity{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};

Vec3 random_vec(std::mt19937& rng, float extent) {
  std::uniform_real_distribution<float> c(-extent, extent);
  return {c(rng), c(rng), c(rng)};
}

Vec3 random_in_ball(std::mt19937& rng, float radius) {
  for (;;) {
    const Vec3 v = random_vec(rng, 1.0f);
    if (tangor::length_squared(v) <= 1.0f) return v * radius;
  }
}

float uniform(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

double segment_distance(Vec3 p, Vec3 a, Vec3 d) {
  const double dd = tangor::dot(d, d);
  double s = dd > 0 ? double(tangor::dot(p - a, d)) / dd : 0.0;
  s = std::clamp(s, 0.0, 1.0);
  const double x = p.x - (a.x + d.x * s), y = p.y - (a.y + d.y * s), z = p.z - (a.z + d.z * s);
  return std::sqrt(x * x + y * y + z * z);
}

bool inside(const ConvexPolytope& polytope, Vec3 p) {
  for (const Plane& plane : polytope.planes)
    if (tangor::dot(plane.normal, p) > plane.d + kTolerance) return false;
  return true;
}
bool inside(const Capsule& c, Vec3 p) { return segment_distance(p, c.p1, c.dir) <= c.radius + kTolerance; }
bool inside(const Cylinder& c, Vec3 p) {
  const float s = tangor::dot(p - c.p1, c.dir) / tangor::dot(c.dir, c.dir);
  const Vec3 radial = p - (c.p1 + c.dir * s);
  return s >= -kTolerance && s <= 1 + kTolerance && tangor::length(radial) <= c.radius + kTolerance;
}
bool inside(const Sphere& s, Vec3 p) { return tangor::length(p - s.center) <= s.radius + kTolerance; }
bool inside(const curvel::LineSegment& s, Vec3 p) { return segment_distance(p, s.start, s.end - s.start) <= kTolerance; }
// Distance to origin + u·dir for u >= lo (lo = −∞ for a line).
bool near_piece(Vec3 p, Vec3 o, Vec3 d, double lo) {
  double u = double(tangor::dot(p - o, d)) / tangor::dot(d, d);
  u = std::max(u, lo);
  const double x = p.x - (o.x + d.x * u), y = p.y - (o.y + d.y * u), z = p.z - (o.z + d.z * u);
  return std::sqrt(x * x + y * y + z * z) <= kTolerance;
}
bool inside(const curvel::Ray& r, Vec3 p) { return near_piece(p, r.origin, r.dir, 0.0); }
bool inside(const curvel::Line& l, Vec3 p) { return near_piece(p, l.origin, l.dir, -1e300); }
bool inside(const Cuboid& b, Vec3 p) { return b.point_dist_sq(p) <= kTolerance * kTolerance; }
bool inside(const SweptSlab& s, Vec3 p) {
  if (inside(s.slab, p)) return true;
  for (const Capsule& c : s.edges)
    if (inside(c, p)) return true;
  return false;
}
bool inside(const ConvexPolygon& poly, Vec3 p) {
  const Vec3 rel = p - poly.center;
  if (std::fabs(tangor::dot(rel, poly.normal)) > kTolerance) return false;
  const Vec2 uv{tangor::dot(rel, poly.u_axis), tangor::dot(rel, poly.v_axis)};
  for (std::size_t i = 0; i < poly.edge_normals_2d.size(); ++i)
    if (tangor::dot(poly.edge_normals_2d[i], uv) > poly.edge_offsets_2d[i] + kTolerance) return false;
  return true;
}
template <class... Kinds>
bool inside(const std::variant<Kinds...>& swept, Vec3 p) {
  return std::visit([&](const auto& shape) { return inside(shape, p); }, swept);
}

// Every sampled point of the shape, moved by s·t for sampled s, must lie in
// the sweep.
template <class Result, class Sample>
void expect_contains_swept_samples(const Result& swept, Vec3 t, Sample&& sample, std::mt19937& rng,
                                   const char* what) {
  for (int i = 0; i < 200; ++i) {
    const float s = i % 10 == 0 ? 0.0f : i % 10 == 1 ? 1.0f : uniform(rng, 0.0f, 1.0f);
    const Vec3 p = sample(rng) + t * s;
    ASSERT_TRUE(inside(swept, p)) << what << " sample " << i << " at s " << s;
  }
}

TEST(Stretch, SweepsContainTheMovedShape) {
  std::mt19937 rng(41);
  for (int trial = 0; trial < 60; ++trial) {
    // Every third translation runs along the shape's direction.
    const bool along = trial % 3 == 0;
    const Vec3 a = random_vec(rng, 3.0f);
    const Vec3 dir = random_vec(rng, 2.0f);
    const Vec3 t = along ? dir * uniform(rng, -2.0f, 2.0f) : random_vec(rng, 3.0f);
    const float r = uniform(rng, 0.1f, 1.0f);

    const Capsule capsule = Capsule::create(a, a + dir, r);
    expect_contains_swept_samples(tangor::stretch(capsule, t), t,
                                  [&](std::mt19937& g) { return a + dir * uniform(g, 0, 1) + random_in_ball(g, r); },
                                  rng, "capsule");

    const Cylinder cylinder = Cylinder::create(a, a + dir, r);
    const Vec3 n1 = curvel::normalize(tangor::cross(dir, std::fabs(dir.x) < 0.9f * tangor::length(dir) ? Vec3{1, 0, 0} : Vec3{0, 1, 0}));
    const Vec3 n2 = curvel::normalize(tangor::cross(dir, n1));
    expect_contains_swept_samples(tangor::stretch(cylinder, t), t, [&](std::mt19937& g) {
      const float angle = uniform(g, 0, 6.2831853f), rho = r * std::sqrt(uniform(g, 0, 1));
      return a + dir * uniform(g, 0, 1) + n1 * (rho * std::cos(angle)) + n2 * (rho * std::sin(angle));
    }, rng, "cylinder");

    const tangor::Mat3 m = curvel::mat3_from_quat(
        [&] { const Vec3 v = random_vec(rng, 1); const float w = uniform(rng, -1, 1);
              const float l = std::sqrt(tangor::dot(v, v) + w * w); return tangor::Quat{v.x / l, v.y / l, v.z / l, w / l}; }());
    const Cuboid box = Cuboid::create(a, {m.x_axis, m.y_axis, m.z_axis}, {r, 2 * r, 0.5f});
    const Vec3 box_t = along ? m.y_axis * uniform(rng, -2, 2) : t;
    expect_contains_swept_samples(tangor::stretch(box, box_t), box_t, [&](std::mt19937& g) {
      return a + m.x_axis * uniform(g, -r, r) + m.y_axis * uniform(g, -2 * r, 2 * r) + m.z_axis * uniform(g, -0.5f, 0.5f);
    }, rng, "cuboid");

    const curvel::LineSegment segment{a, a + dir};
    expect_contains_swept_samples(tangor::stretch(segment, t), t,
                                  [&](std::mt19937& g) { return a + dir * uniform(g, 0, 1); }, rng, "segment");
    // The strips of lines and rays reach 1e12 along the line, in any
    // direction: the width of t must survive beside that extent.
    const curvel::Ray ray{a, dir};
    expect_contains_swept_samples(tangor::stretch(ray, t), t,
                                  [&](std::mt19937& g) { return a + dir * uniform(g, 0, 20); }, rng, "ray");
    const curvel::Line line{a, dir};
    expect_contains_swept_samples(tangor::stretch(line, t), t,
                                  [&](std::mt19937& g) { return a + dir * uniform(g, -20, 20); }, rng, "line");

    const Vec3 normal = curvel::normalize(dir);
    const ConvexPolygon polygon =
        ConvexPolygon::create(a, normal, {{-r, -r}, {r, -r}, {r * 1.5f, r}, {-r, r * 0.5f}});
    const Vec3 polygon_t = trial % 2 == 0 ? polygon.u_axis * uniform(rng, -2, 2) + polygon.v_axis * uniform(rng, -2, 2) : t;
    const auto polygon_sample = [&](std::mt19937& g) {
      Vec3 p{};
      float total = 0;
      std::array<float, 4> w;
      for (float& x : w) total += (x = uniform(g, 0, 1));
      for (std::size_t i = 0; i < 4; ++i) p += polygon.vertices_3d[i] * (w[i] / total);
      return p;
    };
    expect_contains_swept_samples(tangor::stretch(polygon, polygon_t), polygon_t, polygon_sample, rng, "polygon");

    const auto slab = std::get<SweptSlab>(tangor::stretch(Capsule::create(a, a + dir, r), random_vec(rng, 3.0f) + Vec3{0, 0, 7}));
    const ConvexPolytope& polytope = slab.slab;
    const Vec3 polytope_t = random_vec(rng, 3.0f);
    expect_contains_swept_samples(tangor::stretch(polytope, polytope_t), polytope_t, [&](std::mt19937& g) {
      Vec3 p{};
      float total = 0;
      std::vector<float> w(polytope.vertices.size());
      for (float& x : w) total += (x = uniform(g, 0, 1));
      for (std::size_t i = 0; i < w.size(); ++i) p += polytope.vertices[i] * (w[i] / total);
      return p;
    }, rng, "polytope");

    const Sphere sphere{a, r};
    expect_contains_swept_samples(tangor::sweep::stretch_sphere(sphere, t), t,
                                  [&](std::mt19937& g) { return a + random_in_ball(g, r); }, rng, "sphere");
  }
}

TEST(Stretch, ZeroTranslationKeepsEachKind) {
  const Vec3 zero{};
  const Capsule capsule = Capsule::create({1, 2, 3}, {4, 5, 6}, 0.5f);
  EXPECT_EQ(std::get<Capsule>(tangor::stretch(capsule, zero)), capsule);
  const Cuboid box = Cuboid::create({1, 1, 1}, kIdentity, {1, 2, 3});
  EXPECT_EQ(std::get<Cuboid>(tangor::stretch(box, zero)), box);
  EXPECT_EQ(std::get<Sphere>(tangor::sweep::stretch_sphere({{1, 1, 1}, 2}, zero)), (Sphere{{1, 1, 1}, 2}));
  EXPECT_EQ(tangor::sweep::stretch_plane({{0, 0, 1}, 2}, zero), (Plane{{0, 0, 1}, 2}));
  const curvel::Line line{{0, 0, 0}, {1, 0, 0}};
  EXPECT_EQ(std::get<curvel::Line>(tangor::stretch(line, zero)), line);
}

TEST(Stretch, LineKindsAlongThemselves) {
  const curvel::Ray ray{{1, 0, 0}, {1, 0, 0}};
  EXPECT_EQ(std::get<curvel::Ray>(tangor::stretch(ray, Vec3{2, 0, 0})), ray);
  EXPECT_EQ(std::get<curvel::Ray>(tangor::stretch(ray, Vec3{-2, 0, 0})), (curvel::Ray{{-1, 0, 0}, {1, 0, 0}}));
  const curvel::LineSegment s{{0, 0, 0}, {1, 0, 0}};
  EXPECT_EQ(std::get<curvel::LineSegment>(tangor::stretch(s, Vec3{2, 0, 0})), (curvel::LineSegment{{0, 0, 0}, {3, 0, 0}}));
  EXPECT_EQ(std::get<curvel::LineSegment>(tangor::stretch(s, Vec3{-2, 0, 0})), (curvel::LineSegment{{-2, 0, 0}, {1, 0, 0}}));
  // Across itself a line becomes a quad centred at o + t/2, 1e12 each way.
  const auto quad = std::get<ConvexPolygon>(tangor::stretch(curvel::Line{{0, 0, 0}, {1, 0, 0}}, Vec3{0, 2, 0}));
  EXPECT_EQ(quad.center, (Vec3{0, 1, 0}));
  ASSERT_EQ(quad.vertices_3d.size(), 4u);
  float lo = 0, hi = 0;
  for (Vec3 v : quad.vertices_3d) {
    lo = std::min(lo, v.x);
    hi = std::max(hi, v.x);
  }
  EXPECT_EQ(lo, -1e12f);
  EXPECT_EQ(hi, 1e12f);
}

TEST(Stretch, CapsulesAndBoxes) {
  const Capsule point_like = Capsule::create({1, 1, 1}, {1, 1, 1}, 0.5f);
  EXPECT_EQ(std::get<Capsule>(tangor::stretch(point_like, Vec3{0, 3, 0})), Capsule::create({1, 1, 1}, {1, 4, 1}, 0.5f));
  const auto slab = std::get<SweptSlab>(tangor::stretch(Capsule::create({0, 0, 0}, {1, 0, 0}, 0.5f), Vec3{0, 1, 0}));
  EXPECT_EQ(slab.slab.vertices.size(), 8u);
  EXPECT_EQ(slab.slab.planes.size(), 6u);
  EXPECT_EQ(slab.edges[3], Capsule::create({1, 0, 0}, {1, 1, 0}, 0.5f));
  const auto cyl = std::get<SweptSlab>(tangor::stretch(Cylinder::create({0, 0, 0}, {1, 0, 0}, 0.5f), Vec3{0, 1, 0}));
  EXPECT_EQ(cyl, slab);

  const Cuboid box = Cuboid::create({0, 0, 0}, kIdentity, {1, 2, 3});
  const Cuboid longer = std::get<Cuboid>(tangor::stretch(box, Vec3{0, -4, 0}));
  EXPECT_EQ(longer.center, (Vec3{0, -2, 0}));
  EXPECT_EQ(longer.half_extents, (std::array<float, 3>{1, 4, 3}));
  const auto diagonal = std::get<ConvexPolytope>(tangor::stretch(box, Vec3{1, 2, 3}));
  EXPECT_EQ(diagonal.vertices.size(), 16u);
  EXPECT_EQ(diagonal.planes.size(), 12u);
  EXPECT_EQ(diagonal.vertices[1], (diagonal.vertices[0] + Vec3{1, 2, 3}));

  EXPECT_EQ(tangor::sweep::stretch_plane({{0, 0, 1}, 2}, {0, 0, -3}), (Plane{{0, 0, 1}, 2}));
  EXPECT_EQ(tangor::sweep::stretch_plane({{0, 0, 1}, 2}, {0, 0, 3}), (Plane{{0, 0, 1}, 5}));
}

ConvexPolygon unit_square() {
  return ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}});
}

TEST(Stretch, PolygonWithinItsPlane) {
  const ConvexPolygon square = unit_square();
  const Vec3 diagonal = square.u_axis * 1.0f + square.v_axis * 1.0f;
  EXPECT_EQ(std::get<ConvexPolygon>(tangor::stretch(square, diagonal)).vertices_2d.size(), 6u);
  const auto rectangle = std::get<ConvexPolygon>(tangor::stretch(square, square.u_axis * 2.0f));
  EXPECT_EQ(rectangle.vertices_2d, (std::vector<Vec2>{{-1, -1}, {3, -1}, {3, 1}, {-1, 1}}));
  const auto same = std::get<ConvexPolygon>(tangor::stretch(square, Vec3{}));
  EXPECT_EQ(same.vertices_2d.size(), 4u);
  EXPECT_EQ(same.center, square.center);

  const ConvexPolygon single = ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{1, 1}});
  const auto two = std::get<ConvexPolygon>(tangor::stretch(single, single.u_axis * 1.0f));
  EXPECT_EQ(two.vertices_2d, (std::vector<Vec2>{{1, 1}, {2, 1}}));

  // A NaN reaches no sort: the sweep keeps its points, and nothing hits them.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const ConvexPolygon broken = ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{nan, 0}, {1, 0}, {0, 1}, {2, 2}, {nan, nan}});
  const auto swept = std::get<ConvexPolygon>(tangor::stretch(broken, square.u_axis * 0.5f));
  EXPECT_EQ(swept.vertices_2d.size(), 10u);
  const auto nan_t = tangor::stretch(square, Vec3{nan, 0, 0});
  EXPECT_TRUE(std::holds_alternative<ConvexPolytope>(nan_t) || std::get<ConvexPolygon>(nan_t).vertices_2d.size() == 8u);
}

TEST(Stretch, PolygonAcrossItsPlaneBecomesAPrism) {
  const ConvexPolygon square = unit_square();
  EXPECT_TRUE(std::holds_alternative<ConvexPolytope>(tangor::stretch(square, Vec3{0, 0, 1e-6f})));
  EXPECT_TRUE(std::holds_alternative<ConvexPolygon>(tangor::stretch(square, Vec3{0, 0, 0.99e-6f})));
  const auto down = std::get<ConvexPolytope>(tangor::stretch(square, Vec3{0, 0, -2}));
  EXPECT_EQ(down.planes[0], (Plane{{0, 0, 1}, 0}));
  EXPECT_EQ(down.planes[1], (Plane{{-0.0f, -0.0f, -1}, 2}));
  EXPECT_EQ(down.planes.size(), 6u);
  EXPECT_EQ(down.vertices.size(), 8u);
  EXPECT_EQ(down.vertices[4], (square.vertices_3d[0] + Vec3{0, 0, -2}));
}

TEST(Stretch, PolytopeSweeps) {
  std::vector<Plane> faces;
  std::vector<Vec3> corners;
  for (int k = 0; k < 3; ++k)
    for (float s : {1.0f, -1.0f}) faces.push_back({kIdentity[k] * s, 1});
  for (int c = 0; c < 8; ++c) corners.push_back({c & 1 ? 1.f : -1.f, c & 2 ? 1.f : -1.f, c & 4 ? 1.f : -1.f});
  const ConvexPolytope cube = ConvexPolytope::create(faces, corners);

  const ConvexPolytope still = tangor::stretch(cube, Vec3{});
  EXPECT_EQ(still.planes, cube.planes);
  EXPECT_EQ(still.vertices.size(), 16u);
  const ConvexPolytope along = tangor::stretch(cube, Vec3{0, 0, 3});
  EXPECT_EQ(along.planes.size(), 6u);
  EXPECT_EQ(along.planes[4], (Plane{{0, 0, 1}, 4}));
  const ConvexPolytope empty = tangor::stretch(ConvexPolytope::create({}, corners), Vec3{1, 1, 1});
  EXPECT_TRUE(empty.planes.empty());
  EXPECT_EQ(empty.obb.center, (cube.obb.center + Vec3{0.5f, 0.5f, 0.5f}));
}

}  // namespace
