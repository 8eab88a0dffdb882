// The pickled state of the large records: a sphere array of 10^6 lanes and a
// point cloud of 10^6 random points (its tree included), written and read
// back. Counters: the state's bytes per lane or point, and the rate of
// reading in input bytes per second.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <variant>
#include <vector>

#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/soa/spheres_soa.hpp"

namespace {

constexpr std::size_t kCount = 1'000'000;

const tangor::soa::SpheresSoA& spheres() {
  static const tangor::soa::SpheresSoA s = [] {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<tangor::Sphere> all;
    for (std::size_t i = 0; i < kCount; ++i) all.push_back({{unit(rng), unit(rng), unit(rng)}, 0.01f});
    return tangor::soa::SpheresSoA::from_slice(all);
  }();
  return s;
}

const tangor::Pointcloud& cloud() {
  static const tangor::Pointcloud c = [] {
    // Points about one unit apart, radii a few hundredths: a tree that
    // affords each point to few leaves, as a scanned surface gives.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0.0f, 100.0f);
    std::vector<tangor::pointcloud::capt::Point3> points;
    for (std::size_t i = 0; i < kCount; ++i) points.push_back({unit(rng), unit(rng), unit(rng)});
    return std::get<tangor::Pointcloud>(tangor::Pointcloud::try_create(points, {0.01f, 0.05f}, 0.01f));
  }();
  return c;
}

template <class T>
std::string state_of(const T& value) {
  vxpickle::Writer w;
  tangor::serial::write(w, value);
  return w.finish();
}

template <class T>
void encode(benchmark::State& state, const T& value) {
  std::size_t size = 0;
  for (auto _ : state) {
    const std::string bytes = state_of(value);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["bytes_per_item"] = double(size) / double(kCount);
}

template <class T>
void decode(benchmark::State& state, const T& value) {
  const std::string bytes = state_of(value);
  for (auto _ : state) {
    const vxpickle::Document doc = vxpickle::parse(bytes);
    benchmark::DoNotOptimize(tangor::serial::read<T>(doc.root()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_EncodeSpheres(benchmark::State& state) { encode(state, spheres()); }
void BM_DecodeSpheres(benchmark::State& state) { decode(state, spheres()); }
void BM_EncodePointcloud(benchmark::State& state) { encode(state, cloud()); }
void BM_DecodePointcloud(benchmark::State& state) { decode(state, cloud()); }

}  // namespace

BENCHMARK(BM_EncodeSpheres)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSpheres)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePointcloud)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePointcloud)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
