#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "collider_fixtures.hpp"
#include "convex_polytope/face_lanes.hpp"

namespace {

using namespace collider_fixtures;

constexpr double kMargin = 1e-3;

// Face planes only: conservative. Every overlap is reported; the obb-first
// direction is the stricter one.
TEST(ColliderPairTests, SpherePolytopeDirections) {
  Scene s(9);
  for (int i = 0; i < 3000; ++i) {
    const Sphere a = s.sphere();
    const ConvexPolytope p = s.polytope();
    const bool faces = pt::sphere_polytope(a, p.planes);
    const bool boxed = pt::polytope_sphere(p.view(), a);
    if (boxed) {
      ASSERT_TRUE(faces) << i;
    }
    if (oracle::overlaps(oracle::sphere_support(a, kMargin), oracle::polytope_support(p, kMargin))) {
      ASSERT_TRUE(boxed) << i;
    }
  }
  // Near a cube's corner: no face separates, the box distance does.
  const ConvexPolytope cube =
      oracle::Shapes::polytope_from_box(Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  const Sphere corner{{1.8f, 1.8f, 1.8f}, 1.0f};  // a = 0.8: r/√3 < a <= r
  EXPECT_TRUE(pt::sphere_polytope(corner, cube.planes));
  EXPECT_FALSE(pt::polytope_sphere(cube.view(), corner));
}

TEST(ColliderPairTests, TouchingCountsEverywhere) {
  const Capsule k = Capsule::create({0, 0, 0}, {2, 0, 0}, 1);
  EXPECT_TRUE(pt::sphere_capsule({{1, 2, 0}, 1}, k));
  EXPECT_TRUE(collides(Sphere{{3, 0, 0}, 1}, Cuboid::create({}, cuboid::IDENTITY_AXES, {2, 2, 2})));
  const Cylinder c = Cylinder::create({0, 0, 0}, {0, 0, 2}, 1);
  EXPECT_TRUE(pt::sphere_cylinder({{0, 0, 3}, 1}, c));   // on the axis, beyond the cap
  EXPECT_TRUE(pt::sphere_cylinder({{2, 0, 1}, 1}, c));   // beside the wall
  EXPECT_TRUE(pt::sphere_plane({{0, 0, 3}, 1}, Plane{{0, 0, 1}, 2}));
  EXPECT_TRUE(pt::plane_sphere(Plane{{0, 0, 1}, 2}, {{0, 0, 3}, 1}));
  EXPECT_TRUE(pt::capsule_point(k, {1, 1, 0}));
  EXPECT_TRUE(collides_member(c, Point{{1, 0, 2}}));
  EXPECT_TRUE(collides_member(c, Point{{0.5f, 0, 0}}));  // on the cap at p1
  EXPECT_FALSE(collides_member(c, Point{{0, 0, 2.001f}}));
  EXPECT_TRUE(pt::plane_point(Plane{{0, 0, 1}, 2}, {5, 5, 2}));
  // A zero-length capsule and segment are their start point.
  const Capsule dot = Capsule::create({1, 1, 1}, {1, 1, 1}, 0.5f);
  EXPECT_TRUE(pt::sphere_capsule({{1, 1, 2}, 0.5f}, dot));
  EXPECT_FALSE(pt::sphere_capsule({{1, 1, 2.01f}, 0.5f}, dot));
  EXPECT_TRUE(collides(Sphere{{0, 0, 1}, 1}, curvel::LineSegment{{0, 0, 0}, {0, 0, 0}}));
}

TEST(ColliderPairTests, PlanesAgainstShapes) {
  const Plane floor{{0, 0, 1}, 0};  // solid below z = 0
  const Cuboid box = Cuboid::create({0, 0, 1}, cuboid::IDENTITY_AXES, {1, 1, 1});
  EXPECT_TRUE(pt::cuboid_plane(box, floor));
  EXPECT_FALSE(pt::cuboid_plane(Cuboid::create({0, 0, 1.01f}, cuboid::IDENTITY_AXES, {1, 1, 1}), floor));
  // A tilted cylinder reaches down by its rim: axis from (0,0,1) along
  // (1,0,1), radius 1 reaches z = 1 − sin 45° ≈ 0.2929.
  const Cylinder tilted = Cylinder::create({0, 0, 1}, {1, 0, 2}, 1);
  EXPECT_TRUE(pt::cylinder_plane(tilted, Plane{{0, 0, 1}, 0.293f}));
  EXPECT_FALSE(pt::cylinder_plane(tilted, Plane{{0, 0, 1}, 0.292f}));
  EXPECT_TRUE(pt::capsule_plane(Capsule::create({0, 0, 2}, {0, 0, 1}, 1), floor));
  EXPECT_TRUE(pt::plane_capsule(floor, Capsule::create({0, 0, 2}, {0, 0, 1}, 1)));
  // A polytope without vertices is never hit by a plane.
  EXPECT_FALSE(pt::polytope_plane(ConvexPolytope::create({}, {}).view(), Plane{{0, 0, 1}, 1e9f}));
}

TEST(ColliderPairTests, PlanePieceRules) {
  const Plane floor{{0, 0, 1}, 0};
  const auto piece_of = [](const auto& l) { return util::line_piece(l); };
  for (auto plane_piece : {pt::plane_piece, pt::plane_piece_query}) {
    // Parallel: the origin decides.
    EXPECT_TRUE(plane_piece(floor, piece_of(curvel::Line{{0, 0, 0}, {1, 0, 0}})));
    EXPECT_FALSE(plane_piece(floor, piece_of(curvel::Line{{0, 0, 1}, {1, 0, 0}})));
    EXPECT_TRUE(plane_piece(floor, piece_of(curvel::Line{{0, 0, 9}, {1, 0, 1}})));
    // Rays: away from the solid only from inside; toward it always.
    EXPECT_FALSE(plane_piece(floor, piece_of(curvel::Ray{{0, 0, 1}, {0, 0, 1}})));
    EXPECT_TRUE(plane_piece(floor, piece_of(curvel::Ray{{0, 0, -1}, {0, 0, 1}})));
    EXPECT_TRUE(plane_piece(floor, piece_of(curvel::Ray{{0, 0, 100}, {0, 0, -1}})));
    // Segments: the crossing at or before the end.
    EXPECT_TRUE(plane_piece(floor, piece_of(curvel::LineSegment{{0, 0, 1}, {0, 0, 0}})));
    EXPECT_FALSE(plane_piece(floor, piece_of(curvel::LineSegment{{0, 0, 1}, {0, 0, 0.01f}})));
    EXPECT_TRUE(plane_piece(floor, piece_of(curvel::LineSegment{{0, 0, -1}, {0, 0, 3}})));
  }
  // n·dir overflows to +inf: the crossing g/k is −0 for g = −1 and NaN for
  // g = +inf; the collider's form asks g >= 0 instead.
  const Plane steep{{0, 0, 1e30f}, 0};
  const auto up_from = [&](float z) { return piece_of(curvel::Ray{{0, 0, z}, {0, 0, 1e10f}}); };
  EXPECT_TRUE(pt::plane_piece(steep, up_from(1e-30f)) && !pt::plane_piece_query(steep, up_from(1e-30f)));
  EXPECT_TRUE(!pt::plane_piece(steep, up_from(-1e9f)) && pt::plane_piece_query(steep, up_from(-1e9f)));
}

TEST(ColliderPairTests, PlanePlane) {
  for (auto plane_plane : {pt::plane_plane, pt::plane_plane_query}) {
    EXPECT_TRUE(plane_plane({{0, 0, 1}, 0}, {{1, 0, 0}, -5}));
    EXPECT_TRUE(plane_plane({{0, 0, 1}, 1}, {{0, 0, -1}, -1}));   // touching
    EXPECT_FALSE(plane_plane({{0, 0, 1}, 1}, {{0, 0, -1}, -1.01f}));
  }
}

TEST(ColliderPairTests, PolytopePolytopeFaceNormals) {
  Scene s(10);
  for (int i = 0; i < 2000; ++i) {
    const ConvexPolytope a = s.polytope();
    const ConvexPolytope b = s.polytope();
    if (oracle::overlaps(oracle::polytope_support(a, kMargin), oracle::polytope_support(b, kMargin))) {
      ASSERT_TRUE(collides_member(a, b)) << i;
    }
  }
  // A polytope without vertices never hits one with face planes.
  const ConvexPolytope box = oracle::Shapes::polytope_from_box(Cuboid::create({}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  EXPECT_FALSE(collides_member(box, ConvexPolytope::create({}, {})));
}

}  // namespace

namespace {

TEST(ColliderPairTests, NaNPointIsInsideNoPolytope) {
  const std::vector<Plane> cube = {{{1, 0, 0}, 1}, {{-1, 0, 0}, 1}, {{0, 1, 0}, 1},
                                   {{0, -1, 0}, 1}, {{0, 0, 1}, 1}, {{0, 0, -1}, 1}};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(pt::polytope_point(cube, Vec3{0, 0, 1}));
  EXPECT_FALSE(pt::polytope_point(cube, Vec3{nan, 0, 0}));
  EXPECT_FALSE(pt::polytope_point(cube, Vec3{1.5f, 0, 0}));
}

}  // namespace

namespace {

// The plain loops that the lane scans answer for, one plane or point at a time.
float plain_lowest(std::span<const Vec3> points, Vec3 n) {
  float lowest = INF;
  for (const Vec3& v : points) lowest = min(lowest, dot(n, v));
  return lowest;
}
bool plain_separates(std::span<const Plane> planes, std::span<const Vec3> points) {
  for (const Plane& plane : planes)
    if (plain_lowest(points, plane.normal) > plane.d) return true;
  return false;
}

// Offsets taken as n·v of a point of the other side (so products sit on the
// plane, to the last bit, only if rounded as dot(n, v) rounds them), small
// halves that often tie, other values of any rounding; ±0, ±inf and NaN turn
// up in normals, offsets, points and radii. Counts run 0 .. 20, across the
// group of eight and the remainder.
TEST(ColliderPairTests, FaceLaneScansAnswerAsThePlainLoops) {
  std::mt19937 rng(2024);
  const float odd[] = {0.0f, -0.0f, INF, -INF, std::numeric_limits<float>::quiet_NaN()};
  const auto value = [&] {
    const unsigned kind = rng() % 12;
    if (kind == 0) return odd[rng() % 5];
    if (kind < 5) return std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
    return static_cast<float>(static_cast<int>(rng() % 13) - 6) * 0.5f;
  };
  const auto vec = [&] { return Vec3{value(), value(), value()}; };
  const auto points = [&](std::size_t n) {
    std::vector<Vec3> out(n);
    for (Vec3& v : out) v = vec();
    return out;
  };
  const auto planes = [&](std::size_t n, const std::vector<Vec3>& facing) {
    std::vector<Plane> out(n);
    for (Plane& p : out) {
      p.normal = vec();
      p.d = facing.empty() || rng() % 2 ? value() : dot(p.normal, facing[rng() % facing.size()]);
    }
    return out;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::vector<Vec3> va = points(rng() % 21), vb = points(rng() % 21);
    const std::vector<Plane> fa = planes(rng() % 21, vb), fb = planes(rng() % 21, va);
    const convex_polytope::refer::RefConvexPolytope a{fa, va, {}}, b{fb, vb, {}};
    ASSERT_EQ(a.collides_polytope_query(b), !plain_separates(fa, vb) && (fb.empty() || !plain_separates(fb, va))) << i;
    ASSERT_EQ(convex_polytope::face_lanes::some_face_separates(fb, va), plain_separates(fb, va)) << i;
    const Plane h = fb.empty() ? Plane{vec(), value()} : fb.front();
    ASSERT_EQ(convex_polytope::face_lanes::lowest_within(va, h), plain_lowest(va, h.normal) <= h.d) << i;
    const Sphere s{vec(), value()};
    bool inside = true, within = true;
    for (const Plane& f : fa) {
      inside = inside && dot(f.normal, s.center) <= f.d;
      within = within && !(dot(f.normal, s.center) - f.d > s.radius);
    }
    ASSERT_EQ(pt::polytope_point(fa, s.center), inside) << i;
    ASSERT_EQ(pt::sphere_polytope(s, fa), within) << i;
  }
}

}  // namespace
