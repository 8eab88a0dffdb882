#include "shapes/collides.hpp"

#include "tangor/pairs.hpp"

namespace vx::shapes {

template <class V>
bool collides(const V& self, const AnyShape& other) {
    return with_kind(other, [&self]<class O>(const O& o) -> bool {
        if constexpr (tangor::has_pair_test_v<V, O>)
            return tangor::collides(self, o);
        else
            bind::raise_value_error("Pointcloud-Pointcloud collision is not supported");
    });
}

template bool collides(const tangor::Sphere&, const AnyShape&);
template bool collides(const tangor::Capsule&, const AnyShape&);
template bool collides(const tangor::Cuboid&, const AnyShape&);
template bool collides(const tangor::Cylinder&, const AnyShape&);
template bool collides(const tangor::ConvexPolytope&, const AnyShape&);
template bool collides(const tangor::ConvexPolygon&, const AnyShape&);
template bool collides(const curvel::Line&, const AnyShape&);
template bool collides(const curvel::Ray&, const AnyShape&);
template bool collides(const curvel::LineSegment&, const AnyShape&);
template bool collides(const tangor::Plane&, const AnyShape&);
template bool collides(const tangor::Pointcloud&, const AnyShape&);

}  // namespace vx::shapes
