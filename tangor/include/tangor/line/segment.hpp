#pragma once

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/traits.hpp"

namespace tangor {

// Slab clipping over [0, 1]. Exact.
template <>
struct Collides<curvel::LineSegment, Cuboid> {
  static bool test(const curvel::LineSegment& s, const Cuboid& b);
};

// The segments within the capsule's radius. Exact.
template <>
struct Collides<curvel::LineSegment, Capsule> {
  static bool test(const curvel::LineSegment& s, const Capsule& c);
};

}  // namespace tangor
