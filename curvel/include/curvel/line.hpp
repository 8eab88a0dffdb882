#pragma once

#include "curvel/math/vec3f.hpp"

namespace curvel {

// The line primitives are plain records: the collision library gives them
// their tests and moves. None normalises its direction; a zero direction (or
// start == end) is a legal value.

// The points origin + t·dir for every real t.
struct Line {
  Vec3 origin;
  Vec3 dir;

  friend constexpr bool operator==(const Line&, const Line&) = default;
};

// The points origin + t·dir for t >= 0.
struct Ray {
  Vec3 origin;
  Vec3 dir;

  friend constexpr bool operator==(const Ray&, const Ray&) = default;
};

// The points start + t·(end − start) for 0 <= t <= 1.
struct LineSegment {
  Vec3 start;
  Vec3 end;

  friend constexpr bool operator==(const LineSegment&, const LineSegment&) = default;
};

}  // namespace curvel
