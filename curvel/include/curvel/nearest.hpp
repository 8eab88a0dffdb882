#pragma once

#include "curvel/math/vec3f.hpp"

namespace curvel {

// The answer of a nearest-point search. A curve with no points yields
// t = 0, point = 0 and an infinite dist_sq, which is how callers tell that
// nothing was found.
struct Nearest {
  float t = 0.0f;
  Vec3 point;
  float dist_sq = INF;

  friend constexpr bool operator==(const Nearest&, const Nearest&) = default;
};

}  // namespace curvel
