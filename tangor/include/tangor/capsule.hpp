#pragma once

#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"

namespace tangor::capsule {

// The derived fields that a capsule and a cylinder share.
struct AxisDerived {
  float rdv = 0.0f;
  bool z_aligned = true;
};

// rdv = 1/(dir·dir) above EPS (a NaN dir fails the comparison and gives 0);
// z_aligned when dir.x and dir.y compare equal to 0.
AxisDerived derive_axis(Vec3 dir);

// The points within `radius` of the segment p1 .. p1 + dir.
struct Capsule {
  Vec3 p1;
  Vec3 dir;
  float radius = 0.0f;
  float rdv = 0.0f;     // derived
  bool z_aligned = true;  // derived

  static Capsule create(Vec3 p1, Vec3 p2, float radius);

  // Centre p1 + dir·0.5, radius L·0.5 + radius (L = |dir.z| when z_aligned).
  Sphere broadphase() const;

  friend bool operator==(const Capsule&, const Capsule&) = default;
};

// Squared distance between the segments p1 + s·d1 and p2 + u·d2, s, u in [0, 1].
float segment_segment_dist_sq(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2);

// The segments (p1, d1) and (p2, d2) within `reach` of each other (touching
// counts, NaN never does): the rule of two capsules, and of two cylinders
// taken as the capsules about their axes.
bool axes_within(Vec3 p1, Vec3 d1, Vec3 p2, Vec3 d2, float reach);

// Bounding-sphere reject, then the axis segments within the sum of radii.
bool capsule_capsule_collides(const Capsule& a, const Capsule& b);
// The same without the reject, for callers that ran their own broad phase.
bool capsule_capsule_collides_query(const Capsule& a, const Capsule& b);

// A line kind against the capsule: the piece within `radius` of the axis.
bool line_capsule_collides(const util::LinePiece& l, const Capsule& c);

// The bounding sphere of the axis shapes: centre p1 + dir·0.5, radius
// L·0.5 + radius. Shared by Capsule and Cylinder.
Sphere axis_broadphase(Vec3 p1, Vec3 dir, float radius, bool z_aligned);
// Their world box: the end points' coordinates widened by the radius.
cuboid::Cuboid axis_aabb(Vec3 p1, Vec3 dir, float radius);

}  // namespace tangor::capsule

namespace tangor {

using capsule::Capsule;

// The moves of the two axis shapes (capsule and cylinder), which share their
// fields and their rules.
template <class S>
struct AxisShapeMoves {
  static void translate(S& s, Vec3 t) { s.p1 += t; }
  static void rotate_quat(S& s, Quat q) {
    s.p1 = curvel::rotate(q, s.p1);
    s.dir = curvel::rotate(q, s.dir);
    s.z_aligned = capsule::derive_axis(s.dir).z_aligned;
  }
  static void rotate_mat(S& s, const Mat3& m) {
    s.p1 = m * s.p1;
    s.dir = m * s.dir;
    s.z_aligned = capsule::derive_axis(s.dir).z_aligned;
  }
  static void transform(S& s, const Affine3& a) {
    s.p1 = curvel::transform_point(a, s.p1);
    s.dir = curvel::transform_vector(a, s.dir);
    const capsule::AxisDerived d = capsule::derive_axis(s.dir);
    s.rdv = d.rdv;
    s.z_aligned = d.z_aligned;
  }
  static void scale(S& s, float f) {
    s.dir *= f;
    s.radius *= f;
    s.rdv = capsule::derive_axis(s.dir).rdv;
  }
};

template <>
struct Transformable<Capsule> : AxisShapeMoves<Capsule> {};

template <>
struct Bounded<Capsule> {
  static Sphere broadphase(const Capsule& c) { return c.broadphase(); }
  static cuboid::Cuboid aabb(const Capsule& c);
};

}  // namespace tangor
