#include "tangor/pairs.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using tangor::Affine3;
using tangor::Capsule;
using tangor::ConvexPolygon;
using tangor::ConvexPolytope;
using tangor::Cuboid;
using tangor::Cylinder;
using tangor::Mat3;
using tangor::Plane;
using tangor::Pointcloud;
using tangor::Vec2;
using tangor::Vec3;
using tangor::pointcloud::capt::Point3;

struct D3 {
  double x, y, z;
};
D3 d3(Vec3 v) { return {v.x, v.y, v.z}; }
D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
D3 operator+(D3 a, D3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
D3 operator*(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(D3 a) { return std::sqrt(dot(a, a)); }

// Distance from p to the piece o + t·d, t in [lo, hi].
double piece_distance(D3 p, D3 o, D3 d, double lo, double hi) {
  const double dd = dot(d, d);
  double t = dd > 0 ? dot(p - o, d) / dd : 0.0;
  t = std::min(std::max(t, lo), hi);
  return norm(p - (o + d * t));
}

double box_distance(D3 p, const Cuboid& b) {
  const D3 rel = p - d3(b.center);
  double sum = 0;
  for (int k = 0; k < 3; ++k) {
    const double e = std::max(std::fabs(dot(rel, d3(b.axes[k]))) - b.half_extents[k], 0.0);
    sum += e * e;
  }
  return std::sqrt(sum);
}

double cylinder_distance(D3 p, const Cylinder& c) {
  const D3 d = d3(c.dir);
  const double len_sq = dot(d, d);
  const double t = dot(p - d3(c.p1), d) / len_sq;
  const double rho = norm(p - (d3(c.p1) + d * t));
  const double axial = (t < 0 ? -t : t > 1 ? t - 1 : 0.0) * std::sqrt(len_sq);
  const double radial = std::max(rho - c.radius, 0.0);
  return std::sqrt(axial * axial + radial * radial);
}

// The region of a convex polygon: height over its plane and, outside the
// outline, the in-plane distance to it (frame vectors unit and orthogonal).
double polygon_distance(D3 p, const ConvexPolygon& poly) {
  const D3 rel = p - d3(poly.center);
  const double h = dot(rel, d3(poly.normal));
  const double u = dot(rel, d3(poly.u_axis)), v = dot(rel, d3(poly.v_axis));
  const auto& vs = poly.vertices_2d;
  bool inside = true;
  double best = 1e300;
  for (std::size_t i = 0; i < vs.size(); ++i) {
    const Vec2 a = vs[i], b = vs[(i + 1) % vs.size()];
    const double ex = b.x - a.x, ey = b.y - a.y;
    inside = inside && ex * (v - a.y) - ey * (u - a.x) >= 0;
    const double len_sq = ex * ex + ey * ey;
    double t = ((u - a.x) * ex + (v - a.y) * ey) / len_sq;
    t = std::min(std::max(t, 0.0), 1.0);
    const double gx = u - (a.x + ex * t), gy = v - (a.y + ey * t);
    best = std::min(best, gx * gx + gy * gy);
  }
  return std::sqrt(h * h + (inside ? 0.0 : best));
}

Pointcloud make_cloud(const std::vector<Point3>& points, float rmin, float rmax, float rp) {
  return std::get<Pointcloud>(Pointcloud::try_create(points, {rmin, rmax}, rp));
}

// A shape kind under test: a random shape and, for it, the double-precision
// distance from a world point (for planes and polytopes, the signed excess
// beyond the solid), plus the two test families.
struct Kind {
  std::string name;
  std::function<double(D3, std::mt19937&)> draw_and_measure;  // set up by each trial
};

Mat3 random_rotation(std::mt19937& rng) {
  std::normal_distribution<double> n(0.0, 1.0);
  double q[4] = {n(rng), n(rng), n(rng), n(rng)};
  const double l = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (double& c : q) c /= l;
  return curvel::mat3_from_quat({float(q[0]), float(q[1]), float(q[2]), float(q[3])});
}

Vec3 random_vec(std::mt19937& rng, float extent) {
  std::uniform_real_distribution<float> c(-extent, extent);
  return {c(rng), c(rng), c(rng)};
}

class PointcloudShapes : public testing::TestWithParam<bool> {};

// Both families against the distance oracle, with and without a placement of
// the cloud in the world; samples within 1e-4 of touching are skipped.
TEST_P(PointcloudShapes, AgreeWithDistanceOracles) {
  const bool moved = GetParam();
  std::mt19937 rng(moved ? 21 : 22);
  std::vector<Point3> points;
  for (int i = 0; i < 203; ++i) {
    const Vec3 v = random_vec(rng, 1.0f);
    points.push_back({v.x, v.y, v.z});
  }
  const float rp = 0.05f;
  Pointcloud cloud = make_cloud(points, 0.02f, 0.3f, rp);
  Affine3 forward{};
  if (moved) {
    tangor::transform(cloud, Affine3{random_rotation(rng), random_vec(rng, 3.0f)});
    forward = curvel::inverse(*cloud.inverse_transform);
  }
  std::vector<D3> world;
  for (const Point3& p : points) world.push_back(d3(curvel::transform_point(forward, {p[0], p[1], p[2]})));
  const D3 middle = d3(curvel::transform_point(forward, {0, 0, 0}));
  const Vec3 mid{float(middle.x), float(middle.y), float(middle.z)};

  std::uniform_real_distribution<float> size(0.02f, 0.6f);
  int hits = 0, misses = 0;
  const auto check = [&](const std::string& what, auto&& distance, bool shape_family, bool query_family) {
    double nearest = 1e300;
    for (const D3& p : world) nearest = std::min(nearest, distance(p));
    if (std::fabs(nearest - rp) < 1e-4) return;
    const bool expected = nearest <= rp;
    (expected ? hits : misses)++;
    EXPECT_EQ(shape_family, expected) << what << " (shape-class family), nearest " << nearest;
    EXPECT_EQ(query_family, expected) << what << " (collider family), nearest " << nearest;
  };

  for (int trial = 0; trial < 150; ++trial) {
    const Vec3 a = mid + random_vec(rng, 1.3f);
    const Vec3 b = a + random_vec(rng, 0.8f);
    const float radius = size(rng) * 0.3f;

    const Capsule capsule = Capsule::create(a, b, radius);
    check("capsule", [&](D3 p) { return piece_distance(p, d3(a), d3(b) - d3(a), 0, 1) - radius; },
          tangor::collides(cloud, capsule), tangor::pointcloud::collides_query(cloud, capsule));

    const Cylinder cylinder = Cylinder::create(a, b, radius);
    check("cylinder", [&](D3 p) { return cylinder_distance(p, cylinder); }, tangor::collides(cloud, cylinder),
          tangor::pointcloud::collides_query(cloud, cylinder));

    const Mat3 r = random_rotation(rng);
    const Cuboid box = Cuboid::create(a, {r.x_axis, r.y_axis, r.z_axis}, {size(rng), size(rng), size(rng) * 0.2f});
    check("cuboid", [&](D3 p) { return box_distance(p, box); }, tangor::collides(cloud, box),
          tangor::pointcloud::collides_query(cloud, box));

    const curvel::LineSegment segment{a, b};
    const curvel::Ray ray{a, b - a};
    const curvel::Line line{a, b - a};
    check("segment", [&](D3 p) { return piece_distance(p, d3(a), d3(b) - d3(a), 0, 1); },
          tangor::collides(cloud, segment), tangor::pointcloud::collides_query(cloud, tangor::util::line_piece(segment)));
    check("ray", [&](D3 p) { return piece_distance(p, d3(a), d3(b) - d3(a), 0, 1e300); },
          tangor::collides(cloud, ray), tangor::pointcloud::collides_query(cloud, tangor::util::line_piece(ray)));
    check("line", [&](D3 p) { return piece_distance(p, d3(a), d3(b) - d3(a), -1e300, 1e300); },
          tangor::collides(cloud, line), tangor::pointcloud::collides_query(cloud, tangor::util::line_piece(line)));

    const Vec3 normal = r.z_axis;
    const Plane plane{normal, dot(normal, a)};
    check("plane", [&](D3 p) { return dot(d3(normal), p) - plane.d; }, tangor::collides(cloud, plane),
          tangor::pointcloud::collides_query(cloud, plane));

    const float s = size(rng);
    const ConvexPolygon polygon = ConvexPolygon::create(a, normal, {{-s, -s}, {s, -s}, {s * 0.5f, s}, {-s, s * 0.7f}});
    check("polygon", [&](D3 p) { return polygon_distance(p, polygon); }, tangor::collides(cloud, polygon),
          tangor::pointcloud::collides_query(cloud, polygon));

    // The box as a polytope: the planes pushed out by rp are the contract.
    std::vector<Plane> faces;
    std::vector<Vec3> corners;
    for (int k = 0; k < 3; ++k) {
      for (float sign : {1.0f, -1.0f}) {
        const Vec3 n = box.axes[k] * sign;
        faces.push_back({n, dot(n, box.center) + box.half_extents[k]});
      }
    }
    for (int c = 0; c < 8; ++c)
      corners.push_back(box.center + box.axes[0] * (c & 1 ? box.half_extents[0] : -box.half_extents[0]) +
                        box.axes[1] * (c & 2 ? box.half_extents[1] : -box.half_extents[1]) +
                        box.axes[2] * (c & 4 ? box.half_extents[2] : -box.half_extents[2]));
    const ConvexPolytope polytope = ConvexPolytope::create(faces, corners);
    check("polytope", [&](D3 p) {
            double worst = -1e300;
            for (const Plane& f : faces) worst = std::max(worst, dot(d3(f.normal), p) - f.d);
            return worst;
          },
          tangor::collides(cloud, polytope), tangor::pointcloud::collides_query(cloud, std::span<const Plane>(faces)));
  }
  EXPECT_GT(hits, 200);
  EXPECT_GT(misses, 200);
}

INSTANTIATE_TEST_SUITE_P(Placement, PointcloudShapes, testing::Bool());

TEST(PointcloudShapeEdges, TouchingCountsForEveryKind) {
  const Pointcloud cloud = make_cloud({{0, 0, 1}}, 0.1f, 2.0f, 0.5f);
  EXPECT_TRUE(tangor::collides(cloud, Capsule::create({-1, 0, 0}, {1, 0, 0}, 0.5f)));
  EXPECT_FALSE(tangor::collides(cloud, Capsule::create({-1, 0, 0}, {1, 0, 0}, 0.49f)));
  EXPECT_TRUE(tangor::collides(cloud, Cuboid::create({0, 0, 0}, {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {1, 1, 0.5f})));
  EXPECT_TRUE(tangor::collides(cloud, Cylinder::create({-1, 0, 0}, {1, 0, 0}, 0.5f)));
  EXPECT_TRUE(tangor::collides(cloud, Cylinder::create({0, 0, -0.5f}, {0, 0, 0.5f}, 0.1f)));
  EXPECT_FALSE(tangor::collides(cloud, Cylinder::create({0, 0, -0.5f}, {0, 0, 0.49f}, 0.1f)));
  EXPECT_TRUE(tangor::collides(cloud, ConvexPolygon::create({0, 0, 0.5f}, {0, 0, 1}, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})));
  EXPECT_TRUE(tangor::collides(cloud, curvel::Line{{5, 0, 0.5f}, {1, 0, 0}}));
  EXPECT_TRUE(tangor::collides(cloud, curvel::LineSegment{{-1, 0, 0.5f}, {1, 0, 0.5f}}));
}

TEST(PointcloudShapeEdges, PlaneOffsetAndPlacement) {
  const Pointcloud at_rp = make_cloud({{0, 0, 0.5f}}, 0.1f, 1.0f, 0.5f);
  const Pointcloud beyond = make_cloud({{0, 0, 0.51f}}, 0.1f, 1.0f, 0.5f);
  EXPECT_TRUE(tangor::collides(at_rp, Plane{{0, 0, 1}, 0}));
  EXPECT_FALSE(tangor::collides(beyond, Plane{{0, 0, 1}, 0}));

  // Quarter turn about z then (0, 2, 0): the world plane x <= 0 is the own
  // plane y <= 2.
  Pointcloud placed = make_cloud({{0, 2.2f, 0}}, 0.1f, 1.0f, 0.25f);
  placed.inverse_transform = Affine3{Mat3{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, {0, 2, 0}};
  EXPECT_TRUE(tangor::collides(placed, Plane{{1, 0, 0}, 0}));
  placed.spheres.ys()[0] = 2.3f;
  EXPECT_FALSE(tangor::collides(placed, Plane{{1, 0, 0}, 0}));
}

TEST(PointcloudShapeEdges, RayReachesBehindItsOriginOnlyByTheRadius) {
  const Pointcloud behind = make_cloud({{-1, 0, 0}}, 0.1f, 1.0f, 0.9f);
  EXPECT_FALSE(tangor::collides(behind, curvel::Ray{{0, 0, 0}, {1, 0, 0}}));
  const Pointcloud wider = make_cloud({{-1, 0, 0}}, 0.1f, 1.0f, 1.0f);
  EXPECT_TRUE(tangor::collides(wider, curvel::Ray{{0, 0, 0}, {1, 0, 0}}));
}

TEST(PointcloudShapeEdges, EmptyCloudTouchesNothing) {
  const Pointcloud empty = make_cloud({}, 0.1f, 1.0f, 0.5f);
  const Cuboid everywhere = Cuboid::create({0, 0, 0}, {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {1e6f, 1e6f, 1e6f});
  EXPECT_FALSE(tangor::collides(empty, everywhere));
  EXPECT_FALSE(tangor::pointcloud::collides_query(empty, everywhere));
  EXPECT_FALSE(tangor::collides(empty, Plane{{0, 0, 1}, 1e9f}));
  EXPECT_FALSE(tangor::pointcloud::collides_query(empty, std::span<const Plane>()));
  EXPECT_FALSE(tangor::pointcloud::collides_ball(empty, {{0, 0, 0}, 1e9f}));
  // A polytope without planes is hit by any point of a non-empty cloud.
  const Pointcloud one = make_cloud({{7, 7, 7}}, 0.1f, 1.0f, 0.0f);
  EXPECT_TRUE(tangor::pointcloud::collides_query(one, std::span<const Plane>()));
}

// A query far larger than r_range: the tree cannot rule it out, so the
// shape-class family still finds the point.
TEST(PointcloudShapeEdges, LargeShapesAreNotRejectedByAnInexactTree) {
  std::vector<Point3> points;
  for (int i = 0; i < 64; ++i) points.push_back({float(i % 4) * 10, float(i / 4 % 4) * 10, float(i / 16) * 10});
  const Pointcloud cloud = make_cloud(points, 0.01f, 0.05f, 0.0f);
  const Capsule big = Capsule::create({5, 5, -100}, {5, 5, 100}, 7.1f);
  EXPECT_TRUE(tangor::pointcloud::collides_query(cloud, big));
  EXPECT_TRUE(tangor::collides(cloud, big));
  const Cuboid slab = Cuboid::create({15, 15, 15}, {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {100, 100, 0.5f});
  EXPECT_FALSE(tangor::collides(cloud, slab));
  const Cuboid thicker = Cuboid::create({15, 15, 15}, {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {100, 100, 5.0f});
  EXPECT_TRUE(tangor::collides(cloud, thicker));
}

}  // namespace
