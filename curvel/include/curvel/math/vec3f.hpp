#pragma once

#include <cmath>

#include "curvel/math/scalar.hpp"

namespace curvel {

// Single-precision 3-vector, packed: arrays of it have a 12-byte stride. Every
// formula below fixes its evaluation order; results are reproduced to the bit.
struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  friend constexpr bool operator==(const Vec3&, const Vec3&) = default;
};
static_assert(sizeof(Vec3) == 12);

constexpr Vec3 splat(float v) { return {v, v, v}; }

constexpr Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
constexpr Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Vec3 operator*(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
constexpr Vec3 operator/(Vec3 a, Vec3 b) { return {a.x / b.x, a.y / b.y, a.z / b.z}; }
constexpr Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Vec3 operator*(float s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
constexpr Vec3 operator/(Vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }
constexpr Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }
constexpr Vec3& operator-=(Vec3& a, Vec3 b) { return a = a - b; }
constexpr Vec3& operator*=(Vec3& a, float s) { return a = a * s; }
constexpr Vec3& operator/=(Vec3& a, float s) { return a = a / s; }

// (x·x + y·y) + z·z, left to right.
constexpr float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

constexpr Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, a.x * b.y - b.x * a.y};
}

constexpr float length_squared(Vec3 v) { return dot(v, v); }
inline float length(Vec3 v) { return std::sqrt(length_squared(v)); }
constexpr float distance_squared(Vec3 a, Vec3 b) { return length_squared(a - b); }
inline float distance(Vec3 a, Vec3 b) { return length(a - b); }

// v·(1/|v|): a reciprocal then a product, not a division per component.
inline Vec3 normalize(Vec3 v) { return v * (1.0f / length(v)); }

// A zero, infinite or NaN length gives the zero vector.
inline Vec3 normalize_or_zero(Vec3 v) {
  const float r = 1.0f / length(v);
  if (std::isfinite(r) && r > 0.0f) return v * r;
  return {};
}

constexpr Vec3 min(Vec3 a, Vec3 b) { return {min(a.x, b.x), min(a.y, b.y), min(a.z, b.z)}; }
constexpr Vec3 max(Vec3 a, Vec3 b) { return {max(a.x, b.x), max(a.y, b.y), max(a.z, b.z)}; }
inline Vec3 abs(Vec3 v) { return {std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)}; }
constexpr float min_element(Vec3 v) { return min(min(v.x, v.y), v.z); }
constexpr float max_element(Vec3 v) { return max(max(v.x, v.y), v.z); }

// Component i (0, 1 or 2) without type punning through the struct layout.
constexpr float element(Vec3 v, int i) { return i == 0 ? v.x : (i == 1 ? v.y : v.z); }

inline bool is_finite(Vec3 v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// a + (b − a)·t.
constexpr Vec3 lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

}  // namespace curvel
