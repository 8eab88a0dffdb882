#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "oracle_shapes.hpp"
#include "tangor/approx.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/line/line.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/point.hpp"

using namespace tangor;

namespace {

std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

void expect_vec(Vec3 got, Vec3 want) {
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.z, want.z);
}

}  // namespace

static_assert(transformable<Sphere> && transformable<Capsule> && transformable<Cuboid> && transformable<Cylinder> &&
              transformable<Plane> && transformable<ConvexPolygon> && transformable<ConvexPolytope> &&
              transformable<Point> && transformable<curvel::Line> && transformable<curvel::Ray> &&
              transformable<curvel::LineSegment>);
static_assert(bounded<Sphere> && bounded<Capsule> && bounded<Cuboid> && bounded<Cylinder> &&
              bounded<ConvexPolygon> && bounded<ConvexPolytope> && bounded<Point> && bounded<curvel::LineSegment>);
static_assert(!bounded<Plane> && !bounded<curvel::Line> && !bounded<curvel::Ray>);

TEST(Capsule, DerivedFields) {
  const Capsule point_like = Capsule::create({1, 2, 3}, {1, 2, 3}, 0.5f);
  EXPECT_EQ(point_like.rdv, 0.0f);
  EXPECT_TRUE(point_like.z_aligned);
  EXPECT_EQ(broadphase(point_like), (Sphere{{1, 2, 3}, 0.5f}));

  const Capsule down = Capsule::create({0, 0, 0}, {0, 0, -2}, 0.25f);
  EXPECT_TRUE(down.z_aligned);
  EXPECT_EQ(broadphase(down).radius, 1.25f);

  // -0.0 counts as zero.
  EXPECT_TRUE(capsule::derive_axis({-0.0f, 0.0f, 1.0f}).z_aligned);
  // A squared length of exactly EPS gives 0; just above, its reciprocal.
  const float h = std::ldexp(1.0f, -12);  // h² + h² = 2^-23 exactly
  EXPECT_EQ(capsule::derive_axis({h, h, 0}).rdv, 0.0f);
  const float above = std::nextafter(h, 1.0f);
  const float len_sq = above * above + h * h;
  ASSERT_GT(len_sq, EPS);
  EXPECT_EQ(capsule::derive_axis({above, h, 0}).rdv, 1.0f / len_sq);
  // A cylinder of exactly that length is not degenerate for the line test.
  const Cylinder thin = Cylinder::create({0, 0, 0}, {h, h, 0}, 1.0f);
  EXPECT_EQ(thin.rdv, 0.0f);
  // NaN gives rdv 0.
  EXPECT_EQ(capsule::derive_axis({NAN, 0, 0}).rdv, 0.0f);
}

TEST(Cuboid, AxisAlignedLooksOnlyAtOffDiagonals) {
  EXPECT_TRUE(cuboid::is_axis_aligned({Vec3{-1, 0, 0}, Vec3{0, -1, 0}, Vec3{0, 0, 1}}));
  EXPECT_FALSE(cuboid::is_axis_aligned({Vec3{0, 1, 0}, Vec3{-1, 0, 0}, Vec3{0, 0, 1}}));
  EXPECT_TRUE(cuboid::is_axis_aligned({Vec3{1, -0.0f, 0}, Vec3{0, 1, -0.0f}, Vec3{0, 0, 1}}));
  EXPECT_FALSE(cuboid::is_axis_aligned({Vec3{1, NAN, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}));
  // A rotation in floating point leaves tiny off-diagonals.
  Cuboid b = Cuboid::create({}, cuboid::IDENTITY_AXES, {1, 1, 1});
  rotate_quat(b, {0.0f, 0.0f, 0.38268343f, 0.92387953f});
  rotate_quat(b, {0.0f, 0.0f, -0.38268343f, 0.92387953f});
  EXPECT_FALSE(b.axis_aligned);
}

TEST(Moves, RotationIsAboutTheOriginAndKeepsTwoDData) {
  oracle::Shapes gen(51);
  ConvexPolygon p = gen.polygon();
  const ConvexPolygon before = p;
  const Quat q = gen.rotation();
  rotate_quat(p, q);
  EXPECT_EQ(p.vertices_2d, before.vertices_2d);
  EXPECT_EQ(p.edge_normals_2d, before.edge_normals_2d);
  EXPECT_EQ(p.edge_offsets_2d, before.edge_offsets_2d);
  EXPECT_EQ(bits(p.bounding_radius), bits(before.bounding_radius));
  expect_vec(p.center, curvel::rotate(q, before.center));
  // The rotated world vertices still sit on the moved frame.
  for (std::size_t i = 0; i < p.vertices_3d.size(); ++i) {
    const Vec3 rebuilt = p.center + p.u_axis * p.vertices_2d[i].x + p.v_axis * p.vertices_2d[i].y;
    EXPECT_TRUE(approx::abs_diff_eq(rebuilt, p.vertices_3d[i], 1e-5f));
  }
}

TEST(Moves, PlaneOffsetFollowsTranslationOnly) {
  Plane p{{0, 0, 1}, 2};
  translate(p, Vec3{0, 0, 3});
  EXPECT_EQ(p.d, 5.0f);
  rotate_quat(p, {0.0f, 0.70710677f, 0.0f, 0.70710677f});
  EXPECT_EQ(p.d, 5.0f);
  Plane t{{0, 0, 1}, 2};
  transform(t, Affine3{Mat3{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}, Vec3{4, 0, 1}});
  expect_vec(t.normal, {-1, 0, 0});
  EXPECT_EQ(t.d, 2.0f - 4.0f);
}

TEST(Moves, TransformWithAScalingMatrixDoesNotRenormalise) {
  ConvexPolytope p = oracle::Shapes::polytope_from_box(Cuboid::create({}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  const auto half = p.obb.half_extents;
  transform(p, Affine3{Mat3{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}, Vec3{}});
  EXPECT_EQ(length(p.planes[0].normal), 2.0f);
  EXPECT_EQ(length(p.obb.axes[0]), 2.0f);
  EXPECT_EQ(p.obb.half_extents, half);
}

TEST(Moves, ScaledPolytopeKeepsItsBoxAroundTheVertices) {
  oracle::Shapes gen(52);
  for (int i = 0; i < 100; ++i) {
    ConvexPolytope p = gen.tetrahedron();
    const float f = gen.uniform(0.2f, 3.0f);
    scale(p, f);
    for (const Vec3 v : p.vertices) EXPECT_LE(p.obb.point_dist_sq(v), 1e-8f) << i;
    // And the full tests that reject on the box still see the polytope.
    const Sphere b = broadphase(p);
    for (const Vec3 v : p.vertices) EXPECT_LE(length(v - b.center), b.radius * 1.0001f);
  }
}

TEST(Moves, ScaleRulesPerKind) {
  Capsule c = Capsule::create({1, 1, 1}, {1, 1, 3}, 0.5f);
  scale(c, 2.0f);
  expect_vec(c.p1, {1, 1, 1});
  expect_vec(c.dir, {0, 0, 4});
  EXPECT_EQ(c.radius, 1.0f);
  EXPECT_EQ(c.rdv, 1.0f / 16.0f);
  curvel::LineSegment s{{1, 0, 0}, {3, 0, 0}};
  scale(s, 0.5f);
  expect_vec(s.end, {2, 0, 0});
  Point pt{{1, 2, 3}};
  scale(pt, 7.0f);
  expect_vec(pt.position, {1, 2, 3});
}

TEST(Bounds, AxisAlignedBoxesPerKind) {
  oracle::Shapes gen(53);
  for (int i = 0; i < 200; ++i) {
    const Cuboid b = gen.box();
    const Cuboid box = aabb(b);
    EXPECT_TRUE(box.axis_aligned);
    // Each corner of the box lies inside its aabb.
    for (int c = 0; c < 8; ++c) {
      Vec3 p = b.center;
      for (int k = 0; k < 3; ++k) p += b.axes[k] * (((c >> k) & 1) ? b.half_extents[k] : -b.half_extents[k]);
      EXPECT_LE(box.point_dist_sq(p), 1e-10f);
    }
  }
  const Cuboid aligned = Cuboid::create({1, 2, 3}, cuboid::IDENTITY_AXES, {1, 2, 3});
  EXPECT_EQ(aabb(aligned), aligned);
  const Cuboid seg = aabb(curvel::LineSegment{{1, 5, 0}, {3, -1, 2}});
  expect_vec(seg.center, {2, 2, 1});
  EXPECT_EQ(seg.half_extents, (std::array<float, 3>{1, 3, 1}));
  const Cuboid cap = aabb(Capsule::create({0, 0, 0}, {2, 0, 0}, 1.0f));
  expect_vec(cap.center, {1, 0, 0});
  EXPECT_EQ(cap.half_extents, (std::array<float, 3>{2, 1, 1}));
  const Cuboid none = aabb(ConvexPolygon::create({4, 5, 6}, {0, 0, 1}, {}));
  expect_vec(none.center, {4, 5, 6});
  EXPECT_EQ(none.half_extents, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(broadphase(curvel::LineSegment{{2, 2, 2}, {2, 2, 2}}), (Sphere{{2, 2, 2}, 0.0f}));
}

TEST(PolygonConstruction, OrientationFrameAndEdges) {
  const ConvexPolygon cw = ConvexPolygon::create({}, {0, 0, 1}, {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}});
  EXPECT_EQ(cw.vertices_2d, (std::vector<Vec2>{{-1, 1}, {-1, -1}, {1, -1}, {1, 1}}));
  const std::vector<Vec2> ccw_in = {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
  const ConvexPolygon ccw = ConvexPolygon::create({}, {0, 0, 1}, ccw_in);
  EXPECT_EQ(ccw.vertices_2d, ccw_in);
  EXPECT_EQ(ccw.edge_normals_2d, (std::vector<Vec2>{{1, 0}, {0, 1}, {-1, 0}, {0, -1}}));
  EXPECT_TRUE(std::signbit(ccw.edge_normals_2d[0].y));
  EXPECT_EQ(ccw.edge_offsets_2d, (std::vector<float>{1, 1, 1, 1}));
  EXPECT_EQ(ccw.bounding_radius, std::sqrt(2.0f));
  expect_vec(ccw.u_axis, {-1, 0, 0});
  expect_vec(ccw.v_axis, {0, 1, 0});

  const ConvexPolygon up = ConvexPolygon::create({}, {0, 1, 0}, {});
  expect_vec(up.u_axis, {0, 0, -1});
  expect_vec(up.v_axis, {1, 0, 0});
  const ConvexPolygon edge = ConvexPolygon::create({}, {0, 0.9f, 0.43588989f}, {});
  // |normal.y| = 0.9 takes the reference (1, 0, 0): u is normal × x.
  expect_vec(edge.u_axis, curvel::normalize(cross(Vec3{0, 0.9f, 0.43588989f}, Vec3{1, 0, 0})));

  const ConvexPolygon empty = ConvexPolygon::create({}, {0, 0, 1}, {});
  EXPECT_TRUE(empty.vertices_3d.empty() && empty.edge_normals_2d.empty());
  EXPECT_EQ(empty.bounding_radius, 0.0f);
  const ConvexPolygon single = ConvexPolygon::create({}, {0, 0, 1}, {{1, 1}});
  ASSERT_EQ(single.edge_normals_2d.size(), 1u);
  EXPECT_FALSE(std::isfinite(single.edge_normals_2d[0].x));

  // A non-unit normal is kept; v_axis takes its length.
  const ConvexPolygon long_normal = ConvexPolygon::create({}, {0, 0, 2}, {{0, 1}});
  expect_vec(long_normal.normal, {0, 0, 2});
  EXPECT_EQ(length(long_normal.u_axis), 1.0f);
  EXPECT_EQ(length(long_normal.v_axis), 2.0f);
}

TEST(PolytopeConstruction, PrincipalAxesBox) {
  std::vector<Vec3> corners;
  for (int c = 0; c < 8; ++c)
    corners.push_back({1.0f + ((c & 1) ? 3.0f : -3.0f), 2.0f + ((c & 2) ? 2.0f : -2.0f), 3.0f + ((c & 4) ? 1.0f : -1.0f)});
  const ConvexPolytope box = ConvexPolytope::create({}, corners);
  expect_vec(box.obb.center, {1, 2, 3});
  EXPECT_EQ(box.obb.axes, cuboid::IDENTITY_AXES);
  EXPECT_EQ(box.obb.half_extents, (std::array<float, 3>{3, 2, 1}));
  EXPECT_TRUE(box.obb.axis_aligned);

  const ConvexPolytope one = ConvexPolytope::create({}, {{4, 5, 6}});
  expect_vec(one.obb.center, {4, 5, 6});
  EXPECT_EQ(one.obb.half_extents, (std::array<float, 3>{0, 0, 0}));
  const ConvexPolytope none = ConvexPolytope::create({}, {});
  EXPECT_EQ(none.obb, Cuboid{});

  // A rotated box: the Jacobi rotations find its own axes, so the box is
  // tight, and it always bounds the vertices.
  oracle::Shapes gen(54);
  for (int i = 0; i < 200; ++i) {
    const Cuboid b = gen.box();
    const ConvexPolytope p = oracle::Shapes::polytope_from_box(b);
    for (const Vec3 v : p.vertices) EXPECT_LE(p.obb.point_dist_sq(v), 1e-9f);
    const float volume = p.obb.half_extents[0] * p.obb.half_extents[1] * p.obb.half_extents[2];
    EXPECT_NEAR(volume, b.half_extents[0] * b.half_extents[1] * b.half_extents[2], 1e-3f) << i;
    for (const Vec3& axis : p.obb.axes) EXPECT_NEAR(length(axis), 1.0f, 1e-6f);
  }
}

TEST(Approx, ComparesStoredComponents) {
  const Capsule a = Capsule::create({0, 0, 0}, {0, 0, 1}, 1.0f);
  Capsule b = a;
  b.rdv = 99.0f;  // derived fields are not compared
  EXPECT_TRUE(approx::abs_diff_eq(a, b, 0.0f));
  b.dir.z += 0.01f;
  EXPECT_FALSE(approx::abs_diff_eq(a, b, 0.001f));
  EXPECT_TRUE(approx::abs_diff_eq(a, b, 0.1f));
  EXPECT_FALSE(approx::abs_diff_eq(Sphere{{NAN, 0, 0}, 1}, Sphere{{NAN, 0, 0}, 1}, 1.0f));
  EXPECT_FALSE(approx::abs_diff_eq(ConvexPolygon::create({}, {0, 0, 1}, {{0, 0}}),
                                   ConvexPolygon::create({}, {0, 0, 1}, {}), 1.0f));
}
