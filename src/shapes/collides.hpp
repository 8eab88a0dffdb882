#pragma once
#include "shapes/any_shape.hpp"

namespace vx::shapes {

// Whether `self` and `other` share a point, touching included: the pair test
// of the library's catalogue for the two kinds, the two shapes in the order
// that test takes them. The kind of self is fixed by the caller's type, the
// kind of other picked by one switch. Line kinds never meet one another; two
// point clouds raise ValueError "Pointcloud-Pointcloud collision is not
// supported".
template <class V>
bool collides(const V& self, const ShapeArg& other);

}  // namespace vx::shapes
