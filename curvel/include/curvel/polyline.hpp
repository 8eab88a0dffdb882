#pragma once

#include <vector>

#include "curvel/curve.hpp"
#include "curvel/math/vec3f.hpp"
#include "curvel/nearest.hpp"

namespace curvel {

// Straight segments between consecutive points; each segment spans an equal
// share 1/(n − 1) of the parameter, whatever its length.
struct Polyline {
  std::vector<Vec3> points;

  friend bool operator==(const Polyline&, const Polyline&) = default;
};

Vec3 point(const Polyline& curve, float t);
Vec3 velocity(const Polyline& curve, float t);
Vec3 acceleration(const Polyline& curve, float t);

// Exact lengths: the sum of the segment lengths, and that sum up to t.
float arc_length(const Polyline& curve);
float arc_length_to(const Polyline& curve, float t);
float t_at_distance(const Polyline& curve, float s);

// Exact: the projection onto every segment, the earliest of equals winning.
Nearest nearest(const Polyline& curve, Vec3 query);

Polyline subcurve(const Polyline& curve, float t0, float t1);

}  // namespace curvel
