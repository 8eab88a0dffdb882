// ns per sphere query against a sphere array (eight lanes per step) beside a
// plain scalar loop over an array of sphere structs, for 1,000 and 100,000
// stored spheres. The queries miss every stored sphere, so both walk the
// whole array: the cost of a broad phase that rejects.
//
// BM_SpheresSoABuild runs the sweep by the baseline build (/0) and by the
// AVX2 build (/1) that the processor check picks where it can.
//
// Insertion: 10^6 spheres into a sphere array by from_slice (one piece), by
// push one at a time, and into a collider by add one at a time.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "soa/lane_kernels.hpp"
#include "tangor/collider.hpp"
#include "tangor/soa/spheres_soa.hpp"

namespace {

constexpr std::size_t kQueries = 1024;  // a power of two: the index wraps by mask

struct Scene {
  std::vector<tangor::Sphere> stored;
  std::vector<tangor::Sphere> queries;
};

Scene make_scene(std::size_t n) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> inside(0.0f, 100.0f);
  std::uniform_real_distribution<float> small(0.01f, 0.05f);
  Scene scene;
  for (std::size_t i = 0; i < n; ++i) scene.stored.push_back({{inside(rng), inside(rng), inside(rng)}, small(rng)});
  // Queries beyond the stored region: every test is a miss.
  std::uniform_real_distribution<float> outside(150.0f, 200.0f);
  for (std::size_t i = 0; i < kQueries; ++i)
    scene.queries.push_back({{outside(rng), inside(rng), inside(rng)}, small(rng)});
  return scene;
}

void BM_SpheresSoA(benchmark::State& state) {
  const Scene scene = make_scene(static_cast<std::size_t>(state.range(0)));
  const tangor::soa::SpheresSoA soa = tangor::soa::SpheresSoA::from_slice(scene.stored);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(soa.any_collides_sphere_f32x8(scene.queries[i++ & (kQueries - 1)]));
  }
  state.SetItemsProcessed(state.iterations());
}

// The same sweep by a named build: 0 the baseline, 1 AVX2.
void BM_SpheresSoABuild(benchmark::State& state) {
  const Scene scene = make_scene(static_cast<std::size_t>(state.range(0)));
  const tangor::soa::SpheresSoA soa = tangor::soa::SpheresSoA::from_slice(scene.stored);
  const tangor::soa::kernels::Variant* build =
      state.range(1) == 0 ? nullptr : tangor::soa::kernels::avx2();
  if (state.range(1) != 0 && build == nullptr) {
    state.SkipWithError("no AVX2");
    return;
  }
  const auto any = build ? build->any_overlap : tangor::soa::kernels::baseline().any_overlap;
  std::size_t i = 0;
  for (auto _ : state) {
    const tangor::Sphere& q = scene.queries[i++ & (kQueries - 1)];
    benchmark::DoNotOptimize(
        any(soa.xs(), soa.ys(), soa.zs(), soa.rs(), soa.capacity, q.center.x, q.center.y, q.center.z, q.radius));
  }
  state.SetItemsProcessed(state.iterations());
}

struct SphereRecord {
  float x, y, z, r;
};

bool scalar_any_collides(const std::vector<SphereRecord>& spheres, const tangor::Sphere& q) {
  for (const SphereRecord& s : spheres) {
    const float dx = q.center.x - s.x, dy = q.center.y - s.y, dz = q.center.z - s.z;
    const float reach = q.radius + s.r;
    if (dx * dx + dy * dy + dz * dz <= reach * reach) return true;
  }
  return false;
}

void BM_ScalarArrayOfStructs(benchmark::State& state) {
  const Scene scene = make_scene(static_cast<std::size_t>(state.range(0)));
  std::vector<SphereRecord> records;
  for (const tangor::Sphere& s : scene.stored) records.push_back({s.center.x, s.center.y, s.center.z, s.radius});
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(scalar_any_collides(records, scene.queries[i++ & (kQueries - 1)]));
  }
  state.SetItemsProcessed(state.iterations());
}

constexpr std::size_t kInserted = 1000000;

const std::vector<tangor::Sphere>& inserted() {
  static const std::vector<tangor::Sphere> spheres = make_scene(kInserted).stored;
  return spheres;
}

void BM_InsertFromSlice(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tangor::soa::SpheresSoA::from_slice(inserted()));
  state.SetItemsProcessed(state.iterations() * kInserted);
}

void BM_InsertPush(benchmark::State& state) {
  for (auto _ : state) {
    tangor::soa::SpheresSoA soa;
    for (const tangor::Sphere& s : inserted()) soa.push(s);
    benchmark::DoNotOptimize(soa);
  }
  state.SetItemsProcessed(state.iterations() * kInserted);
}

void BM_InsertColliderAdd(benchmark::State& state) {
  for (auto _ : state) {
    tangor::Collider<> collider;
    for (const tangor::Sphere& s : inserted()) collider.add(s);
    benchmark::DoNotOptimize(collider);
  }
  state.SetItemsProcessed(state.iterations() * kInserted);
}

}  // namespace

BENCHMARK(BM_InsertFromSlice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertPush)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertColliderAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpheresSoA)->Arg(1000)->Arg(100000);
BENCHMARK(BM_SpheresSoABuild)->Args({1000, 0})->Args({1000, 1})->Args({100000, 0})->Args({100000, 1});
BENCHMARK(BM_ScalarArrayOfStructs)->Arg(1000)->Arg(100000);

BENCHMARK_MAIN();
