#pragma once

#include <array>

#include "tangor/capsule.hpp"
#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"

namespace tangor::cuboid {

inline constexpr std::array<Vec3, 3> IDENTITY_AXES{Vec3{1.0f, 0.0f, 0.0f}, Vec3{0.0f, 1.0f, 0.0f},
                                                   Vec3{0.0f, 0.0f, 1.0f}};

// An oriented box. `axes` are expected unit and orthogonal (not enforced).
struct Cuboid {
  Vec3 center;
  std::array<Vec3, 3> axes = IDENTITY_AXES;
  std::array<float, 3> half_extents{};
  // Derived: the six off-diagonal axis components compare equal to 0 (either
  // zero; NaN makes it false). The diagonal is not looked at.
  bool axis_aligned = true;

  static Cuboid create(Vec3 center, const std::array<Vec3, 3>& axes,
                       const std::array<float, 3>& half_extents);

  // Squared distance from p to the solid box, 0 inside or on it.
  float point_dist_sq(Vec3 p) const;

  // |half_extents| as a vector: the radius of the box's bounding sphere.
  float half_diagonal() const;

  friend bool operator==(const Cuboid&, const Cuboid&) = default;
};

bool is_axis_aligned(const std::array<Vec3, 3>& axes);

// Coordinates of a world offset in the box frame; the offset itself when the
// box is axis_aligned.
Vec3 to_box_frame(const Cuboid& b, Vec3 rel);

// The world-axis box from lo to hi: centre (lo + hi)·0.5, half extents
// (hi − lo)·0.5.
Cuboid aabb_from_bounds(Vec3 lo, Vec3 hi);

// Separating axes with 1e-6 added to every absolute rotation entry; the
// world axes alone when both boxes are axis_aligned.
bool cuboids_collide(const Cuboid& a, const Cuboid& b);

// Capsule against box: exact when the capsule is z_aligned and the box
// axis_aligned; otherwise the segment's ends and face-plane crossings are
// sampled first and, when none of them is within the radius, the exact
// segment-to-box distance decides. No overlap is missed, and every hit of the
// samples stands.
bool capsule_cuboid_collides(const capsule::Capsule& c, const Cuboid& b);
// The same without the bounding-sphere reject, for callers that ran their
// own broad phase; the answers are the same.
bool capsule_cuboid_collides_query(const capsule::Capsule& c, const Cuboid& b);

// The segment q + t·v (t in [0, 1]), in the box frame, against the box of
// half extents h: true when the segment's ends or its face-plane crossings
// lie within radius of the box. A sample is a point of the segment, so a hit
// is real; an approach closest between samples is missed.
bool sampled_segment_box_hit(Vec3 q, Vec3 v, const std::array<float, 3>& h, float radius);

// Squared distance between the segment q + t·v (t in [0, 1]), in the box
// frame, and the box of half extents h; 0 when the segment enters it.
float segment_box_dist_sq(Vec3 q, Vec3 v, const std::array<float, 3>& h);

// The segment within radius of the box: the samples, then the exact distance.
bool segment_box_within(Vec3 q, Vec3 v, const std::array<float, 3>& h, float radius);

}  // namespace tangor::cuboid

namespace tangor {

using cuboid::Cuboid;

template <>
struct Transformable<Cuboid> {
  static void translate(Cuboid& b, Vec3 t) { b.center += t; }
  static void rotate_quat(Cuboid& b, Quat q);
  static void rotate_mat(Cuboid& b, const Mat3& m);
  static void transform(Cuboid& b, const Affine3& a);
  static void scale(Cuboid& b, float f);
};

template <>
struct Bounded<Cuboid> {
  static Sphere broadphase(const Cuboid& b) { return {b.center, b.half_diagonal()}; }
  static Cuboid aabb(const Cuboid& b);
};

}  // namespace tangor
