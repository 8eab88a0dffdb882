#include "shapes/collides.hpp"

#include "tangor/pairs.hpp"

namespace vx::shapes {

template <class V>
bool collides(const V& self, const ShapeArg& other) {
    return other.with_payload([&self]<class O>(const O& o) -> bool {
        if constexpr (tangor::has_pair_test_v<V, O>)
            return tangor::collides(self, o);
        else
            bind::raise_value_error("Pointcloud-Pointcloud collision is not supported");
    });
}

template bool collides(const tangor::Sphere&, const ShapeArg&);
template bool collides(const tangor::Capsule&, const ShapeArg&);
template bool collides(const tangor::Cuboid&, const ShapeArg&);
template bool collides(const tangor::Cylinder&, const ShapeArg&);
template bool collides(const tangor::ConvexPolytope&, const ShapeArg&);
template bool collides(const tangor::ConvexPolygon&, const ShapeArg&);
template bool collides(const curvel::Line&, const ShapeArg&);
template bool collides(const curvel::Ray&, const ShapeArg&);
template bool collides(const curvel::LineSegment&, const ShapeArg&);
template bool collides(const tangor::Plane&, const ShapeArg&);
template bool collides(const tangor::Pointcloud&, const ShapeArg&);

}  // namespace vx::shapes
