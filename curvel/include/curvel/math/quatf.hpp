#pragma once

#include "curvel/math/vec3f.hpp"

namespace curvel {

// Single-precision quaternion x·i + y·j + z·k + w. Nothing normalises it: a
// non-unit quaternion scales as well as rotates.
struct Quat {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 1.0f;

  friend constexpr bool operator==(const Quat&, const Quat&) = default;
};

constexpr Vec3 vector_part(Quat q) { return {q.x, q.y, q.z}; }

// v' = v·(w² − b·b) + b·(2·(b·v)) + (b × v)·(2w), with b the vector part.
constexpr Vec3 rotate(Quat q, Vec3 v) {
  const Vec3 b = vector_part(q);
  const float w = q.w;
  return v * (w * w - dot(b, b)) + b * (2.0f * dot(b, v)) + cross(b, v) * (2.0f * w);
}

}  // namespace curvel
