#pragma once
// The Shape union: the base class Shape, which Python may subclass but never
// instantiate, and one final variant class per kind (Shape.Sphere ...
// Shape.Pointcloud), each holding one shape of its kind in the field `_0`.
// Every variant object holds an AnyShape whose kind is its class's; nothing
// can change it afterwards.
#include <cstddef>

#include "shapes/any_shape.hpp"

namespace vx {

struct PyShape {
    using Value = shapes::AnyShape;
    static constexpr const char* name = "Shape";
    static const bind::ClassDef& def();
};

// The variant class of kind K; its Python name is the plain class's.
template <std::size_t K>
struct PyShapeVariant {
    using Value = shapes::AnyShape;
    static constexpr const char* name = shapes::PlainClass<K>::name;
    static const bind::ClassDef& def();
};

using PyShape_Sphere = PyShapeVariant<0>;
using PyShape_Capsule = PyShapeVariant<1>;
using PyShape_Cuboid = PyShapeVariant<2>;
using PyShape_Cylinder = PyShapeVariant<3>;
using PyShape_ConvexPolytope = PyShapeVariant<4>;
using PyShape_ConvexPolygon = PyShapeVariant<5>;
using PyShape_Line = PyShapeVariant<6>;
using PyShape_Ray = PyShapeVariant<7>;
using PyShape_LineSegment = PyShapeVariant<8>;
using PyShape_Plane = PyShapeVariant<9>;
using PyShape_Pointcloud = PyShapeVariant<10>;

namespace shapes {

// A union value as a result: a new object of the variant class of its kind
// (a Shape.Capsule for a capsule), the value moved into it.
struct ShapeVariant {
    AnyShape value;
};

}  // namespace shapes
}  // namespace vx

template <>
struct vx::bind::Wrap<vx::shapes::ShapeVariant> {
    static PyObject* to(vx::shapes::ShapeVariant v);
};
