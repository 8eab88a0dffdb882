#include "tangor/convex_polytope/heap.hpp"

#include <cmath>

namespace tangor::convex_polytope::heap {

namespace {

using Sym3 = float[3][3];

// One Jacobi rotation in the (p, q) plane with the angle that zeroes the
// pivot: θ = ½·atan2(2·a_pq, a_qq − a_pp), J_pp = J_qq = c, J_pq = s,
// J_qp = −s, A' = JᵀAJ, V' = VJ.
void jacobi_rotate(Sym3& a, Sym3& v, int p, int q) {
  const float theta = 0.5f * std::atan2(2.0f * a[p][q], a[q][q] - a[p][p]);
  const float c = std::cos(theta);
  const float s = std::sin(theta);
  // A·J touches columns p and q only; then Jᵀ·(A·J) rows p and q only.
  for (int k = 0; k < 3; ++k) {
    const float akp = a[k][p];
    const float akq = a[k][q];
    a[k][p] = c * akp - s * akq;
    a[k][q] = s * akp + c * akq;
  }
  for (int k = 0; k < 3; ++k) {
    const float apk = a[p][k];
    const float aqk = a[q][k];
    a[p][k] = c * apk - s * aqk;
    a[q][k] = s * apk + c * aqk;
  }
  for (int k = 0; k < 3; ++k) {
    const float vkp = v[k][p];
    const float vkq = v[k][q];
    v[k][p] = c * vkp - s * vkq;
    v[k][q] = s * vkp + c * vkq;
  }
}

}  // namespace

Cuboid principal_axes_box(std::span<const Vec3> points) {
  if (points.empty()) return Cuboid{};
  const float n = static_cast<float>(points.size());
  Vec3 sum;
  for (const Vec3& p : points) sum += p;
  const Vec3 mean = sum / n;

  Sym3 a = {};
  for (const Vec3& p : points) {
    const Vec3 d = p - mean;
    const float c[3] = {d.x, d.y, d.z};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) a[i][j] += c[i] * c[j];
  }
  for (auto& row : a)
    for (float& x : row) x /= n;

  Sym3 v = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
  for (int iter = 0; iter < 50; ++iter) {
    // Ties keep the earlier element: a01, then a02, then a12.
    int p = 0, q = 1;
    float pivot = std::fabs(a[0][1]);
    if (std::fabs(a[0][2]) > pivot) {
      p = 0, q = 2;
      pivot = std::fabs(a[0][2]);
    }
    if (std::fabs(a[1][2]) > pivot) {
      p = 1, q = 2;
      pivot = std::fabs(a[1][2]);
    }
    if (pivot < 1e-10f) break;
    jacobi_rotate(a, v, p, q);
  }

  std::array<Vec3, 3> axes;
  for (int k = 0; k < 3; ++k) axes[k] = curvel::normalize_or_zero(Vec3{v[0][k], v[1][k], v[2][k]});
  std::array<float, 3> half{};
  Vec3 center;
  for (int k = 0; k < 3; ++k) {
    float lo = dot(points.front(), axes[k]);
    float hi = lo;
    for (const Vec3& p : points) {
      const float s = dot(p, axes[k]);
      lo = min(lo, s);
      hi = max(hi, s);
    }
    half[k] = (hi - lo) * 0.5f;
    center += axes[k] * ((lo + hi) * 0.5f);
  }
  return Cuboid::create(center, axes, half);
}

ConvexPolytope ConvexPolytope::create(std::vector<Plane> planes, std::vector<Vec3> vertices) {
  Cuboid obb = principal_axes_box(vertices);
  return {std::move(planes), std::move(vertices), obb};
}

}  // namespace tangor::convex_polytope::heap

namespace tangor {

void Transformable<ConvexPolytope>::translate(ConvexPolytope& p, Vec3 t) {
  for (Plane& plane : p.planes) Transformable<Plane>::translate(plane, t);
  for (Vec3& v : p.vertices) v += t;
  Transformable<Cuboid>::translate(p.obb, t);
}

void Transformable<ConvexPolytope>::rotate_quat(ConvexPolytope& p, Quat q) {
  for (Plane& plane : p.planes) Transformable<Plane>::rotate_quat(plane, q);
  for (Vec3& v : p.vertices) v = curvel::rotate(q, v);
  Transformable<Cuboid>::rotate_quat(p.obb, q);
}

void Transformable<ConvexPolytope>::rotate_mat(ConvexPolytope& p, const Mat3& m) {
  for (Plane& plane : p.planes) Transformable<Plane>::rotate_mat(plane, m);
  for (Vec3& v : p.vertices) v = m * v;
  Transformable<Cuboid>::rotate_mat(p.obb, m);
}

void Transformable<ConvexPolytope>::transform(ConvexPolytope& p, const Affine3& a) {
  for (Plane& plane : p.planes) Transformable<Plane>::transform(plane, a);
  for (Vec3& v : p.vertices) v = curvel::transform_point(a, v);
  Transformable<Cuboid>::transform(p.obb, a);
}

void Transformable<ConvexPolytope>::scale(ConvexPolytope& p, float f) {
  for (Plane& plane : p.planes) plane.d *= f;
  for (Vec3& v : p.vertices) v *= f;
  // The box scales about the world origin with the vertices, or it would no
  // longer bound them.
  p.obb.center *= f;
  Transformable<Cuboid>::scale(p.obb, f);
}

}  // namespace tangor
