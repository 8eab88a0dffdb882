// The collider of the volume swept along one translation: every member
// replaced by its swept shape or shapes, sorted into the collections of
// their kinds. Point clouds have no swept form.

#include <variant>

#include "tangor/collider.hpp"
#include "tangor/stretch.hpp"

namespace tangor {

namespace {

// Appends each alternative of a sweep to the collection of its own kind; the
// mask and the bound are derived once at the end. A slab comes with the
// capsules along its edges, which go first.
struct SweptInto {
  Collider<NoPcl>& out;

  void operator()(const Sphere& s) const { out.spheres.push(s); }
  void operator()(const Capsule& c) const { out.capsules.push(c); }
  void operator()(const Cuboid& b) const { out.cuboids.push(b); }
  void operator()(const Cylinder& c) const { out.cylinders.push(c); }
  void operator()(const ConvexPolytope& p) const { out.polytopes.push(p); }
  void operator()(const ConvexPolygon& p) const { out.polygons.push(p); }
  void operator()(const Plane& p) const { out.planes.push_back(p); }
  void operator()(const curvel::Line& l) const { out.lines.push_back(l); }
  void operator()(const curvel::Ray& r) const { out.rays.push_back(r); }
  void operator()(const curvel::LineSegment& s) const { out.segments.push(s); }
  void operator()(const sweep::SweptSlab& slab) const {
    for (const Capsule& edge : slab.edges) out.capsules.push(edge);
    out.polytopes.push(slab.slab);
  }
};

template <class Items, class Sweep>
void sweep_items(const Items& items, Sweep&& sweep_one) {
  for (const auto& item : items) sweep_one(item);
}

}  // namespace

template <class PCL>
std::optional<Collider<NoPcl>> Collider<PCL>::try_stretch(Vec3 t) const {
  if (!pointclouds.items.empty()) return std::nullopt;
  Collider<NoPcl> out;
  const SweptInto into{out};
  const auto stretch_each = [&](const auto& items) {
    sweep_items(items, [&](const auto& item) {
      using Item = std::remove_cvref_t<decltype(item)>;
      std::visit(into, Stretchable<Item>::stretch(item, t));
    });
  };

  for (std::size_t i = 0; i < spheres.len; ++i) std::visit(into, sweep::stretch_sphere(spheres.sphere(i), t));
  stretch_each(capsules.items);
  stretch_each(cuboids.items);
  stretch_each(cylinders.items);
  for (const ConvexPolytope& polytope : polytopes.items) into(Stretchable<ConvexPolytope>::stretch(polytope, t));
  for (const Plane& plane : planes) into(sweep::stretch_plane(plane, t));
  stretch_each(polygons.items);
  // A point always becomes a segment, a zero-length one for t = 0.
  for (const Point& point : points.items) into(curvel::LineSegment{point.position, point.position + t});
  stretch_each(lines);
  stretch_each(rays);
  stretch_each(segments.items);

  // One bound for the whole result rather than one merge per member.
  out.rebuild_bounding();
  return out;
}

template std::optional<Collider<NoPcl>> Collider<Pointcloud>::try_stretch(Vec3) const;
template std::optional<Collider<NoPcl>> Collider<NoPcl>::try_stretch(Vec3) const;

}  // namespace tangor
