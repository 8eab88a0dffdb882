// The compound collider's queries against scenes of 1,000, 10,000 and
// 100,000 mixed shapes (spheres, capsules, cuboids, cylinders, polytopes) at
// constant density (1,000 over a cube of side 60), so that a query of unit
// size misses almost every member:
//   Collider/<kind>/n  query_collider (the acceleration structure where it
//                      applies, else lanes, gates and groups, then exact tests)
//   Specified/<kind>/n the specified path alone (no acceleration structure)
//   BruteForce/<kind>  the same exact tests on every member, no broad phase
//   Fcl/<kind>/n       FCL's dynamic AABB tree manager with its narrow phase,
//                      stopping at the first contact (built only when
//                      TANGOR_BENCH_FCL is defined and fcl is linked)
//   ZeroDifference/n   many more queries on both paths: the counter
//                      `differences` must be 0
// Each iteration asks one query from a fixed set of 1,024.
//
//   g++ -std=c++20 -O2 -ffp-contract=off -DTANGOR_BENCH_FCL -I/usr/include/eigen3
//     -Itangor/include -Icurvel/include -Ipickle/include bench/tangor_collider_bench.cpp
//     libtangor.a libcurvel.a libvxpickle.a -lbenchmark -lfcl -lccd -lpthread

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "collider/index_data.hpp"
#include "tangor/collider.hpp"
#include "tangor/pairs.hpp"

#ifdef TANGOR_BENCH_FCL
#include <fcl/fcl.h>
#endif

namespace {

using namespace tangor;

constexpr int kQueries = 1024;
// Half the side of the cube that holds 1,000 members.
constexpr float kExtent = 30.0f;

struct Rng {
  std::mt19937 gen{20261206};
  float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(gen); }
  Vec3 point(float e) { return {uniform(-e, e), uniform(-e, e), uniform(-e, e)}; }
  Quat rotation() {
    std::normal_distribution<float> n;
    const float x = n(gen), y = n(gen), z = n(gen), w = n(gen);
    const float l = std::sqrt(x * x + y * y + z * z + w * w);
    return {x / l, y / l, z / l, w / l};
  }
  Cuboid box(Vec3 centre) {
    Cuboid b = Cuboid::create({}, cuboid::IDENTITY_AXES, {uniform(0.2f, 1.0f), uniform(0.2f, 1.0f), uniform(0.2f, 1.0f)});
    rotate_quat(b, rotation());
    translate(b, centre);
    return b;
  }
};

// A box as a polytope: its corners and six face planes.
ConvexPolytope polytope_of(const Cuboid& b) {
  std::vector<Vec3> corners;
  for (int c = 0; c < 8; ++c) {
    Vec3 p = b.center;
    for (int k = 0; k < 3; ++k) p += b.axes[k] * (((c >> k) & 1) ? b.half_extents[k] : -b.half_extents[k]);
    corners.push_back(p);
  }
  std::vector<Plane> planes;
  for (int k = 0; k < 3; ++k) {
    const float c = dot(b.axes[k], b.center);
    planes.push_back({b.axes[k], c + b.half_extents[k]});
    planes.push_back({-b.axes[k], -c + b.half_extents[k]});
  }
  return ConvexPolytope::create(std::move(planes), std::move(corners));
}

struct Scene {
  std::vector<Sphere> spheres;
  std::vector<Capsule> capsules;
  std::vector<Cuboid> cuboids;
  std::vector<Cylinder> cylinders;
  std::vector<Cuboid> polytope_boxes;
  std::vector<ConvexPolytope> polytopes;
  Collider<> collider;

  std::vector<Sphere> sphere_queries;
  std::vector<Capsule> capsule_queries;
  std::vector<Cuboid> cuboid_queries;

  explicit Scene(int members) {
    Rng r;
    const float extent = kExtent * std::cbrt(float(members) / 1000.0f);
    for (int i = 0; i < members; ++i) {
      const Vec3 c = r.point(extent);
      switch (i % 5) {
        case 0: spheres.push_back({c, r.uniform(0.2f, 1.2f)}); break;
        case 1: capsules.push_back(Capsule::create(c, c + r.point(1.0f), r.uniform(0.1f, 0.6f))); break;
        case 2: cuboids.push_back(r.box(c)); break;
        case 3: cylinders.push_back(Cylinder::create(c, c + r.point(1.0f), r.uniform(0.1f, 0.6f))); break;
        default:
          polytope_boxes.push_back(r.box(c));
          polytopes.push_back(polytope_of(polytope_boxes.back()));
          break;
      }
    }
    for (const auto& s : spheres) collider.add(s);
    for (const auto& s : capsules) collider.add(s);
    for (const auto& s : cuboids) collider.add(s);
    for (const auto& s : cylinders) collider.add(s);
    for (const auto& s : polytopes) collider.add(s);
    for (int i = 0; i < kQueries; ++i) {
      const Vec3 c = r.point(extent);
      sphere_queries.push_back({c, r.uniform(0.3f, 1.0f)});
      capsule_queries.push_back(Capsule::create(c, c + r.point(1.0f), r.uniform(0.2f, 0.6f)));
      cuboid_queries.push_back(r.box(c));
    }
  }
};

const Scene& scene(int members = 1000) {
  static std::map<int, std::unique_ptr<Scene>> scenes;
  auto& s = scenes[members];
  if (!s) s = std::make_unique<Scene>(members);
  return *s;
}

// ---- The member loop: the collider's exact tests, every member in turn.

template <class Q>
bool brute(const Q& q, const Scene& s) {
  const auto any = [&](const auto& members) {
    for (const auto& m : members)
      if (collides_member(q, m)) return true;
    return false;
  };
  return any(s.spheres) || any(s.capsules) || any(s.cuboids) || any(s.cylinders) || any(s.polytopes);
}

template <class Q>
const std::vector<Q>& queries_of(const Scene& s) {
  if constexpr (std::is_same_v<Q, Sphere>) return s.sphere_queries;
  else if constexpr (std::is_same_v<Q, Capsule>) return s.capsule_queries;
  else return s.cuboid_queries;
}

template <class Q, bool Specified>
void run_collider(benchmark::State& state) {
  const Scene& s = scene(int(state.range(0)));
  const std::vector<Q>& queries = queries_of<Q>(s);
  // The acceleration structure is built once a few queries were asked.
  for (std::uint32_t k = 0; k < tangor::collider::QueryIndex::kQueriesBeforeBuild; ++k)
    query_collider(queries[0], s.collider);
  std::size_t i = 0;
  int hits = 0;
  for (auto _ : state) {
    if constexpr (Specified) {
      hits += tangor::collider::specified_query(queries[i], s.collider);
    } else {
      hits += query_collider(queries[i], s.collider);
    }
    i = (i + 1) % queries.size();
  }
  state.counters["hit_rate"] = double(hits) / double(state.iterations());
}

template <class Q>
void run_brute(benchmark::State& state) {
  const Scene& s = scene();
  const std::vector<Q>& queries = queries_of<Q>(s);
  std::size_t i = 0;
  int hits = 0;
  for (auto _ : state) {
    hits += brute(queries[i], s);
    i = (i + 1) % queries.size();
  }
  state.counters["hit_rate"] = double(hits) / double(state.iterations());
}

// Both paths on 2^17 queries of each kind per iteration, placed near
// members so that about a fifth of them hit.
void ZeroDifference(benchmark::State& state) {
  const Scene& s = scene(int(state.range(0)));
  Rng r;
  long differences = 0;
  long asked = 0;
  long hits = 0;
  const auto check = [&](const auto& q) {
    const bool accelerated = query_collider(q, s.collider);
    hits += accelerated;
    differences += accelerated != tangor::collider::specified_query(q, s.collider);
    ++asked;
  };
  for (auto _ : state) {
    for (int i = 0; i < (1 << 17); ++i) {
      const Sphere& near = s.spheres[std::size_t(r.gen() % s.spheres.size())];
      const Vec3 c = near.center + r.point(2.5f);
      check(Sphere{c, r.uniform(0.3f, 1.5f)});
      check(Capsule::create(c, c + r.point(1.5f), r.uniform(0.1f, 0.8f)));
      Cuboid b = r.box({});
      translate(b, c);
      check(b);
    }
  }
  state.counters["differences"] = double(differences);
  state.counters["queries"] = double(asked);
  state.counters["hit_rate"] = double(hits) / double(asked);
}

void Collider_Sphere(benchmark::State& st) { run_collider<Sphere, false>(st); }
void Collider_Capsule(benchmark::State& st) { run_collider<Capsule, false>(st); }
void Collider_Cuboid(benchmark::State& st) { run_collider<Cuboid, false>(st); }
void Specified_Sphere(benchmark::State& st) { run_collider<Sphere, true>(st); }
void Specified_Capsule(benchmark::State& st) { run_collider<Capsule, true>(st); }
void Specified_Cuboid(benchmark::State& st) { run_collider<Cuboid, true>(st); }
void BruteForce_Sphere(benchmark::State& st) { run_brute<Sphere>(st); }
void BruteForce_Capsule(benchmark::State& st) { run_brute<Capsule>(st); }
void BruteForce_Cuboid(benchmark::State& st) { run_brute<Cuboid>(st); }

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)
BENCHMARK(Collider_Sphere) SIZES;
BENCHMARK(Specified_Sphere) SIZES;
BENCHMARK(BruteForce_Sphere);
BENCHMARK(Collider_Capsule) SIZES;
BENCHMARK(Specified_Capsule) SIZES;
BENCHMARK(BruteForce_Capsule);
BENCHMARK(Collider_Cuboid) SIZES;
BENCHMARK(Specified_Cuboid) SIZES;
BENCHMARK(BruteForce_Cuboid);
BENCHMARK(ZeroDifference)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

#ifdef TANGOR_BENCH_FCL

using Geometry = std::shared_ptr<fcl::CollisionGeometryd>;

fcl::Vector3d to_d(Vec3 v) { return {v.x, v.y, v.z}; }

// A frame whose z axis runs along `dir`, centred on the axis midpoint.
fcl::Transform3d along(Vec3 p1, Vec3 dir) {
  const fcl::Vector3d d = to_d(dir);
  fcl::Transform3d t = fcl::Transform3d::Identity();
  t.linear() = fcl::Quaterniond::FromTwoVectors(fcl::Vector3d::UnitZ(), d.normalized()).toRotationMatrix();
  t.translation() = to_d(p1) + d * 0.5;
  return t;
}

fcl::Transform3d box_frame(const Cuboid& b) {
  fcl::Transform3d t = fcl::Transform3d::Identity();
  for (int k = 0; k < 3; ++k) t.linear().col(k) = to_d(b.axes[k]);
  t.translation() = to_d(b.center);
  return t;
}

std::unique_ptr<fcl::CollisionObjectd> object(const Sphere& s) {
  auto t = fcl::Transform3d::Identity();
  t.translation() = to_d(s.center);
  return std::make_unique<fcl::CollisionObjectd>(std::make_shared<fcl::Sphered>(s.radius), t);
}
std::unique_ptr<fcl::CollisionObjectd> object(const Capsule& c) {
  return std::make_unique<fcl::CollisionObjectd>(std::make_shared<fcl::Capsuled>(c.radius, length(c.dir)),
                                                 along(c.p1, c.dir));
}
std::unique_ptr<fcl::CollisionObjectd> object(const Cylinder& c) {
  return std::make_unique<fcl::CollisionObjectd>(std::make_shared<fcl::Cylinderd>(c.radius, length(c.dir)),
                                                 along(c.p1, c.dir));
}
std::unique_ptr<fcl::CollisionObjectd> object(const Cuboid& b) {
  return std::make_unique<fcl::CollisionObjectd>(
      std::make_shared<fcl::Boxd>(2.0 * b.half_extents[0], 2.0 * b.half_extents[1], 2.0 * b.half_extents[2]),
      box_frame(b));
}
// A box polytope as FCL's convex shape: eight corners, six quads.
std::unique_ptr<fcl::CollisionObjectd> convex_object(const Cuboid& b) {
  auto corners = std::make_shared<std::vector<fcl::Vector3d>>();
  for (int c = 0; c < 8; ++c)
    corners->push_back({(c & 1) ? b.half_extents[0] : -b.half_extents[0],
                        (c & 2) ? b.half_extents[1] : -b.half_extents[1],
                        (c & 4) ? b.half_extents[2] : -b.half_extents[2]});
  auto faces = std::make_shared<std::vector<int>>(std::vector<int>{
      4, 0, 2, 6, 4, 4, 1, 5, 7, 3, 4, 0, 4, 5, 1, 4, 2, 3, 7, 6, 4, 0, 1, 3, 2, 4, 4, 6, 7, 5});
  return std::make_unique<fcl::CollisionObjectd>(std::make_shared<fcl::Convexd>(corners, 6, faces), box_frame(b));
}

struct FclScene {
  std::vector<std::unique_ptr<fcl::CollisionObjectd>> objects;
  fcl::DynamicAABBTreeCollisionManagerd manager;
  explicit FclScene(int members) {
    const Scene& s = scene(members);
    for (const auto& m : s.spheres) objects.push_back(object(m));
    for (const auto& m : s.capsules) objects.push_back(object(m));
    for (const auto& m : s.cuboids) objects.push_back(object(m));
    for (const auto& m : s.cylinders) objects.push_back(object(m));
    for (const auto& m : s.polytope_boxes) objects.push_back(convex_object(m));
    for (auto& o : objects) o->computeAABB();
    for (auto& o : objects) manager.registerObject(o.get());
    manager.setup();
  }
};

const FclScene& fcl_scene(int members) {
  static std::map<int, std::unique_ptr<FclScene>> scenes;
  auto& s = scenes[members];
  if (!s) s = std::make_unique<FclScene>(members);
  return *s;
}

struct FirstContact {
  bool hit = false;
};

bool stop_at_first_contact(fcl::CollisionObjectd* a, fcl::CollisionObjectd* b, void* data) {
  auto* found = static_cast<FirstContact*>(data);
  fcl::CollisionRequestd request;
  fcl::CollisionResultd result;
  if (fcl::collide(a, b, request, result) > 0) found->hit = true;
  return found->hit;
}

template <class Q>
void run_fcl(benchmark::State& state) {
  const FclScene& f = fcl_scene(int(state.range(0)));
  const std::vector<Q>& queries = queries_of<Q>(scene(int(state.range(0))));
  std::vector<std::unique_ptr<fcl::CollisionObjectd>> objects;
  for (const Q& q : queries) {
    objects.push_back(object(q));
    objects.back()->computeAABB();
  }
  std::size_t i = 0;
  int hits = 0;
  for (auto _ : state) {
    FirstContact found;
    const_cast<fcl::DynamicAABBTreeCollisionManagerd&>(f.manager).collide(objects[i].get(), &found,
                                                                          stop_at_first_contact);
    hits += found.hit;
    i = (i + 1) % objects.size();
  }
  state.counters["hit_rate"] = double(hits) / double(state.iterations());
}

void Fcl_Sphere(benchmark::State& st) { run_fcl<Sphere>(st); }
void Fcl_Capsule(benchmark::State& st) { run_fcl<Capsule>(st); }
void Fcl_Cuboid(benchmark::State& st) { run_fcl<Cuboid>(st); }

BENCHMARK(Fcl_Sphere) SIZES;
BENCHMARK(Fcl_Capsule) SIZES;
BENCHMARK(Fcl_Cuboid) SIZES;

#endif

}  // namespace

BENCHMARK_MAIN();
