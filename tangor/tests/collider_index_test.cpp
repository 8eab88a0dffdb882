// The collider queries' acceleration structure never changes an answer: on
// seeded scenes of every kind mix (members well formed or not, moved,
// scaled, grown after the structure was built), every query kind answers as
// the specified path does, for more than 10^5 queries per kind placed to
// graze the members.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "collider/index_data.hpp"
#include "collider_fixtures.hpp"

namespace {

using namespace collider_fixtures;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kQueriesPerKind = 20000;
#else
constexpr int kQueriesPerKind = 100000;
#endif
constexpr int kScenes = 25;

// Members whose stored fields are not what their tests take them to be, or
// that a test reports without a point of contact (a zero-length cylinder
// against a polytope): every query must still visit them.
void add_malformed(Scene& s, Collider<>& c) {
  Capsule negative = s.capsule();
  translate(negative, s.point(2.0f));
  negative.radius = -negative.radius;
  c.add(negative);
  Cuboid sheared = s.box();
  translate(sheared, s.point(2.0f));
  sheared.axes[0] = sheared.axes[0] * 1.5f + sheared.axes[1] * 0.5f;
  c.add(sheared);
  Cylinder stale = s.cylinder();
  translate(stale, s.point(2.0f));
  stale.rdv *= 0.25f;
  c.add(stale);
  const Vec3 dot_at = s.point(2.0f);
  c.add(Cylinder::create(dot_at, dot_at, 0.3f));
  Capsule tilted = s.capsule();
  translate(tilted, s.point(2.0f));
  tilted.z_aligned = true;
  c.add(tilted);
  ConvexPolygon small = s.polygon();
  translate(small, s.point(2.0f));
  small.bounding_radius *= 0.5f;
  c.add(small);
  ConvexPolytope open = Scene::polytope_from_box(s.box());
  translate(open, s.point(2.0f));
  open.planes.pop_back();
  c.add(open);
  c.add(Sphere{s.point(2.0f), -0.5f});
}

// Up to 90 members of every kind over a cube of side about 30, so that a
// query meets a few of them.
Collider<> sparse_collider(Scene& s) {
  Collider<> c;
  const auto count = [&] { return int(s.rng() % 91); };
  const auto spread = [&](auto shape) {
    translate(shape, s.point(15.0f));
    return shape;
  };
  for (int i = count(); i > 0; --i) c.add(spread(s.sphere()));
  for (int i = count(); i > 0; --i) c.add(spread(s.capsule(s.rng() % 4 == 0)));
  for (int i = count(); i > 0; --i) c.add(spread(s.box(s.rng() % 3 == 0)));
  for (int i = count(); i > 0; --i) c.add(spread(s.cylinder()));
  for (int i = count(); i > 0; --i) c.add(spread(s.polygon()));
  for (int i = count(); i > 0; --i) c.add(spread(s.polytope()));
  for (int i = count(); i > 0; --i) c.add(spread(s.segment()));
  for (int i = int(s.rng() % 3); i > 0; --i) c.add(spread(s.cloud()));
  if (s.rng() % 4 == 0) c.add(s.plane());
  for (int i = count(); i > 0; --i) c.points.push(Point{s.point(15.0f)});
  c.rebuild_bounding();
  return c;
}

Collider<> scene_collider(Scene& s, int round) {
  Collider<> c = sparse_collider(s);
  if (round % 3 == 0) add_malformed(s, c);
  switch (round % 5) {
    case 1: c.rotate_quat(s.rotation()); break;
    case 2: c.translate(s.point(1.0f)); break;
    case 3: (void)c.scale(s.uniform(0.5f, 1.5f)); break;
    default: break;
  }
  return c;
}

// A query centre near a random member's lane: inside, on or just beyond its
// reach, where a pruning mistake would show.
Vec3 grazing_centre(Scene& s, const Collider<>& c, float query_radius) {
  const soa::SpheresSoA* kinds[] = {&c.spheres,   &c.capsules.spheres,  &c.cuboids.spheres,
                                    &c.cylinders.spheres, &c.segments.spheres, &c.polygons.spheres,
                                    &c.polytopes.spheres, &c.points.spheres};
  const soa::SpheresSoA& lanes = *kinds[s.rng() % 8];
  if (lanes.len == 0) return s.point(3.0f);
  const Sphere m = lanes.sphere(s.rng() % lanes.len);
  const Vec3 dir = curvel::normalize(s.point(1.0f) + Vec3{0.0f, 0.0f, 1e-3f});
  return m.center + dir * ((std::fabs(m.radius) + query_radius) * s.uniform(0.3f, 1.1f));
}

template <class Q>
void place(Q& q, Vec3 at) {
  translate(q, at - broadphase(q).center);
}

struct Counts {
  long queries = 0;
  long hits = 0;
};

template <class Q>
void compare(const Q& q, const Collider<>& c, Counts& counts, const char* kind, int round) {
  const bool accelerated = query_collider(q, c);
  const bool specified = tangor::collider::specified_query(q, c);
  ++counts.queries;
  counts.hits += specified;
  ASSERT_EQ(accelerated, specified) << kind << " query " << counts.queries << " in scene " << round;
}

TEST(ColliderIndex, EveryQueryKindAnswersAsTheSpecifiedPath) {
  Scene s(20260401);
  Counts sphere, capsule, cuboid, cylinder, polytope, polygon, segment, unbounded;
  const int per_scene = kQueriesPerKind / kScenes + 1;
  for (int round = 0; round < kScenes; ++round) {
    Collider<> c = scene_collider(s, round);
    for (int i = 0; i < per_scene; ++i) {
      Sphere qs = s.sphere();
      qs.center = grazing_centre(s, c, qs.radius);
      compare(qs, c, sphere, "sphere", round);

      Capsule qc = s.capsule(i % 4 == 0);
      place(qc, grazing_centre(s, c, broadphase(qc).radius));
      compare(qc, c, capsule, "capsule", round);

      Cuboid qb = s.box(i % 3 == 0);
      place(qb, grazing_centre(s, c, broadphase(qb).radius));
      compare(qb, c, cuboid, "cuboid", round);

      Cylinder qy = s.cylinder();
      place(qy, grazing_centre(s, c, broadphase(qy).radius));
      compare(qy, c, cylinder, "cylinder", round);

      ConvexPolytope qp = s.polytope();
      place(qp, grazing_centre(s, c, broadphase(qp).radius));
      compare(qp, c, polytope, "polytope", round);

      ConvexPolygon qg = s.polygon();
      place(qg, grazing_centre(s, c, broadphase(qg).radius));
      compare(qg, c, polygon, "polygon", round);

      curvel::LineSegment ql = s.segment();
      place(ql, grazing_centre(s, c, broadphase(ql).radius));
      compare(ql, c, segment, "segment", round);

      if (i % 16 == 0) {
        compare(s.plane(), c, unbounded, "plane", round);
        compare(s.line(), c, unbounded, "line", round);
        compare(s.ray(), c, unbounded, "ray", round);
      }
      if (HasFatalFailure()) return;
    }
  }
  for (const Counts* k : {&sphere, &capsule, &cuboid, &cylinder, &polytope, &polygon, &segment}) {
    EXPECT_GE(k->queries, kQueriesPerKind);
    // Grazing queries: neither answer dominates.
    EXPECT_GT(k->hits, k->queries / 20);
    EXPECT_LT(k->hits, k->queries - k->queries / 20);
  }
}

// Members added after the structure was built are tested too, and enough of
// them make the next query build it again.
TEST(ColliderIndex, MembersAddedAfterABuildAreFound) {
  Scene s(77);
  Collider<> c;
  for (int i = 0; i < 2000; ++i) {
    Sphere member = s.sphere();
    member.center = s.point(20.0f);
    c.add(member);
    Capsule capsule = s.capsule();
    translate(capsule, s.point(20.0f));
    c.add(capsule);
    const Sphere probe{member.center + Vec3{member.radius + 0.5f, 0.0f, 0.0f}, 0.6f};
    ASSERT_TRUE(query_collider(probe, c)) << i;
    Sphere near = s.sphere();
    near.center = grazing_centre(s, c, near.radius);
    ASSERT_EQ(query_collider(near, c), tangor::collider::specified_query(near, c)) << i;
  }
  const auto* built = c.query_index.get();
  ASSERT_NE(built, nullptr);
  EXPECT_LE(c.spheres.len, built->of(Kind::Spheres).covered + tangor::collider::uncovered_limit(2000));
}

// The structure is built once a few queries were asked; a copy starts without
// it and answers the same; a move drops it.
TEST(ColliderIndex, CopiesAndMovesKeepTheAnswers) {
  Scene s(5);
  Collider<> c = s.collider(80, ALL_KINDS);
  const Sphere q{c.spheres.len ? c.spheres.sphere(0).center : Vec3{}, 0.25f};
  const bool before = query_collider(q, c);
  for (std::uint32_t k = 1; k < tangor::collider::QueryIndex::kQueriesBeforeBuild; ++k) {
    EXPECT_EQ(c.query_index.get(), nullptr);
    EXPECT_EQ(query_collider(q, c), before);
  }
  EXPECT_NE(c.query_index.get(), nullptr);
  const Collider<> copy = c;
  EXPECT_EQ(copy.query_index.get(), nullptr);
  EXPECT_EQ(query_collider(q, copy), before);
  c.translate({100.0f, 0.0f, 0.0f});
  EXPECT_EQ(c.query_index.get(), nullptr);
  EXPECT_EQ(query_collider(q, c), tangor::collider::specified_query(q, c));
}

}  // namespace
