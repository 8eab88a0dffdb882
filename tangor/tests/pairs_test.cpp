// The pair catalogue against a double-precision oracle: every cell of the
// dispatch matrix in both orders and in both forms, then the sampled tests
// that must never miss an overlap.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "collider_fixtures.hpp"
#include "tangor/pairs.hpp"

namespace {

using namespace collider_fixtures;
using oracle::Support;
using oracle::Truth;

static_assert(has_pair_test_v<Pointcloud, Sphere> && has_pair_test_v<curvel::Ray, Pointcloud> &&
              has_pair_test_v<curvel::Line, curvel::Ray>);
static_assert(!has_pair_test_v<Pointcloud, Pointcloud> && !has_pair_test_v<Point, Sphere>);

constexpr double kMargin = 1e-3;

using Kinds = std::tuple<Sphere, Capsule, Cuboid, Cylinder, ConvexPolytope, ConvexPolygon, curvel::Line, curvel::Ray,
                         curvel::LineSegment, Plane, Pointcloud>;
constexpr const char* kKindNames[] = {"Sphere", "Capsule", "Cuboid", "Cylinder", "ConvexPolytope", "ConvexPolygon",
                                      "Line",   "Ray",     "LineSegment", "Plane", "Pointcloud"};

// What the oracle sees of a shape: a union of convex parts (one for the
// convex kinds, a ball per point for a cloud), each with its erosion by the
// margin, or a half-space.
struct Solid {
  std::vector<Support> parts;
  std::vector<Support> eroded;
  std::optional<Plane> half_space;
  // A line piece, whose infinite ends its support cuts off: a half-space
  // judges it by its range.
  std::optional<util::LinePiece> piece;
};

Solid convex(Support whole, Support eroded) { return {{std::move(whole)}, {std::move(eroded)}, {}, {}}; }

Solid solid_of(const Sphere& s) { return convex(oracle::sphere_support(s), oracle::sphere_support(s, kMargin)); }
Solid solid_of(const Capsule& c) { return convex(oracle::capsule_support(c), oracle::capsule_support(c, kMargin)); }
Solid solid_of(const Cuboid& b) { return convex(oracle::box_support(b), oracle::box_support(b, kMargin)); }
Solid solid_of(const Cylinder& c) { return convex(oracle::cylinder_support(c), oracle::cylinder_support(c, kMargin)); }
Solid solid_of(const ConvexPolytope& p) {
  return convex(oracle::polytope_support(p), oracle::polytope_support(p, kMargin));
}
Solid solid_of(const ConvexPolygon& p) { return convex(oracle::polygon_support(p), oracle::polygon_support(p, kMargin)); }
Solid solid_of(const util::LinePiece& l) {
  const Support piece = oracle::piece_support(l.origin, l.dir, l.t_min, l.t_max);
  Solid out = convex(piece, piece);
  out.piece = l;
  return out;
}
Solid solid_of(const curvel::Line& l) { return solid_of(util::line_piece(l)); }
Solid solid_of(const curvel::Ray& r) { return solid_of(util::line_piece(r)); }
Solid solid_of(const curvel::LineSegment& s) { return solid_of(util::line_piece(s)); }
Solid solid_of(const Plane& p) { return {{}, {}, p, {}}; }
Solid solid_of(const Pointcloud& cloud) {
  Solid out;
  const Affine3 forward = cloud.inverse_transform ? curvel::inverse(*cloud.inverse_transform) : Affine3{};
  for (std::size_t i = 0; i < cloud.spheres.len; ++i) {
    const Sphere ball{curvel::transform_point(forward, cloud.spheres.sphere(i).center), cloud.point_radius};
    out.parts.push_back(oracle::sphere_support(ball));
    out.eroded.push_back(oracle::sphere_support(ball, kMargin));
  }
  return out;
}

// A cylinder counted as the capsule about its axis, for the tests that
// measure from the axis.
template <class T>
Solid hull_of(const T& shape) {
  if constexpr (std::is_same_v<T, Cylinder>) {
    return solid_of(Capsule::create(shape.p1, shape.p1 + shape.dir, shape.radius));
  } else {
    return solid_of(shape);
  }
}

// How far a convex part stays out of the half-space n·x <= d, normalised:
// its least n·x minus d (negative when it reaches in).
double depth_beyond(const Support& part, const Plane& h) {
  const oracle::D3 n = oracle::to_d(h.normal);
  const double len = oracle::norm(n);
  const oracle::D3 unit = n * (1.0 / len);
  return oracle::dot(unit, part(-unit)) - double(h.d) / len;
}

double depth_beyond(const util::LinePiece& l, const Plane& h) {
  const oracle::D3 n = oracle::to_d(h.normal);
  const double len = oracle::norm(n);
  const double rate = oracle::dot(n, oracle::to_d(l.dir)) / len;
  const double start = oracle::dot(n, oracle::to_d(l.origin)) / len - double(h.d) / len;
  if (rate == 0) return start;
  const double t = rate > 0 ? l.t_min : l.t_max;
  return std::isinf(t) ? -INFINITY : start + rate * t;
}

Truth judge(const Solid& a, const Solid& b) {
  if (a.half_space && b.half_space) return Truth::Graze;
  if (a.half_space || b.half_space) {
    const Plane& h = a.half_space ? *a.half_space : *b.half_space;
    const Solid& s = a.half_space ? b : a;
    if (s.piece) {
      const double depth = depth_beyond(*s.piece, h);
      return depth > kMargin ? Truth::Apart : depth <= -kMargin ? Truth::Overlap : Truth::Graze;
    }
    bool apart = true;
    for (const Support& part : s.parts) apart = apart && depth_beyond(part, h) > kMargin;
    if (apart) return Truth::Apart;
    for (const Support& part : s.eroded)
      if (depth_beyond(part, h) <= -kMargin) return Truth::Overlap;
    return Truth::Graze;
  }
  bool apart = true;
  for (const Support& pa : a.parts)
    for (const Support& pb : b.parts) apart = apart && oracle::distance(pa, pb) > kMargin;
  if (apart) return Truth::Apart;
  for (const Support& ea : a.eroded)
    for (const Support& eb : b.eroded)
      if (oracle::overlaps(ea, eb)) return Truth::Overlap;
  return Truth::Graze;
}

// A point of the shape's extent, toward which another shape is moved.
template <class T>
Vec3 anchor(const T& shape) {
  if constexpr (std::is_same_v<T, curvel::Line> || std::is_same_v<T, curvel::Ray>) return shape.origin;
  else if constexpr (std::is_same_v<T, Plane>) return shape.normal * shape.d;
  else return broadphase(shape).center;
}

// Random shapes of every kind in a cube of side about 4.
struct Kinds3D : Scene {
  using Scene::Scene;

  template <class T>
  T make() {
    if constexpr (std::is_same_v<T, Sphere>) return sphere();
    else if constexpr (std::is_same_v<T, Capsule>) return capsule(rng() % 4 == 0);
    else if constexpr (std::is_same_v<T, Cuboid>) return box(rng() % 3 == 0);
    else if constexpr (std::is_same_v<T, Cylinder>) return cylinder();
    else if constexpr (std::is_same_v<T, ConvexPolytope>) return polytope();
    else if constexpr (std::is_same_v<T, ConvexPolygon>) return polygon();
    else if constexpr (std::is_same_v<T, curvel::Line>) return line();
    else if constexpr (std::is_same_v<T, curvel::Ray>) return ray();
    else if constexpr (std::is_same_v<T, curvel::LineSegment>) return segment();
    else if constexpr (std::is_same_v<T, Plane>) {
      const Vec3 n = curvel::normalize(point(1.0f) + Vec3{0.0f, 0.0f, 0.01f});
      return Plane{n, uniform(-2.0f, 2.0f)};
    } else {
      return cloud(12, 0.8f, 0.05f, 0.5f);
    }
  }

  // A pair with the first shape moved toward the second, so that pairs meet
  // often.
  template <class A, class B>
  std::pair<A, B> meeting_pair() {
    A a = make<A>();
    B b = make<B>();
    translate(a, (anchor(b) - anchor(a)) * uniform(0.3f, 1.0f));
    return {std::move(a), std::move(b)};
  }
};

// What a cell promises against the oracle.
enum class Rule {
  Exact,         // clearly overlapping pairs collide, clearly apart ones do not
  Conservative,  // face planes only: clearly overlapping pairs collide
  AxisHull,      // as Exact, with a cylinder taken as the capsule about its axis for "apart"
  Never,         // two line kinds
  Unchecked,     // two half-spaces: the oracle has no say
};

template <class A, class B>
constexpr Rule rule_of() {
  if constexpr (line_kind<A> && line_kind<B>) return Rule::Never;
  else if constexpr (std::is_same_v<A, Plane> && std::is_same_v<B, Plane>) return Rule::Unchecked;
  else if constexpr (std::is_same_v<A, ConvexPolytope> || std::is_same_v<B, ConvexPolytope>) {
    using Other = std::conditional_t<std::is_same_v<A, ConvexPolytope>, B, A>;
    return line_kind<Other> || std::is_same_v<Other, Plane> ? Rule::Exact : Rule::Conservative;
  } else if constexpr (std::is_same_v<A, Cylinder> || std::is_same_v<B, Cylinder>) {
    using Other = std::conditional_t<std::is_same_v<A, Cylinder>, B, A>;
    return is_one_of_v<Other, Cuboid, ConvexPolygon, Cylinder> ? Rule::AxisHull : Rule::Exact;
  } else {
    return Rule::Exact;
  }
}

constexpr int kRounds = 300;

// Both orders of collides give one answer; on finite shapes the member form
// (either order) never answers false where the full form answers true (the
// plane rules part only for NaN data and underflowing crossings, which these
// poses never reach); against the oracle each form keeps its cell's promise.
template <class A, class B>
void check_cell(unsigned seed) {
  constexpr Rule rule = rule_of<A, B>();
  Kinds3D scene(seed);
  int overlaps = 0;
  int aparts = 0;
  for (int round = 0; round < kRounds; ++round) {
    const auto [a, b] = scene.template meeting_pair<A, B>();
    const bool full = collides(a, b);
    const bool member_ab = collides_member(a, b);
    const bool member_ba = collides_member(b, a);
    ASSERT_EQ(full, collides(b, a)) << "round " << round;
    if (rule == Rule::Never) {
      ASSERT_FALSE(full || member_ab || member_ba) << "round " << round;
      continue;
    }
    if (full) {
      ASSERT_TRUE(member_ab && member_ba) << "round " << round;
    }
    if (rule == Rule::Unchecked) continue;
    const Truth truth = judge(solid_of(a), solid_of(b));
    const Truth hull_truth = rule == Rule::AxisHull ? judge(hull_of(a), hull_of(b)) : truth;
    if (truth == Truth::Overlap) {
      ++overlaps;
      ASSERT_TRUE(full) << "round " << round << ": an overlap is missed";
    }
    if (hull_truth == Truth::Apart && rule != Rule::Conservative) {
      ++aparts;
      ASSERT_FALSE(full || member_ab || member_ba) << "round " << round << ": shapes apart collide";
    }
  }
  if (rule == Rule::Never || rule == Rule::Unchecked) return;
  EXPECT_GT(overlaps, kRounds / 50);
  // A line and a plane are apart only when parallel.
  if (rule != Rule::Conservative && !(std::is_same_v<A, curvel::Line> && std::is_same_v<B, Plane>)) {
    EXPECT_GT(aparts, kRounds / 50);
  }
}

template <std::size_t I, std::size_t J>
void check_if_upper() {
  if constexpr (I <= J) {
    using A = std::tuple_element_t<I, Kinds>;
    using B = std::tuple_element_t<J, Kinds>;
    if constexpr (has_pair_test_v<A, B>) {
      SCOPED_TRACE(std::string(kKindNames[I]) + " / " + kKindNames[J]);
      check_cell<A, B>(unsigned(100 + I * 11 + J));
    }
  }
}

template <std::size_t I, std::size_t... J>
void check_row(std::index_sequence<J...>) {
  (check_if_upper<I, J>(), ...);
}

template <std::size_t... I>
void check_matrix(std::index_sequence<I...>) {
  (check_row<I>(std::make_index_sequence<sizeof...(I)>{}), ...);
}

TEST(PairCatalogue, EveryCellKeepsItsPromiseInBothOrdersAndForms) {
  check_matrix(std::make_index_sequence<std::tuple_size_v<Kinds>>{});
}

TEST(PairCatalogue, BoundaryCases) {
  // Unit spheres just touching collide; one ulp further apart they do not.
  EXPECT_TRUE(collides(Sphere{{0, 0, 0}, 1}, Sphere{{2, 0, 0}, 1}));
  EXPECT_FALSE(collides(Sphere{{0, 0, 0}, 1}, Sphere{{std::nextafter(2.0f, 3.0f), 0, 0}, 1}));
  EXPECT_FALSE(collides(Sphere{{std::numeric_limits<float>::quiet_NaN(), 0, 0}, 1}, Sphere{{0, 0, 0}, 1}));
  // Line kinds never meet one another, even crossing or identical.
  const curvel::Line line{{0, 0, 0}, {1, 0, 0}};
  EXPECT_FALSE(collides(line, curvel::Ray{{0, -1, 0}, {0, 1, 0}}));
  EXPECT_FALSE(collides(curvel::LineSegment{{0, -1, 0}, {0, 1, 0}}, line));
  EXPECT_FALSE(collides(line, line));
  // A ray beyond a sphere pointing away misses; the line through it hits.
  const Sphere ball{{0, 0, 0}, 1};
  EXPECT_FALSE(collides(curvel::Ray{{3, 0, 0}, {1, 0, 0}}, ball));
  EXPECT_TRUE(collides(curvel::Line{{3, 0, 0}, {1, 0, 0}}, ball));
  // A segment ending just short of a box face, and just past it.
  const Cuboid box = Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1});
  EXPECT_FALSE(collides(curvel::LineSegment{{3, 0, 0}, {std::nextafter(1.0f, 2.0f), 0, 0}}, box));
  EXPECT_TRUE(collides(box, curvel::LineSegment{{3, 0, 0}, {1, 0, 0}}));
  // Two planes meet unless opposite with their solids apart.
  EXPECT_TRUE(collides(Plane{{0, 0, 1}, 0}, Plane{{1, 0, 0}, -5}));
  EXPECT_FALSE(collides(Plane{{0, 0, 1}, 1}, Plane{{0, 0, -1}, -1.01f}));
  // Only the full form takes a NaN normal for a contact.
  const Plane odd{{std::numeric_limits<float>::quiet_NaN(), 0, 1}, -1};
  const Plane down{{0, 0, -1}, -1};
  EXPECT_TRUE(collides(odd, down) && collides(down, odd) && !collides_member(odd, down));
  // A ray leaving the solid from its origin inside, n·dir overflowing to
  // +inf: every form and order meets.
  const Plane steep{{0, 0, 1e30f}, 0};
  const curvel::Ray ray{{0, 0, -1}, {0, 0, 1e10f}};
  EXPECT_TRUE(collides(steep, ray) && collides(ray, steep));
  EXPECT_TRUE(collides_member(steep, ray) && collides_member(ray, steep));
}

// A sphere whose centre is NaN is not separated by any comparison of the
// polytope test (box distance, then faces), so it is reported: the safe
// direction for a collision answer.
TEST(PairCatalogue, SphereWithANaNCentreCollidesWithAPolytope) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const ConvexPolytope cube = Scene::polytope_from_box(Cuboid::create({}, cuboid::IDENTITY_AXES, {1, 1, 1}));
  EXPECT_TRUE(collides(Sphere{{nan, 0, 0}, 1}, cube));
  EXPECT_TRUE(collides(cube, Sphere{{nan, nan, nan}, 1}));
}

// ---- The sampled tests, mended: no overlap missed, every sampled hit kept.

// The samples alone, behind the full form's bounding-sphere reject. The
// capsule-box test samples only when the capsule is not z_aligned or the box
// not axis_aligned; its aligned case was always exact.
bool sampled(const Capsule& k, const Cuboid& b) {
  if (k.z_aligned && b.axis_aligned) return collides(k, b);
  return !sphere::spheres_apart(k.broadphase(), broadphase(b)) &&
         cuboid::sampled_segment_box_hit(cuboid::to_box_frame(b, k.p1 - b.center), cuboid::to_box_frame(b, k.dir),
                                         b.half_extents, k.radius);
}
bool sampled(const Cylinder& c, const Cuboid& b) {
  return !sphere::spheres_apart(c.broadphase(), broadphase(b)) && cylinder::sampled_cylinder_cuboid_hit(c, b);
}
bool sampled(const Cylinder& c, const Capsule& k) {
  return !sphere::spheres_apart(c.broadphase(), k.broadphase()) && cylinder::sampled_cylinder_capsule_hit(c, k);
}

// Random poses of one pair, many of them grazing: every oracle overlap is
// reported in both orders and both forms, every hit is a contact (of the
// axis hull, for a cylinder against a box), and every sampled hit stands.
// The samples alone miss some overlaps, so the check has something to find.
template <class A, class B>
void check_mended(unsigned seed, int rounds) {
  Kinds3D scene(seed);
  int missed_by_samples = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto [a, b] = scene.template meeting_pair<A, B>();
    const bool full = collides(a, b);
    ASSERT_EQ(full, collides(b, a)) << round;
    ASSERT_EQ(full, collides_member(a, b)) << round;
    ASSERT_EQ(full, collides_member(b, a)) << round;
    const bool samples = sampled(a, b);
    if (samples) {
      ASSERT_TRUE(full) << round << ": a sampled hit was dropped";
    }
    if (sphere::spheres_apart(broadphase(a), broadphase(b))) continue;
    const Truth truth = judge(solid_of(a), solid_of(b));
    if (truth == Truth::Overlap) {
      ASSERT_TRUE(full) << round << ": an overlap is missed";
      missed_by_samples += !samples;
    }
    if (full) {
      ASSERT_NE(judge(hull_of(a), hull_of(b)), Truth::Apart) << round << ": a hit that is no contact";
    }
  }
  EXPECT_GT(missed_by_samples, 0);
}

TEST(MendedSampledTests, CapsuleCuboidMissesNoOverlap) { check_mended<Capsule, Cuboid>(7, 20000); }
TEST(MendedSampledTests, CylinderCuboidMissesNoOverlap) { check_mended<Cylinder, Cuboid>(8, 20000); }
TEST(MendedSampledTests, CylinderCapsuleMissesNoOverlap) { check_mended<Cylinder, Capsule>(9, 20000); }

// The capsule passes diagonally by a box edge, overlapping it by 0.141
// (29% of its radius) between the sampled parameters.
TEST(MendedSampledTests, DiagonalPassByABoxEdge) {
  const Cuboid box = Cuboid::create({0, 0, 0}, cuboid::IDENTITY_AXES, {1, 1, 1});
  const Capsule capsule = Capsule::create({3.5f, -1, 0}, {-1, 3.5f, 0}, 0.495f);
  ASSERT_FALSE(sampled(capsule, box));
  EXPECT_TRUE(collides(capsule, box));
  EXPECT_TRUE(collides_member(box, capsule));
  // The same capsule moved off by 0.15: apart.
  const Capsule clear = Capsule::create({3.5f + 0.15f, -1 + 0.15f, 0}, {-1 + 0.15f, 3.5f + 0.15f, 0}, 0.495f);
  EXPECT_FALSE(collides(clear, box));
  // A cylinder about the same axis overlaps the box too.
  EXPECT_TRUE(collides(Cylinder::create({3.5f, -1, 0}, {-1, 3.5f, 0}, 0.495f), box));
}

}  // namespace
