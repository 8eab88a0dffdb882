// ns per pair test of the collision library on random configurations, with
// FCL (double precision, its own GJK/EPA and box-box) for the same pairs when
// built with TANGOR_BENCH_FCL and linked with fcl.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "tangor/pairs.hpp"

#ifdef TANGOR_BENCH_FCL
#include <fcl/fcl.h>
#endif

using namespace tangor;

namespace {

constexpr std::size_t kPairs = 1024;  // a power of two: the index wraps by mask

struct Scene {
  std::mt19937 rng{1234};
  float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  Vec3 point(float e = 2.0f) { return {uniform(-e, e), uniform(-e, e), uniform(-e, e)}; }
  Quat rotation() {
    std::normal_distribution<float> n;
    float x = n(rng), y = n(rng), z = n(rng), w = n(rng);
    const float l = std::sqrt(x * x + y * y + z * z + w * w);
    return {x / l, y / l, z / l, w / l};
  }
  Cuboid box() {
    Cuboid b = Cuboid::create({}, cuboid::IDENTITY_AXES, {uniform(0.2f, 1), uniform(0.2f, 1), uniform(0.2f, 1)});
    rotate_quat(b, rotation());
    translate(b, point());
    return b;
  }
  Sphere sphere() { return {point(), uniform(0.1f, 1)}; }
  Capsule capsule() {
    const Vec3 p = point();
    return Capsule::create(p, p + point(1), uniform(0.1f, 0.6f));
  }
  Cylinder cylinder() {
    const Vec3 p = point();
    return Cylinder::create(p, p + point(1), uniform(0.1f, 0.6f));
  }
  ConvexPolygon polygon() {
    std::vector<Vec2> v;
    const int n = 6;
    for (int i = 0; i < n; ++i) {
      const float a = 6.2831853f * float(i) / float(n);
      v.push_back({std::cos(a), 0.7f * std::sin(a)});
    }
    return ConvexPolygon::create(point(), curvel::normalize(point(1) + Vec3{0.01f, 0, 0}), v);
  }
  // A random box as a polytope (8 vertices, 6 planes).
  ConvexPolytope polytope() {
    const Cuboid b = box();
    std::vector<Vec3> v;
    for (int c = 0; c < 8; ++c) {
      Vec3 p = b.center;
      for (int k = 0; k < 3; ++k) p += b.axes[k] * (((c >> k) & 1) ? b.half_extents[k] : -b.half_extents[k]);
      v.push_back(p);
    }
    std::vector<Plane> planes;
    for (int k = 0; k < 3; ++k) {
      const float c = dot(b.axes[k], b.center);
      planes.push_back({b.axes[k], c + b.half_extents[k]});
      planes.push_back({-b.axes[k], -c + b.half_extents[k]});
    }
    return ConvexPolytope::create(std::move(planes), std::move(v));
  }
  // Twelve points on an ellipsoid and the planes of their hull's 20
  // triangles, each plane found by testing every triple.
  ConvexPolytope hull12() {
    std::normal_distribution<float> n;
    std::vector<Vec3> v;
    for (int i = 0; i < 12; ++i) {
      const Vec3 d = curvel::normalize(Vec3{n(rng), n(rng), n(rng)});
      v.push_back({0.9f * d.x, 0.7f * d.y, 0.5f * d.z});
    }
    std::vector<Plane> planes;
    for (int i = 0; i < 12; ++i)
      for (int j = i + 1; j < 12; ++j)
        for (int k = j + 1; k < 12; ++k) {
          const Vec3 c = cross(v[j] - v[i], v[k] - v[i]);
          int below = 0, above = 0;
          for (const Vec3& p : v) {
            const float side = dot(p - v[i], c);
            below += side < 0.0f;
            above += side > 0.0f;
          }
          if (below > 0 && above > 0) continue;
          const Vec3 normal = curvel::normalize(above > 0 ? -c : c);
          planes.push_back({normal, dot(normal, v[i])});
        }
    return ConvexPolytope::create(std::move(planes), std::move(v));
  }
  // A hull and a turned copy of it, moved a little (mostly overlapping) or
  // moved out along a face normal of the first until 0.05 apart across it.
  std::pair<ConvexPolytope, ConvexPolytope> hull_pair(bool overlapping) {
    const ConvexPolytope a = hull12();
    ConvexPolytope b = a;
    rotate_quat(b, rotation());
    if (overlapping) {
      translate(b, point(0.35f));
      return {a, b};
    }
    const Plane& face = a.planes[std::uniform_int_distribution<std::size_t>(0, a.planes.size() - 1)(rng)];
    float lowest = INF;
    for (const Vec3& p : b.vertices) lowest = min(lowest, dot(face.normal, p));
    translate(b, face.normal * (face.d - lowest + 0.05f));
    return {a, b};
  }
};

template <class A, class B, class Test>
void time_pairs(benchmark::State& state, const std::vector<A>& as, const std::vector<B>& bs, Test test) {
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    hits += test(as[i], bs[i]);
    i = (i + 1) & (kPairs - 1);
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(state.iterations());
  state.counters["hit_share"] = double(hits) / double(state.iterations());
}

template <class A, class B, class MakeA, class MakeB, class Test>
void run_pairs(benchmark::State& state, MakeA make_a, MakeB make_b, Test test) {
  Scene scene;
  std::vector<A> as;
  std::vector<B> bs;
  for (std::size_t i = 0; i < kPairs; ++i) {
    as.push_back(make_a(scene));
    bs.push_back(make_b(scene));
  }
  time_pairs(state, as, bs, test);
}

// Pairs of 12-vertex, 20-face hulls: overlapping (state.range(0) = 1) or
// apart across a face plane of the first (0).
template <class Test>
void run_hull_pairs(benchmark::State& state, Test test) {
  Scene scene;
  std::vector<ConvexPolytope> as, bs;
  for (std::size_t i = 0; i < kPairs; ++i) {
    auto [a, b] = scene.hull_pair(state.range(0) != 0);
    as.push_back(std::move(a));
    bs.push_back(std::move(b));
  }
  time_pairs(state, as, bs, test);
}

// A shape against one 12-vertex hull at the origin.
template <class B, class MakeB, class Test>
void run_against_hull(benchmark::State& state, MakeB make_b, Test test) {
  Scene scene;
  std::vector<ConvexPolytope> as;
  std::vector<B> bs;
  for (std::size_t i = 0; i < kPairs; ++i) {
    as.push_back(scene.hull12());
    bs.push_back(make_b(scene));
  }
  time_pairs(state, as, bs, test);
}

void BM_SphereBox(benchmark::State& s) {
  run_pairs<Sphere, Cuboid>(s, [](Scene& g) { return g.sphere(); }, [](Scene& g) { return g.box(); },
                            [](const Sphere& a, const Cuboid& b) { return collides(a, b); });
}
void BM_BoxBox(benchmark::State& s) {
  run_pairs<Cuboid, Cuboid>(s, [](Scene& g) { return g.box(); }, [](Scene& g) { return g.box(); },
                            [](const Cuboid& a, const Cuboid& b) { return collides(a, b); });
}
void BM_CapsuleCapsule(benchmark::State& s) {
  run_pairs<Capsule, Capsule>(s, [](Scene& g) { return g.capsule(); }, [](Scene& g) { return g.capsule(); },
                              [](const Capsule& a, const Capsule& b) { return collides(a, b); });
}
void BM_CapsuleBox(benchmark::State& s) {
  run_pairs<Capsule, Cuboid>(s, [](Scene& g) { return g.capsule(); }, [](Scene& g) { return g.box(); },
                             [](const Capsule& a, const Cuboid& b) { return collides(a, b); });
}
void BM_PolygonBox(benchmark::State& s) {
  run_pairs<ConvexPolygon, Cuboid>(
      s, [](Scene& g) { return g.polygon(); }, [](Scene& g) { return g.box(); },
      [](const ConvexPolygon& a, const Cuboid& b) { return collides(a, b); });
}
void BM_PolytopePolytope(benchmark::State& s) {
  run_pairs<ConvexPolytope, ConvexPolytope>(
      s, [](Scene& g) { return g.polytope(); }, [](Scene& g) { return g.polytope(); },
      [](const ConvexPolytope& a, const ConvexPolytope& b) { return collides(a, b); });
}
// The full form (the obbs, then the faces both ways) and the collider's
// member form (the faces alone).
void BM_PolytopeHulls(benchmark::State& s) {
  run_hull_pairs(s, [](const ConvexPolytope& a, const ConvexPolytope& b) { return collides(a, b); });
}
void BM_PolytopeHullsFaces(benchmark::State& s) {
  run_hull_pairs(s, [](const ConvexPolytope& a, const ConvexPolytope& b) { return collides_member(a, b); });
}
// Sphere and point against the faces, and a plane against the vertices.
// The sphere and the point are placed near the hull's centre (state.range(0)
// = 1: most pass every face) or anywhere around it (0: most fail an early
// one).
void BM_HullSphereFaces(benchmark::State& s) {
  const float reach = s.range(0) ? 0.1f : 1.2f;
  run_against_hull<Sphere>(
      s, [reach](Scene& g) { return Sphere{g.point(reach), g.uniform(0.05f, 0.4f)}; },
      [](const ConvexPolytope& p, const Sphere& b) { return collider::sphere_polytope(b, p.planes); });
}
void BM_HullPoint(benchmark::State& s) {
  const float reach = s.range(0) ? 0.1f : 1.0f;
  run_against_hull<Vec3>(s, [reach](Scene& g) { return g.point(reach); },
                         [](const ConvexPolytope& p, Vec3 q) { return collider::polytope_point(p.planes, q); });
}
void BM_HullPlane(benchmark::State& s) {
  run_against_hull<Plane>(
      s, [](Scene& g) { return Plane{curvel::normalize(g.point(1.0f) + Vec3{0, 0, 0.01f}), g.uniform(-1.0f, 0.2f)}; },
      [](const ConvexPolytope& p, const Plane& h) { return collides(h, p); });
}

void BM_CylinderBox(benchmark::State& s) {
  run_pairs<Cylinder, Cuboid>(s, [](Scene& g) { return g.cylinder(); }, [](Scene& g) { return g.box(); },
                              [](const Cylinder& a, const Cuboid& b) { return collides(a, b); });
}
void BM_CylinderCapsule(benchmark::State& s) {
  run_pairs<Cylinder, Capsule>(s, [](Scene& g) { return g.cylinder(); }, [](Scene& g) { return g.capsule(); },
                               [](const Cylinder& a, const Capsule& b) { return collides(a, b); });
}

BENCHMARK(BM_SphereBox);
BENCHMARK(BM_BoxBox);
BENCHMARK(BM_CapsuleCapsule);
BENCHMARK(BM_CapsuleBox);
BENCHMARK(BM_PolygonBox);
BENCHMARK(BM_PolytopePolytope);
BENCHMARK(BM_PolytopeHulls)->ArgName("overlapping")->Arg(1)->Arg(0);
BENCHMARK(BM_PolytopeHullsFaces)->ArgName("overlapping")->Arg(1)->Arg(0);
BENCHMARK(BM_HullSphereFaces)->ArgName("central")->Arg(1)->Arg(0);
BENCHMARK(BM_HullPoint)->ArgName("central")->Arg(1)->Arg(0);
BENCHMARK(BM_HullPlane);
BENCHMARK(BM_CylinderBox);
BENCHMARK(BM_CylinderCapsule);

#ifdef TANGOR_BENCH_FCL

using FclObject = fcl::CollisionObjectd;

fcl::Transform3d fcl_pose(Vec3 center, const std::array<Vec3, 3>& axes) {
  fcl::Transform3d t = fcl::Transform3d::Identity();
  fcl::Matrix3d r;
  for (int k = 0; k < 3; ++k) r.col(k) = fcl::Vector3d(axes[k].x, axes[k].y, axes[k].z);
  t.linear() = r;
  t.translation() = fcl::Vector3d(center.x, center.y, center.z);
  return t;
}

FclObject fcl_box(const Cuboid& b) {
  auto g = std::make_shared<fcl::Boxd>(2.0 * b.half_extents[0], 2.0 * b.half_extents[1], 2.0 * b.half_extents[2]);
  return FclObject(g, fcl_pose(b.center, b.axes));
}

FclObject fcl_sphere(const Sphere& s) {
  return FclObject(std::make_shared<fcl::Sphered>(s.radius), fcl_pose(s.center, cuboid::IDENTITY_AXES));
}

// FCL's capsule runs along its local z and is centred on the origin.
FclObject fcl_capsule(const Capsule& c) {
  const float len = length(c.dir);
  const Vec3 z = c.dir * (1.0f / len);
  const Vec3 helper = std::fabs(z.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  const Vec3 x = curvel::normalize(cross(helper, z));
  const Vec3 y = cross(z, x);
  return FclObject(std::make_shared<fcl::Capsuled>(c.radius, len), fcl_pose(c.p1 + c.dir * 0.5f, {x, y, z}));
}

FclObject fcl_polytope(const ConvexPolytope& p) {
  auto vertices = std::make_shared<std::vector<fcl::Vector3d>>();
  for (const Vec3& v : p.vertices) vertices->emplace_back(v.x, v.y, v.z);
  // The box's faces as quads over its corner indices (bit k of the index is
  // the sign along axis k).
  auto faces = std::make_shared<std::vector<int>>(std::vector<int>{
      4, 0, 2, 6, 4, 4, 1, 5, 7, 3, 4, 0, 4, 5, 1, 4, 2, 3, 7, 6, 4, 0, 1, 3, 2, 4, 4, 6, 7, 5});
  auto g = std::make_shared<fcl::Convexd>(vertices, 6, faces);
  return FclObject(g, fcl::Transform3d::Identity());
}

template <class A, class B, class MakeA, class MakeB, class ToA, class ToB>
void run_fcl(benchmark::State& state, MakeA make_a, MakeB make_b, ToA to_a, ToB to_b) {
  Scene scene;
  std::vector<FclObject> as, bs;
  for (std::size_t i = 0; i < kPairs; ++i) {
    as.push_back(to_a(make_a(scene)));
    bs.push_back(to_b(make_b(scene)));
  }
  fcl::CollisionRequestd request;
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    fcl::CollisionResultd result;
    hits += fcl::collide(&as[i], &bs[i], request, result);
    i = (i + 1) & (kPairs - 1);
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(state.iterations());
}

void BM_Fcl_SphereBox(benchmark::State& s) {
  run_fcl<Sphere, Cuboid>(s, [](Scene& g) { return g.sphere(); }, [](Scene& g) { return g.box(); }, fcl_sphere, fcl_box);
}
void BM_Fcl_BoxBox(benchmark::State& s) {
  run_fcl<Cuboid, Cuboid>(s, [](Scene& g) { return g.box(); }, [](Scene& g) { return g.box(); }, fcl_box, fcl_box);
}
void BM_Fcl_CapsuleCapsule(benchmark::State& s) {
  run_fcl<Capsule, Capsule>(s, [](Scene& g) { return g.capsule(); }, [](Scene& g) { return g.capsule(); }, fcl_capsule,
                            fcl_capsule);
}
void BM_Fcl_CapsuleBox(benchmark::State& s) {
  run_fcl<Capsule, Cuboid>(s, [](Scene& g) { return g.capsule(); }, [](Scene& g) { return g.box(); }, fcl_capsule, fcl_box);
}
void BM_Fcl_PolytopePolytope(benchmark::State& s) {
  run_fcl<ConvexPolytope, ConvexPolytope>(s, [](Scene& g) { return g.polytope(); }, [](Scene& g) { return g.polytope(); },
                                          fcl_polytope, fcl_polytope);
}

BENCHMARK(BM_Fcl_SphereBox);
BENCHMARK(BM_Fcl_BoxBox);
BENCHMARK(BM_Fcl_CapsuleCapsule);
BENCHMARK(BM_Fcl_CapsuleBox);
BENCHMARK(BM_Fcl_PolytopePolytope);

#endif

}  // namespace

BENCHMARK_MAIN();
