#include "shapes/stretch.hpp"

#include "tangor/stretch.hpp"

namespace vx::shapes {
namespace {

// The one shape of a sweep that answers with the same kind or another.
template <class Same, class Other>
Sweep one_of(std::variant<Same, Other> swept) {
    Sweep out;
    out.reserve(1);
    if (Same* same = std::get_if<Same>(&swept))
        out.push_back({AnyShape(std::move(*same))});
    else
        out.push_back({AnyShape(std::move(*std::get_if<Other>(&swept)))});
    return out;
}

// The edges first, in the library's order, then the slab.
template <class AxisShape>
Sweep axis_sweep(std::variant<AxisShape, tangor::sweep::SweptSlab> swept) {
    Sweep out;
    if (AxisShape* same = std::get_if<AxisShape>(&swept)) {
        out.push_back({AnyShape(std::move(*same))});
        return out;
    }
    tangor::sweep::SweptSlab& slab = *std::get_if<tangor::sweep::SweptSlab>(&swept);
    out.reserve(slab.edges.size() + 1);
    for (const tangor::Capsule& edge : slab.edges) out.push_back({AnyShape(edge)});
    out.push_back({AnyShape(std::move(slab.slab))});
    return out;
}

template <class V>
Sweep library_sweep(const V& shape, curvel::Vec3 t) {
    return one_of(tangor::Stretchable<V>::stretch(shape, t));
}

}  // namespace

Sweep stretch(const tangor::Sphere& s, curvel::Vec3 t) { return one_of(tangor::sweep::stretch_sphere(s, t)); }
Sweep stretch(const tangor::Capsule& c, curvel::Vec3 t) {
    return axis_sweep(tangor::Stretchable<tangor::Capsule>::stretch(c, t));
}
Sweep stretch(const tangor::Cylinder& c, curvel::Vec3 t) {
    return axis_sweep(tangor::Stretchable<tangor::Cylinder>::stretch(c, t));
}
Sweep stretch(const tangor::Cuboid& b, curvel::Vec3 t) { return library_sweep(b, t); }
Sweep stretch(const tangor::ConvexPolytope& p, curvel::Vec3 t) {
    Sweep out;
    out.push_back({AnyShape(tangor::Stretchable<tangor::ConvexPolytope>::stretch(p, t))});
    return out;
}
Sweep stretch(const tangor::ConvexPolygon& p, curvel::Vec3 t) { return library_sweep(p, t); }
Sweep stretch(const curvel::Line& l, curvel::Vec3 t) { return library_sweep(l, t); }
Sweep stretch(const curvel::Ray& r, curvel::Vec3 t) { return library_sweep(r, t); }
Sweep stretch(const curvel::LineSegment& s, curvel::Vec3 t) { return library_sweep(s, t); }
Sweep stretch(const tangor::Plane& p, curvel::Vec3 t) {
    Sweep out;
    out.push_back({AnyShape(tangor::sweep::stretch_plane(p, t))});
    return out;
}

}  // namespace vx::shapes
