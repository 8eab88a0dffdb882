// The point tree on 2^16 random points in a cube: ns per query (single and
// eight-lane) for 100,000 queries whose effective radii lie in r_range,
// scattered over the cube (/0) or following a random walk (/1, as the
// spheres of a moving body do), beside a nanoflann kd-tree (all neighbours,
// and stopping at the first) and the exhaustive eight-lane scan; plus build
// time and the memory the tree takes per point. CAPT_BENCH_EXTENT sets the
// cube's side (1 by default: points 0.025 apart for radii up to 0.05).
#include <benchmark/benchmark.h>

#include <nanoflann.hpp>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "tangor/lanes.hpp"
#include "tangor/pointcloud/capt.hpp"

namespace {

using tangor::pointcloud::capt::Capt;
using tangor::pointcloud::capt::Point3;

constexpr std::size_t kPoints = std::size_t{1} << 16;
constexpr std::size_t kQueries = 100000;
constexpr float kRmin = 0.01f;
constexpr float kRmax = 0.05f;
#ifndef CAPT_BENCH_EXTENT
#define CAPT_BENCH_EXTENT 1.0f
#endif
constexpr float kExtent = CAPT_BENCH_EXTENT;

struct Query {
  Point3 centre;
  float radius;
};

struct Scene {
  std::vector<Point3> points;
  std::vector<Query> scattered;  // uniform over the cube
  std::vector<Query> coherent;   // a random walk: each centre near the last
  Scene() {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0.0f, kExtent);
    std::uniform_real_distribution<float> radius(kRmin, kRmax);
    std::uniform_real_distribution<float> step(-0.01f, 0.01f);
    for (std::size_t i = 0; i < kPoints; ++i) points.push_back({unit(rng), unit(rng), unit(rng)});
    Point3 walker{0.5f * kExtent, 0.5f * kExtent, 0.5f * kExtent};
    for (std::size_t i = 0; i < kQueries; ++i) {
      scattered.push_back({{unit(rng), unit(rng), unit(rng)}, radius(rng)});
      for (float& c : walker) c = std::clamp(c + step(rng), 0.0f, kExtent);
      coherent.push_back({walker, radius(rng)});
    }
  }
  // Argument 0: scattered queries, 1: coherent ones.
  const std::vector<Query>& queries(const benchmark::State& state) const {
    return state.range(0) == 0 ? scattered : coherent;
  }
};

const Scene& scene() {
  static const Scene s;
  return s;
}

const Capt& tree() {
  static const Capt t = std::get<Capt>(Capt::try_with_point_radius(scene().points, {kRmin, kRmax}, 0.0f));
  return t;
}

void report_hit_rate(benchmark::State& state, std::size_t hits, std::size_t asked) {
  state.counters["hit_rate"] = asked ? double(hits) / double(asked) : 0.0;
}

void BM_CaptBuild(benchmark::State& state) {
  std::size_t afforded = 0;
  for (auto _ : state) {
    auto built = Capt::try_with_point_radius(scene().points, {kRmin, kRmax}, 0.0f);
    afforded = std::get<Capt>(built).afforded[0].size();
    benchmark::DoNotOptimize(built);
  }
  const Capt& t = tree();
  const double bytes = 3.0 * 4.0 * double(afforded) + 4.0 * double(t.tests.size()) +
                       24.0 * double(t.aabbs.size()) + 4.0 * double(t.starts.size());
  state.counters["bytes_per_point"] = bytes / double(kPoints);
  state.counters["afforded_per_point"] = double(afforded) / double(kPoints);
}

void BM_CaptSingle(benchmark::State& state) {
  const Capt& t = tree();
  const auto& queries = scene().queries(state);
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    const Query& q = queries[i];
    const bool hit = t.collides(q.centre, q.radius);
    hits += hit;
    benchmark::DoNotOptimize(hit);
    if (++i == queries.size()) i = 0;
  }
  report_hit_rate(state, hits, state.iterations());
  state.SetItemsProcessed(state.iterations());
}

// Eight queries per call; items count queries, so ns per item compares with
// the single query.
void BM_CaptEightLane(benchmark::State& state) {
  const Capt& t = tree();
  const auto& queries = scene().queries(state);
  std::size_t i = 0;
  for (auto _ : state) {
    std::array<tangor::lanes::Row, 3> centres;
    tangor::lanes::Row radii;
    for (int l = 0; l < 8; ++l) {
      const Query& q = queries[i + l];
      for (int a = 0; a < 3; ++a) centres[a][l] = q.centre[a];
      radii[l] = q.radius;
    }
    benchmark::DoNotOptimize(t.collides_simd(centres, radii));
    i += 8;
    if (i + 8 > queries.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations() * 8);
}

struct CloudAdaptor {
  const std::vector<Point3>& points;
  std::size_t kdtree_get_point_count() const { return points.size(); }
  float kdtree_get_pt(std::size_t i, std::size_t dim) const { return points[i][dim]; }
  template <class Box>
  bool kdtree_get_bbox(Box&) const { return false; }
};

using KdTree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, CloudAdaptor>, CloudAdaptor, 3,
                                                   std::uint32_t>;

// Stops the search at the first point within the radius: the collision
// question, not the neighbour list.
struct AnyWithin {
  float radius_sq;
  bool found = false;
  void init() {}
  std::size_t size() const { return found; }
  bool full() const { return true; }
  bool addPoint(float dist_sq, std::uint32_t) {
    if (dist_sq <= radius_sq) found = true;
    return !found;
  }
  float worstDist() const { return radius_sq; }
};

KdTree& kd_tree() {
  static CloudAdaptor adaptor{scene().points};
  static KdTree tree(3, adaptor, nanoflann::KDTreeSingleIndexAdaptorParams(10));
  static const bool built = (tree.buildIndex(), true);
  (void)built;
  return tree;
}

void BM_NanoflannRadius(benchmark::State& state) {
  KdTree& kd = kd_tree();
  const auto& queries = scene().queries(state);
  std::vector<std::pair<std::uint32_t, float>> matches;
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    const Query& q = queries[i];
    matches.clear();
    hits += kd.radiusSearch(q.centre.data(), q.radius * q.radius, matches, nanoflann::SearchParams(32, 0, false)) > 0;
    benchmark::DoNotOptimize(matches.data());
    if (++i == queries.size()) i = 0;
  }
  report_hit_rate(state, hits, state.iterations());
  state.SetItemsProcessed(state.iterations());
}

void BM_NanoflannFirstHit(benchmark::State& state) {
  KdTree& kd = kd_tree();
  const auto& queries = scene().queries(state);
  std::size_t i = 0, hits = 0;
  for (auto _ : state) {
    const Query& q = queries[i];
    AnyWithin result{q.radius * q.radius};
    kd.findNeighbors(result, q.centre.data(), nanoflann::SearchParams(32, 0, false));
    hits += result.found;
    benchmark::DoNotOptimize(result.found);
    if (++i == queries.size()) i = 0;
  }
  report_hit_rate(state, hits, state.iterations());
  state.SetItemsProcessed(state.iterations());
}

// Every point, eight lanes per step, stopping at the first hit.
void BM_BruteForceScan(benchmark::State& state) {
  std::vector<float> x, y, z;
  for (const Point3& p : scene().points) {
    x.push_back(p[0]);
    y.push_back(p[1]);
    z.push_back(p[2]);
  }
  const auto& queries = scene().queries(state);
  std::size_t i = 0;
  for (auto _ : state) {
    const Query& q = queries[i];
    const float reach_sq = q.radius * q.radius;
    bool hit = false;
    for (std::size_t g = 0; g < x.size() && !hit; g += 8)
      hit = tangor::lanes::points_within_any<8>(x.data() + g, y.data() + g, z.data() + g, q.centre[0], q.centre[1],
                                                q.centre[2], reach_sq);
    benchmark::DoNotOptimize(hit);
    if (++i == queries.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_CaptBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptSingle)->Arg(0)->Arg(1);
BENCHMARK(BM_CaptEightLane)->Arg(0)->Arg(1);
BENCHMARK(BM_NanoflannRadius)->Arg(0)->Arg(1);
BENCHMARK(BM_NanoflannFirstHit)->Arg(0)->Arg(1);
BENCHMARK(BM_BruteForceScan)->Arg(0);

BENCHMARK_MAIN();
