#include <gtest/gtest.h>

#include <cmath>

#include "oracle_shapes.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/ref_convex.hpp"

using namespace tangor;
using namespace tangor::plane::ref_convex;
using oracle::Truth;

namespace {

constexpr int kTrials = 3000;
constexpr double kMargin = 2e-3;

// The unit square [-1, 1]² in the plane z = 0, frame u = x, v = y.
ConvexPolygon unit_square() {
  return ConvexPolygon::with_axes({0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0},
                                  {{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}});
}

double oracle_dist_sq(const oracle::Support& piece, const ConvexPolygon& p) {
  return std::pow(oracle::distance(piece, oracle::polygon_support(p)), 2);
}

}  // namespace

TEST(ClosestEdgeDistSq2d, MatchesBruteForceAndDegenerateOutlines) {
  oracle::Shapes gen(41);
  for (int i = 0; i < 1000; ++i) {
    const ConvexPolygon p = gen.polygon();
    const Vec2 q{gen.uniform(-2, 2), gen.uniform(-2, 2)};
    double best = 1e300;
    const std::size_t n = p.vertices_2d.size();
    for (std::size_t k = 0; k < n; ++k) {
      const Vec2 a = p.vertices_2d[k], b = p.vertices_2d[(k + 1) % n];
      const double ex = double(b.x) - a.x, ey = double(b.y) - a.y;
      double s = ((q.x - double(a.x)) * ex + (q.y - double(a.y)) * ey) / (ex * ex + ey * ey);
      s = std::clamp(s, 0.0, 1.0);
      best = std::min(best, std::pow(q.x - (a.x + s * ex), 2) + std::pow(q.y - (a.y + s * ey), 2));
    }
    EXPECT_NEAR(RefConvexPolygon::closest_edge_dist_sq_2d(p.vertices_2d, q), best, 1e-5 * (1 + best));
  }
  const Vec2 one[] = {{1.0f, 2.0f}};
  EXPECT_EQ(RefConvexPolygon::closest_edge_dist_sq_2d(one, {4.0f, 6.0f}), 25.0f);
  EXPECT_EQ(RefConvexPolygon::closest_edge_dist_sq_2d({}, {4.0f, 6.0f}), MAX_F32);
}

TEST(SegmentDistSq, MatchesOracle) {
  oracle::Shapes gen(42);
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolygon p = gen.polygon();
    const Vec3 s = gen.point(), d = gen.point(1.5f);
    const double want = oracle_dist_sq(oracle::segment_support(oracle::to_d(s), oracle::to_d(s + d)), p);
    EXPECT_NEAR(p.view().segment_dist_sq(s, d), want, 2e-4 * (1 + want)) << i;
  }
}

TEST(SegmentDistSq, InPlaneAndEndOnPlane) {
  const ConvexPolygon sq = unit_square();
  // In the plane and inside: no piercing step, but an endpoint term of 0.
  EXPECT_EQ(sq.view().segment_dist_sq({-0.5f, 0, 0}, {1, 0, 0}), 0.0f);
  // In the plane and outside: distance to the nearest edge.
  EXPECT_EQ(sq.view().segment_dist_sq({2, 0, 0}, {1, 0, 0}), 1.0f);
  // One end exactly on the plane inside the outline.
  EXPECT_EQ(sq.view().segment_dist_sq({0.5f, 0.5f, 0}, {0, 0, 3}), 0.0f);
  // Just outside an edge by less than the slack counts as inside.
  EXPECT_TRUE(sq.view().contains_2d({1.0f + 5e-7f, 0.0f}));
  EXPECT_FALSE(sq.view().contains_2d({1.0f + 5e-6f, 0.0f}));
}

TEST(ParametricLineDistSq, MatchesOracleForEveryKind) {
  oracle::Shapes gen(43);
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolygon p = gen.polygon();
    const Vec3 o = gen.point(), d = gen.point(1.5f);
    const struct {
      float t_min, t_max;
    } ranges[] = {{-INF, INF}, {0.0f, INF}, {0.0f, 1.0f}, {-0.5f, 2.0f}};
    for (const auto& r : ranges) {
      const double want = oracle_dist_sq(oracle::piece_support(o, d, r.t_min, r.t_max), p);
      EXPECT_NEAR(p.view().parametric_line_dist_sq(o, d, r.t_min, r.t_max), want, 2e-4 * (1 + want)) << i << " " << r.t_min << " " << r.t_max;
    }
  }
  // A line parallel to the plane: edge terms only; none at all without vertices.
  const ConvexPolygon sq = unit_square();
  EXPECT_EQ(sq.view().parametric_line_dist_sq({0, 5, 2}, {1, 0, 0}, -INF, INF), 16.0f + 4.0f);
  ConvexPolygon empty = ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {});
  EXPECT_EQ(empty.view().parametric_line_dist_sq({0, 5, 2}, {1, 0, 0}, -INF, INF), MAX_F32);
}

TEST(PolygonCuboid, AgreesWithOracle) {
  oracle::Shapes gen(44);
  int overlaps = 0;
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolygon p = gen.polygon();
    const Cuboid b = gen.box(i % 3 == 0);
    const Truth t = oracle::classify(oracle::polygon_support(p), oracle::box_support(b),
                                     oracle::polygon_support(p, kMargin), oracle::box_support(b, kMargin), kMargin);
    const bool got = ref_polygon_cuboid_collides(p.view(), b);
    if (t == Truth::Apart) { EXPECT_FALSE(got) << i; }
    if (t == Truth::Overlap) {
      EXPECT_TRUE(got) << i;
      ++overlaps;
    }
  }
  EXPECT_GT(overlaps, kTrials / 20);
  // A box whose face lies within 1e-6 of the polygon's plane.
  const ConvexPolygon sq = unit_square();
  EXPECT_TRUE(ref_polygon_cuboid_collides(sq.view(), Cuboid::create({0, 0, 1.0000005f}, cuboid::IDENTITY_AXES, {1, 1, 1})));
  EXPECT_FALSE(ref_polygon_cuboid_collides(sq.view(), Cuboid::create({0, 0, 1.00001f}, cuboid::IDENTITY_AXES, {1, 1, 1})));
}

TEST(PolygonPolygon, AgreesWithOracleAndIsSymmetric) {
  oracle::Shapes gen(45);
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolygon a = gen.polygon(), b = gen.polygon();
    const Truth t = oracle::classify(oracle::polygon_support(a), oracle::polygon_support(b),
                                     oracle::polygon_support(a, kMargin), oracle::polygon_support(b, kMargin), kMargin);
    const bool got = ref_polygon_polygon_collides(a.view(), b.view());
    if (t != Truth::Graze) { EXPECT_EQ(got, ref_polygon_polygon_collides(b.view(), a.view())) << i; }
    if (t == Truth::Apart) { EXPECT_FALSE(got) << i; }
    if (t == Truth::Overlap) { EXPECT_TRUE(got) << i; }
  }
  // Coplanar pairs are told apart by the lifted edges.
  ConvexPolygon near = unit_square(), far = unit_square();
  translate(near, Vec3{1.5f, 0, 0});
  translate(far, Vec3{2.5f, 0, 0});
  EXPECT_TRUE(ref_polygon_polygon_collides(unit_square().view(), near.view()));
  EXPECT_FALSE(ref_polygon_polygon_collides(unit_square().view(), far.view()));
}

TEST(PolygonPolytope, ConservativeAndFaceContact) {
  oracle::Shapes gen(46);
  for (int i = 0; i < kTrials; ++i) {
    const ConvexPolygon p = gen.polygon();
    const ConvexPolytope q = gen.tetrahedron();
    const Truth t = oracle::classify(oracle::polygon_support(p), oracle::polytope_support(q),
                                     oracle::polygon_support(p, kMargin), oracle::polytope_support(q, kMargin), kMargin);
    if (t == Truth::Overlap) { EXPECT_TRUE(ref_polygon_polytope_collides(p.view(), q.view())) << i; }
  }
  // Every vertex exactly on the face plane z = 1 of the cube.
  const ConvexPolytope cube =
      oracle::Shapes::polytope_from_box(Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  ConvexPolygon lid = unit_square();
  translate(lid, Vec3{0.5f, 0, 1});
  EXPECT_TRUE(ref_polygon_polytope_collides(lid.view(), cube.view()));
  translate(lid, Vec3{0, 0, 1e-5f});
  EXPECT_FALSE(ref_polygon_polytope_collides(lid.view(), cube.view()));
}

TEST(PolygonPlane, LowestVertexDecides) {
  oracle::Shapes gen(47);
  for (int i = 0; i < 1000; ++i) {
    const ConvexPolygon p = gen.polygon();
    const Plane plane{curvel::normalize(gen.point(1.0f)), gen.uniform(-2, 2)};
    double lowest = 1e300;
    for (Vec3 v : p.vertices_3d) lowest = std::min(lowest, oracle::dot(oracle::to_d(plane.normal), oracle::to_d(v)));
    if (std::fabs(lowest - plane.d) > 1e-5) {
      EXPECT_EQ(ref_polygon_infinite_plane_collides(p.view(), plane), lowest <= plane.d);
    }
  }
}

TEST(EmptyPolygon, SeparatedOnItsFirstProjectedAxis) {
  const ConvexPolygon empty = ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {});
  const Cuboid box = Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1});
  EXPECT_FALSE(ref_polygon_cuboid_collides(empty.view(), box));
  EXPECT_FALSE(ref_polygon_polygon_collides(empty.view(), unit_square().view()));
  EXPECT_FALSE(ref_polygon_infinite_plane_collides(empty.view(), {{0, 0, 1}, 5.0f}));
  const ConvexPolytope cube = oracle::Shapes::polytope_from_box(box);
  EXPECT_FALSE(ref_polygon_polytope_collides(empty.view(), cube.view()));
}
