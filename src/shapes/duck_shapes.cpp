// The duck-typed converters of Sphere, Capsule, Cylinder and Cuboid: an
// instance of exactly the class gives a copy of its value, recognised by type
// identity before any attribute is looked up; any other object is read by its
// attributes, each looked up and converted in turn, and the first error met
// is raised unchanged. Vectors are read by the single-precision vector
// reader (a sequence of three numbers, else attributes x, y, z); numbers by
// the float conversion, narrowed. Nothing is checked.
#include "bind/names.hpp"
#include "shapes/capsule.hpp"
#include "shapes/cuboid.hpp"
#include "shapes/cylinder.hpp"
#include "shapes/single_precision.hpp"
#include "shapes/sphere.hpp"

namespace vx {
namespace {

template <class T, bind::fixed_string Name>
T attribute(PyObject* o) {
    bind::Ref a = bind::get_attr(o, bind::interned<Name>());
    return bind::cast<T>(a.get());
}

template <class Cls>
const typename Cls::Value* exact_instance(PyObject* o) {
    if (Py_TYPE(o) != bind::type_object<Cls>()) return nullptr;
    return &bind::value_of<Cls>(o);
}

// Capsule and Cylinder read the same attributes and build by the same rule.
template <class Cls>
typename Cls::Value axis_shape(PyObject* o) {
    if (const auto* s = exact_instance<Cls>(o)) return *s;
    const curvel::Vec3 p1 = attribute<curvel::Vec3, "p1">(o);
    const curvel::Vec3 p2 = attribute<curvel::Vec3, "p2">(o);
    const float radius = attribute<float, "radius">(o);
    return Cls::Value::create(p1, p2, radius);
}

using Triple = std::tuple<float, float, float>;
curvel::Vec3 to_vec3(const Triple& t) { return {std::get<0>(t), std::get<1>(t), std::get<2>(t)}; }

}  // namespace

tangor::Sphere bind::Caster<tangor::Sphere>::from(PyObject* o) {
    if (const tangor::Sphere* s = exact_instance<PySphere>(o)) return *s;
    const curvel::Vec3 center = attribute<curvel::Vec3, "center">(o);
    const float radius = attribute<float, "radius">(o);
    return {center, radius};
}

tangor::Capsule bind::Caster<tangor::Capsule>::from(PyObject* o) { return axis_shape<PyCapsule>(o); }
tangor::Cylinder bind::Caster<tangor::Cylinder>::from(PyObject* o) { return axis_shape<PyCylinder>(o); }

// half_extents and every axis must be tuples (or tuple subclasses).
tangor::Cuboid bind::Caster<tangor::Cuboid>::from(PyObject* o) {
    if (const tangor::Cuboid* b = exact_instance<PyCuboid>(o)) return *b;
    const curvel::Vec3 center = attribute<curvel::Vec3, "center">(o);
    const Triple h = attribute<Triple, "half_extents">(o);
    const auto [a0, a1, a2] = attribute<std::tuple<Triple, Triple, Triple>, "axes">(o);
    return tangor::Cuboid::create(center, {to_vec3(a0), to_vec3(a1), to_vec3(a2)}, {std::get<0>(h), std::get<1>(h), std::get<2>(h)});
}

}  // namespace vx
