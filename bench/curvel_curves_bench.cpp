// Cost of the curve operations on a cubic Bezier and a 16-point spline, beside
// plain scalar references measured in the same run.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "curvel/bezier.hpp"
#include "curvel/spline.hpp"

namespace {

using curvel::CubicBezier;
using curvel::Spline;
using curvel::Vec3;

Vec3 random_point(std::mt19937& rng) {
  std::uniform_real_distribution<float> coord(-5.0f, 5.0f);
  return {coord(rng), coord(rng), coord(rng)};
}

CubicBezier make_cubic() {
  std::mt19937 rng(1);
  CubicBezier curve;
  for (Vec3& p : curve.points) p = random_point(rng);
  return curve;
}

Spline make_spline() {
  std::mt19937 rng(2);
  Spline curve;
  for (int k = 0; k < 16; ++k) curve.points.push_back(random_point(rng));
  return curve;
}

// Reference: the cubic in Bernstein form, no de Casteljau.
Vec3 bernstein_point(const CubicBezier& c, float t) {
  const float u = 1.0f - t;
  const float b0 = u * u * u, b1 = 3.0f * u * u * t, b2 = 3.0f * u * t * t, b3 = t * t * t;
  return c.points[0] * b0 + c.points[1] * b1 + c.points[2] * b2 + c.points[3] * b3;
}

// Reference: arc length as the sum of 1000 chords.
template <class C>
float chord_length(const C& curve) {
  float total = 0.0f;
  Vec3 previous = point(curve, 0.0f);
  for (int k = 1; k <= 1000; ++k) {
    const Vec3 next = point(curve, static_cast<float>(k) / 1000.0f);
    total += curvel::distance(previous, next);
    previous = next;
  }
  return total;
}

// Reference: the best of 1000 uniform samples.
template <class C>
float brute_force_nearest(const C& curve, Vec3 q) {
  float best = curvel::INF;
  for (int k = 0; k <= 1000; ++k)
    best = curvel::min(best, curvel::distance_squared(q, point(curve, static_cast<float>(k) / 1000.0f)));
  return best;
}

// The parameter drifts with every call so nothing is hoisted out of the loop.
template <class C>
void eval_point(benchmark::State& state, const C& curve) {
  float t = 0.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(point(curve, t));
    t += 0.0001f;
    if (t > 1.0f) t = 0.0f;
  }
}

void BM_CubicPoint(benchmark::State& state) { eval_point(state, make_cubic()); }
void BM_CubicPointBernsteinReference(benchmark::State& state) {
  const CubicBezier curve = make_cubic();
  float t = 0.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(bernstein_point(curve, t));
    t += 0.0001f;
    if (t > 1.0f) t = 0.0f;
  }
}
void BM_CubicArcLength(benchmark::State& state) {
  CubicBezier curve = make_cubic();
  for (auto _ : state) {
    benchmark::DoNotOptimize(curve);
    benchmark::DoNotOptimize(arc_length(curve));
  }
}
void BM_CubicArcLengthChordReference(benchmark::State& state) {
  CubicBezier curve = make_cubic();
  for (auto _ : state) {
    benchmark::DoNotOptimize(curve);
    benchmark::DoNotOptimize(chord_length(curve));
  }
}
void BM_CubicTAtDistance(benchmark::State& state) {
  const CubicBezier curve = make_cubic();
  const float L = arc_length(curve);
  float s = 0.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t_at_distance(curve, s));
    s += 0.37f * L;
    if (s > L) s -= L;
  }
}
void BM_CubicNearest(benchmark::State& state) {
  const CubicBezier curve = make_cubic();
  std::mt19937 rng(3);
  const Vec3 q = random_point(rng);
  for (auto _ : state) {
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(sampled_nearest(curve, q));
  }
}
void BM_CubicNearestBruteForceReference(benchmark::State& state) {
  const CubicBezier curve = make_cubic();
  std::mt19937 rng(3);
  const Vec3 q = random_point(rng);
  for (auto _ : state) {
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(brute_force_nearest(curve, q));
  }
}

void BM_SplinePoint(benchmark::State& state) { eval_point(state, make_spline()); }
void BM_SplineArcLength(benchmark::State& state) {
  Spline curve = make_spline();
  for (auto _ : state) {
    benchmark::DoNotOptimize(curve.points.data());
    benchmark::DoNotOptimize(arc_length(curve));
  }
}
void BM_SplineArcLengthChordReference(benchmark::State& state) {
  Spline curve = make_spline();
  for (auto _ : state) {
    benchmark::DoNotOptimize(curve.points.data());
    benchmark::DoNotOptimize(chord_length(curve));
  }
}
void BM_SplineNearest(benchmark::State& state) {
  const Spline curve = make_spline();
  std::mt19937 rng(4);
  const Vec3 q = random_point(rng);
  for (auto _ : state) {
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(nearest(curve, q));
  }
}
void BM_SplineNearestBruteForceReference(benchmark::State& state) {
  const Spline curve = make_spline();
  std::mt19937 rng(4);
  const Vec3 q = random_point(rng);
  for (auto _ : state) {
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(brute_force_nearest(curve, q));
  }
}

BENCHMARK(BM_CubicPoint);
BENCHMARK(BM_CubicPointBernsteinReference);
BENCHMARK(BM_CubicArcLength);
BENCHMARK(BM_CubicArcLengthChordReference);
BENCHMARK(BM_CubicTAtDistance);
BENCHMARK(BM_CubicNearest);
BENCHMARK(BM_CubicNearestBruteForceReference);
BENCHMARK(BM_SplinePoint);
BENCHMARK(BM_SplineArcLength);
BENCHMARK(BM_SplineArcLengthChordReference);
BENCHMARK(BM_SplineNearest);
BENCHMARK(BM_SplineNearestBruteForceReference);

}  // namespace

BENCHMARK_MAIN();
