// Cost of the number text forms, the JSON array reader and the value hash on
// Vec3-sized inputs, beside the C library's printf and strtod as references.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "vxformats/json_numbers.hpp"
#include "vxformats/number_text.hpp"
#include "vxformats/siphash.hpp"

namespace {

std::vector<double> sample_values() {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  std::vector<double> values(1024);
  for (double& v : values) v = value(rng);
  return values;
}

template <void (*Append)(std::string&, double)>
void BM_append(benchmark::State& state) {
  const std::vector<double> values = sample_values();
  std::string out;
  std::size_t i = 0;
  for (auto _ : state) {
    out.clear();
    Append(out, values[i++ & 1023]);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_append<vxformats::append_plain>)->Name("append_plain");
BENCHMARK(BM_append<vxformats::append_debug>)->Name("append_debug");
BENCHMARK(BM_append<vxformats::append_json>)->Name("append_json");

void BM_snprintf_reference(benchmark::State& state) {
  const std::vector<double> values = sample_values();
  char text[32];
  std::size_t i = 0;
  for (auto _ : state) {
    std::snprintf(text, sizeof text, "%.17g", values[i++ & 1023]);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_snprintf_reference);

std::vector<std::string> sample_json_arrays() {
  const std::vector<double> values = sample_values();
  std::vector<std::string> texts;
  for (std::size_t i = 0; i + 3 <= values.size(); i += 3) {
    std::string text = "[";
    for (std::size_t k = 0; k < 3; ++k) {
      if (k) text += ',';
      vxformats::append_json(text, values[i + k]);
    }
    texts.push_back(text + "]");
  }
  return texts;
}

void BM_read_json_vec3(benchmark::State& state) {
  const std::vector<std::string> texts = sample_json_arrays();
  std::array<double, 3> out{};
  std::size_t i = 0;
  for (auto _ : state) {
    auto fault = vxformats::read_json_numbers(texts[i++ % texts.size()], out);
    benchmark::DoNotOptimize(fault);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_read_json_vec3);

void BM_read_json_vec3_fault(benchmark::State& state) {
  std::array<double, 3> out{};
  for (auto _ : state) {
    auto fault = vxformats::read_json_numbers("[1.5,2.25]", out);
    benchmark::DoNotOptimize(fault);
  }
}
BENCHMARK(BM_read_json_vec3_fault);

void BM_strtod_three_reference(benchmark::State& state) {
  const std::vector<std::string> texts = sample_json_arrays();
  std::size_t i = 0;
  for (auto _ : state) {
    const char* p = texts[i++ % texts.size()].c_str() + 1;
    char* end = nullptr;
    for (int k = 0; k < 3; ++k) {
      benchmark::DoNotOptimize(std::strtod(p, &end));
      p = end + 1;
    }
  }
}
BENCHMARK(BM_strtod_three_reference);

void BM_hash_vec3(benchmark::State& state) {
  const std::vector<double> values = sample_values();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vxformats::hash_components(&values[(i++ * 3) & 1020], 3));
  }
}
BENCHMARK(BM_hash_vec3);

}  // namespace

BENCHMARK_MAIN();
