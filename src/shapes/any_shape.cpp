#include "shapes/any_shape.hpp"

#include "shapes/shape_union.hpp"

namespace vx {
namespace {

using shapes::AnyShape;
using shapes::ShapeArg;

// The value of an object whose type is exactly the plain class of one of the
// kinds, tried in the variant order.
template <std::size_t... K>
std::optional<ShapeArg::InPlace> exact_instance(PyObject* o, std::index_sequence<K...>) {
    std::optional<ShapeArg::InPlace> out;
    PyTypeObject* type = Py_TYPE(o);
    (void)((type == bind::type_object<shapes::PlainClass<K>>() &&
            (out.emplace(std::in_place_index<K>, &bind::value_of<shapes::PlainClass<K>>(o)), true)) ||
           ...);
    return out;
}

// The duck-typed kinds, in the order Sphere, Capsule, Cuboid, Cylinder.
template <class... V>
std::optional<AnyShape> duck_typed(PyObject* o) {
    std::optional<AnyShape> out;
    (void)(([&] {
               if (std::optional<V> v = bind::try_cast<V>(o)) {
                   out.emplace(std::in_place_type<V>, std::move(*v));
                   return true;
               }
               return false;
           }()) ||
           ...);
    return out;
}

}  // namespace

// Variant objects and plain instances are disjoint (a variant object is never
// a plain instance), so testing the plain classes first changes no answer and
// spares the common argument the subtype walk. The plain classes are final:
// a class-or-subclass test after the exact ones could only refuse, so there
// is none.
shapes::ShapeArg bind::Caster<shapes::ShapeArg>::from(PyObject* o) {
    if (auto exact = exact_instance(o, std::make_index_sequence<shapes::kind_count>{})) return ShapeArg(*exact);
    if (bind::is_instance<PyShape>(o))
        return ShapeArg(shapes::with_kind(bind::value_of<PyShape>(o),
                                          [](const auto& payload) { return ShapeArg::InPlace(&payload); }));
    if (auto duck = duck_typed<tangor::Sphere, tangor::Capsule, tangor::Cuboid, tangor::Cylinder>(o))
        return ShapeArg(std::move(*duck));
    bind::raise_type_error("expected a Shape (Sphere, Cuboid, Cylinder, etc.)");
}

}  // namespace vx
