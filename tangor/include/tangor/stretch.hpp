#pragma once

#include <array>
#include <variant>

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"

// Swept shapes: the volume a shape covers when it moves by s·t for s in
// [0, 1]. A sweep gives the same kind back when t runs along the shape's own
// direction (cheap and exact), otherwise another kind; every result contains
// the swept volume.
namespace tangor::sweep {

// The far extent that stands for infinity along a line or a ray.
inline constexpr float FAR_EXTENT = 1e12f;

// A capsule or cylinder swept across its axis: the slab of thickness 2·radius
// over the swept parallelogram p1, p2, p2 + t, p1 + t, and the capsules along
// its four edges, in the order (p1, p2), (p1 + t, p2 + t), (p1, p1 + t),
// (p2, p2 + t).
struct SweptSlab {
  ConvexPolytope slab;
  std::array<Capsule, 4> edges;

  friend bool operator==(const SweptSlab&, const SweptSlab&) = default;
};

// The two alternatives of a sweep: the same kind, or another form.
template <class Same, class Other>
using Swept = std::variant<Same, Other>;

// A sphere has no stretch of its own: it stays itself for a t without a
// direction, else becomes the capsule from its centre to centre + t.
Swept<Sphere, Capsule> stretch_sphere(const Sphere& sphere, Vec3 t);

// A half-space moves its offset only toward its outside.
Plane stretch_plane(const Plane& plane, Vec3 t);

// The strip that a line (from = −FAR_EXTENT) or a ray (from = 0) of
// direction d sweeps along t, not parallel to d: a quad reaching FAR_EXTENT
// along the line, centred at origin + t/2.
ConvexPolygon swept_strip(Vec3 origin, Vec3 d, Vec3 t, float from);

// True when |a × t|² < 1e-10 (raw vectors, not normalised).
bool is_parallel(Vec3 a, Vec3 t);

}  // namespace tangor::sweep

namespace tangor {

template <>
struct Stretchable<curvel::Line> {
  static sweep::Swept<curvel::Line, ConvexPolygon> stretch(const curvel::Line& line, Vec3 t);
};
template <>
struct Stretchable<curvel::Ray> {
  static sweep::Swept<curvel::Ray, ConvexPolygon> stretch(const curvel::Ray& ray, Vec3 t);
};
template <>
struct Stretchable<curvel::LineSegment> {
  static sweep::Swept<curvel::LineSegment, ConvexPolygon> stretch(const curvel::LineSegment& segment, Vec3 t);
};
template <>
struct Stretchable<Capsule> {
  static sweep::Swept<Capsule, sweep::SweptSlab> stretch(const Capsule& capsule, Vec3 t);
};
template <>
struct Stretchable<Cylinder> {
  static sweep::Swept<Cylinder, sweep::SweptSlab> stretch(const Cylinder& cylinder, Vec3 t);
};
template <>
struct Stretchable<Cuboid> {
  static sweep::Swept<Cuboid, ConvexPolytope> stretch(const Cuboid& box, Vec3 t);
};
// Within the plane (|t·normal| < 1e-6) the hull of the old and new outlines;
// across it a prism.
template <>
struct Stretchable<ConvexPolygon> {
  static sweep::Swept<ConvexPolygon, ConvexPolytope> stretch(const ConvexPolygon& polygon, Vec3 t);
};
template <>
struct Stretchable<ConvexPolytope> {
  static ConvexPolytope stretch(const ConvexPolytope& polytope, Vec3 t);
};

}  // namespace tangor
