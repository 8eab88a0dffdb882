// Double-precision convex distance (GJK) used as an independent oracle by the
// pair tests. Shapes are given as support functions; the answer is the
// distance between the two convex sets, 0 when they overlap.
#pragma once

#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace oracle {

struct D3 {
  double x = 0, y = 0, z = 0;
};
inline D3 operator+(D3 a, D3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline D3 operator-(D3 a) { return {-a.x, -a.y, -a.z}; }
inline D3 operator*(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline D3 cross(D3 a, D3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(D3 a) { return std::sqrt(dot(a, a)); }

using Support = std::function<D3(D3)>;

inline Support points_support(std::vector<D3> pts) {
  return [pts = std::move(pts)](D3 d) {
    D3 best = pts.front();
    double bd = dot(best, d);
    for (const D3& p : pts) {
      double v = dot(p, d);
      if (v > bd) { bd = v; best = p; }
    }
    return best;
  };
}

// Minkowski sum of a support with a ball.
inline Support inflate(Support s, double r) {
  return [s = std::move(s), r](D3 d) {
    double n = norm(d);
    D3 p = s(d);
    return n > 0 ? p + d * (r / n) : p;
  };
}

// A flat disc of radius r about centre c with unit normal a.
inline Support disc_support(D3 c, D3 a, double r) {
  return [=](D3 d) {
    D3 perp = d - a * dot(d, a);
    double n = norm(perp);
    return n > 1e-300 ? c + perp * (r / n) : c;
  };
}

inline Support hull_support(Support a, Support b) {
  return [a = std::move(a), b = std::move(b)](D3 d) {
    D3 pa = a(d), pb = b(d);
    return dot(pa, d) >= dot(pb, d) ? pa : pb;
  };
}

namespace detail {

// Closest point to the origin of the simplex; shrinks the simplex to the
// smallest face that holds that point. Returns false when the origin lies
// inside a full tetrahedron.
inline bool reduce(std::vector<D3>& s, D3& closest) {
  if (s.size() == 1) { closest = s[0]; return true; }
  if (s.size() == 2) {
    D3 a = s[0], b = s[1], ab = b - a;
    double t = -dot(a, ab) / dot(ab, ab);
    if (!(t > 0)) { s = {a}; closest = a; return true; }
    if (t >= 1) { s = {b}; closest = b; return true; }
    closest = a + ab * t;
    return true;
  }
  if (s.size() == 3) {
    // Ericson's closest point on a triangle, with the query at the origin.
    D3 a = s[0], b = s[1], c = s[2];
    D3 ab = b - a, ac = c - a, ap = -a;
    double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) { s = {a}; closest = a; return true; }
    D3 bp = -b;
    double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) { s = {b}; closest = b; return true; }
    double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) {
      double v = d1 / (d1 - d3);
      s = {a, b}; closest = a + ab * v; return true;
    }
    D3 cp = -c;
    double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) { s = {c}; closest = c; return true; }
    double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) {
      double w = d2 / (d2 - d6);
      s = {a, c}; closest = a + ac * w; return true;
    }
    double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
      double w = (d4 - d3) / ((d4 - d3) + (d5 - d6));
      s = {b, c}; closest = b + (c - b) * w; return true;
    }
    double denom = 1.0 / (va + vb + vc);
    double v = vb * denom, w = vc * denom;
    closest = a + ab * v + ac * w;
    return true;
  }
  // Tetrahedron: the closest point lies on a face the origin is outside of.
  const std::array<std::array<int, 4>, 4> faces = {
      {{0, 1, 2, 3}, {0, 2, 3, 1}, {0, 3, 1, 2}, {1, 3, 2, 0}}};
  double best = INFINITY;
  std::vector<D3> best_s;
  D3 best_c;
  bool outside_any = false;
  // A flat tetrahedron holds nothing: its closest point lies on some face.
  const double volume = std::fabs(dot(s[3] - s[0], cross(s[1] - s[0], s[2] - s[0])));
  double scale = 0;
  for (const D3& p : s) scale = std::max(scale, dot(p - s[0], p - s[0]));
  const bool flat = volume <= 1e-12 * std::pow(scale, 1.5);
  for (const auto& f : faces) {
    D3 a = s[f[0]], b = s[f[1]], c = s[f[2]], d = s[f[3]];
    D3 n = cross(b - a, c - a);
    double sign_o = dot(-a, n), sign_d = dot(d - a, n);
    if (flat || sign_o * sign_d < 0) {
      outside_any = true;
      std::vector<D3> tri = {a, b, c};
      D3 cc;
      reduce(tri, cc);
      double dd = dot(cc, cc);
      if (dd < best) { best = dd; best_s = tri; best_c = cc; }
    }
  }
  if (!outside_any) {
    // Confirm by barycentric coordinates before declaring the origin inside.
    const D3 e1 = s[1] - s[0], e2 = s[2] - s[0], e3 = s[3] - s[0], r = -s[0];
    const double det = dot(e1, cross(e2, e3));
    const double u = dot(r, cross(e2, e3)) / det, v = dot(e1, cross(r, e3)) / det, w = dot(e1, cross(e2, r)) / det;
    const double tol = -1e-9;
    if (std::isfinite(u) && u >= tol && v >= tol && w >= tol && 1 - u - v - w >= tol) return false;
    for (const auto& f : faces) {
      std::vector<D3> tri = {s[f[0]], s[f[1]], s[f[2]]};
      D3 cc;
      reduce(tri, cc);
      if (dot(cc, cc) < best) { best = dot(cc, cc); best_s = tri; best_c = cc; }
    }
  }
  s = best_s;
  closest = best_c;
  return true;
}

}  // namespace detail

struct GjkResult {
  bool overlap = false;  // the origin was found inside the Minkowski difference
  double lower = 0;      // a proven lower bound of the distance
  double upper = 0;      // the length of a point of the difference
};

inline GjkResult gjk(const Support& a, const Support& b) {
  auto minkowski = [&](D3 d) { return a(d) - b(-d); };
  D3 v = minkowski({1, 0, 0});
  std::vector<D3> simplex = {v};
  GjkResult r;
  for (int iter = 0; iter < 500; ++iter) {
    const double vv = dot(v, v);
    r.upper = std::sqrt(vv);
    if (vv < 1e-24) {
      r.overlap = true;
      r.lower = 0;
      return r;
    }
    const D3 w = minkowski(-v);
    // Every point of the difference lies beyond the plane through w normal
    // to v: v·w/|v| bounds the distance from below.
    r.lower = std::max(r.lower, dot(v, w) / r.upper);
    if (r.upper - r.lower <= 1e-9 * (1 + r.upper)) return r;
    simplex.push_back(w);
    D3 c;
    if (!detail::reduce(simplex, c)) {
      r.overlap = true;
      r.lower = 0;
      return r;
    }
    if (dot(c, c) >= vv) {
      // No progress from this simplex: restart from the best point alone.
      simplex = {w};
      c = w;
      if (dot(c, c) >= vv) return r;
    }
    v = c;
  }
  return r;
}

// A lower bound of the distance (tight once GJK converges); 0 on overlap.
inline double distance(const Support& a, const Support& b) { return gjk(a, b).lower; }

// Proven overlap of the two sets.
inline bool overlaps(const Support& a, const Support& b) { return gjk(a, b).overlap; }

}  // namespace oracle
