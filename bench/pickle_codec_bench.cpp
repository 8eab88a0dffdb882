// The pickled state is written on every pickle and copy and read on every
// unpickle: the value types' fixed stream, a small shape record, and a long
// list as a collider or point cloud carries it.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"
#include "vxpickle/writer.hpp"

namespace {

std::string sphere_state() {
  vxpickle::Writer w;
  w.begin_record();
  w.field("center");
  w.begin_tuple();
  w.f32(1.0f);
  w.f32(2.0f);
  w.f32(3.0f);
  w.end_tuple();
  w.field("radius");
  w.f32(0.5f);
  w.end_record();
  return w.finish();
}

void encode_vec3(benchmark::State& state) {
  const std::array<double, 3> v{1.0, 2.0, 3.0};
  for (auto _ : state) benchmark::DoNotOptimize(vxpickle::encode_f64_components(v));
}
BENCHMARK(encode_vec3);

void decode_vec3(benchmark::State& state) {
  const std::array<double, 3> v{1.0, 2.0, 3.0};
  const std::string stream = vxpickle::encode_f64_components(v);
  std::array<double, 3> out{};
  for (auto _ : state) {
    vxpickle::decode_f64_components(stream, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(decode_vec3);

void encode_sphere(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(sphere_state());
}
BENCHMARK(encode_sphere);

void decode_sphere(benchmark::State& state) {
  const std::string stream = sphere_state();
  static constexpr vxpickle::Field fields[] = {{"center"}, {"radius"}};
  for (auto _ : state) {
    const vxpickle::Document doc = vxpickle::parse(stream);
    std::array<float, 3> center{};
    float radius = 0;
    vxpickle::read_record(doc.root(), {"Sphere", fields}, [&](std::size_t i, const vxpickle::Value& f) {
      if (i == 0) center = vxpickle::read_vec3(f);
      else radius = vxpickle::read_f32(f);
    });
    benchmark::DoNotOptimize(center);
    benchmark::DoNotOptimize(radius);
  }
}
BENCHMARK(decode_sphere);

void decode_point_list(benchmark::State& state) {
  vxpickle::Writer w;
  w.begin_list();
  for (int i = 0; i < state.range(0); ++i) {
    w.begin_tuple();
    w.f32(static_cast<float>(i));
    w.f32(0.5f);
    w.f32(-1.0f);
    w.end_tuple();
  }
  w.end_list();
  const std::string stream = w.finish();
  for (auto _ : state) {
    const vxpickle::Document doc = vxpickle::parse(stream);
    benchmark::DoNotOptimize(vxpickle::read_vector<std::array<float, 3>>(doc.root(), vxpickle::read_vec3));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(decode_point_list)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
