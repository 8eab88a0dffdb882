#pragma once
// The volume a shape sweeps when it moves along a translation t, as the list
// of Shape variant objects that covers it: one shape for every kind but a
// capsule or cylinder swept across its axis, which gives four capsules (its
// edges) and then the polytope slab between them. Point clouds have none.
#include <vector>

#include "shapes/shape_union.hpp"

namespace vx::shapes {

using Sweep = std::vector<ShapeVariant>;

Sweep stretch(const tangor::Sphere& s, curvel::Vec3 t);
Sweep stretch(const tangor::Capsule& c, curvel::Vec3 t);
Sweep stretch(const tangor::Cuboid& b, curvel::Vec3 t);
Sweep stretch(const tangor::Cylinder& c, curvel::Vec3 t);
Sweep stretch(const tangor::ConvexPolytope& p, curvel::Vec3 t);
Sweep stretch(const tangor::ConvexPolygon& p, curvel::Vec3 t);
Sweep stretch(const curvel::Line& l, curvel::Vec3 t);
Sweep stretch(const curvel::Ray& r, curvel::Vec3 t);
Sweep stretch(const curvel::LineSegment& s, curvel::Vec3 t);
Sweep stretch(const tangor::Plane& p, curvel::Vec3 t);

}  // namespace vx::shapes
