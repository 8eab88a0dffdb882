#pragma once

// How far a shape can be from another that one of the collider's exact tests
// reports as touching it: the ground on which the query index may skip a
// member without running its test.
//
// A shape is "well formed" when its fields describe what its tests take it
// to be: finite values, radii and extents not negative, the derived fields
// agreeing with the ones they derive from, orthonormal frames, a polygon
// outline and a polytope's face planes that close around a bounded region.
// For such a shape the reach is a sphere (centre, radius) holding every
// point that a test can use as a witness of contact, and kappa: a test that
// decides by the face planes alone (a polytope) answers true for a centre
// pushed out by s beyond the faces, which lies within radius + kappa·s of
// the centre. Kappa is 1 for every other shape. A shape that is not well
// formed, or that a test reports without a witness (a zero-length cylinder
// against a polytope), has no reach and is never skipped.

#include <optional>

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/point.hpp"
#include "tangor/sphere.hpp"

namespace tangor::collider {

struct Reach {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double radius = 0.0;
  double kappa = 1.0;
};

std::optional<Reach> reach_of(const Sphere& s);
std::optional<Reach> reach_of(const Point& p);
std::optional<Reach> reach_of(const Capsule& c);
std::optional<Reach> reach_of(const Cylinder& c);
std::optional<Reach> reach_of(const Cuboid& b);
std::optional<Reach> reach_of(const curvel::LineSegment& s);
std::optional<Reach> reach_of(const ConvexPolygon& p);
std::optional<Reach> reach_of(const ConvexPolytope& p);

}  // namespace tangor::collider
