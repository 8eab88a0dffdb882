#pragma once

// Double-precision references the curve tests measure the library against.

#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <random>
#include <vector>

#include "curvel/math/vec3f.hpp"

namespace curvel::reference {

struct DVec3 {
  double x = 0, y = 0, z = 0;
};

inline DVec3 widen(Vec3 v) { return {v.x, v.y, v.z}; }
inline double norm(DVec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
inline double dist(DVec3 a, DVec3 b) { return norm({a.x - b.x, a.y - b.y, a.z - b.z}); }

// Bernstein form of a Bezier curve and its derivative.
template <std::size_t N>
DVec3 bezier_point(const std::array<Vec3, N>& p, double t) {
  const double u = 1 - t;
  DVec3 r;
  const int n = static_cast<int>(N) - 1;
  double binomial = 1;  // n choose k
  for (int k = 0; k <= n; ++k) {
    double b = binomial;
    for (int j = 0; j < n - k; ++j) b *= u;
    for (int j = 0; j < k; ++j) b *= t;
    r.x += b * p[k].x;
    r.y += b * p[k].y;
    r.z += b * p[k].z;
    binomial = binomial * (n - k) / (k + 1);
  }
  return r;
}

template <std::size_t N>
DVec3 bezier_velocity(const std::array<Vec3, N>& p, double t) {
  std::array<Vec3, N - 1> d{};
  for (std::size_t k = 0; k + 1 < N; ++k) d[k] = p[k + 1] - p[k];
  DVec3 r = bezier_point(d, t);
  const double n = static_cast<double>(N - 1);
  return {r.x * n, r.y * n, r.z * n};
}

// Adaptive Simpson quadrature to a tight absolute tolerance.
inline double simpson_step(const std::function<double(double)>& f, double a, double b, double fa,
                           double fm, double fb, double whole, double tol, int depth) {
  const double m = (a + b) / 2, lm = (a + m) / 2, rm = (m + b) / 2;
  const double flm = f(lm), frm = f(rm);
  const double left = (m - a) / 6 * (fa + 4 * flm + fm);
  const double right = (b - m) / 6 * (fm + 4 * frm + fb);
  if (depth <= 0 || std::fabs(left + right - whole) <= 15 * tol)
    return left + right + (left + right - whole) / 15;
  return simpson_step(f, a, m, fa, flm, fm, left, tol / 2, depth - 1) +
         simpson_step(f, m, b, fm, frm, fb, right, tol / 2, depth - 1);
}

inline double integrate(const std::function<double(double)>& f, double a, double b) {
  const double fa = f(a), fb = f(b), fm = f((a + b) / 2);
  return simpson_step(f, a, b, fa, fm, fb, (b - a) / 6 * (fa + 4 * fm + fb), 1e-10, 30);
}

inline Vec3 random_point(std::mt19937& rng, float extent = 5.0f) {
  std::uniform_real_distribution<float> coord(-extent, extent);
  return {coord(rng), coord(rng), coord(rng)};
}

// Smallest squared distance from q to point(t) over a dense uniform sampling.
template <class PointAt>
double brute_force_nearest(PointAt point_at, Vec3 q, int samples) {
  double best = INFINITY;
  for (int k = 0; k <= samples; ++k) {
    const DVec3 p = point_at(static_cast<double>(k) / samples);
    const double d = dist(p, widen(q));
    best = std::min(best, d * d);
  }
  return best;
}

}  // namespace curvel::reference
