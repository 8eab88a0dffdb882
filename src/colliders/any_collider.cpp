// The any-collider converter: what include, merge, with_any and from_any
// accept. Probes, in order: a Collider (a copy, under its shared borrow);
// None (empty); one shape; an iterable of shapes (an empty one goes on to
// the last probe); a collider-like object whose spheres(), cuboids(),
// cylinders() and capsules() give the shapes of those kinds. An object that
// fits none of them is refused rather than read as an empty collider, which
// would answer "no collision" to every query; so is a collider-like object
// whose method returns something that does not convert.
#include <string>
#include <vector>

#include "bind/names.hpp"
#include "colliders/collider.hpp"
#include "colliders/sphere_collection.hpp"
#include "shapes/any_shape.hpp"

namespace vx {
namespace {

using Collider = tangor::Collider<>;
using bind::Ref;

[[noreturn]] void refuse(const std::string& what) { bind::raise_type_error("PyCollider: " + what); }

// One shape, filed into its collection; false when the object is no shape.
bool add_shape(PyObject* o, Collider& c) {
    std::optional<shapes::AnyShape> shape = bind::try_cast<shapes::AnyShape>(o);
    if (shape) colliders::push_into(std::move(*shape), c);
    return shape.has_value();
}

// o.<name>, or null when o has no such attribute (what hasattr tells); any
// other failure of the lookup propagates.
Ref optional_attr(PyObject* o, PyObject* name) {
    if (PyObject* a = PyObject_GetAttr(o, name)) return Ref::steal(a);
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) bind::throw_python_error();
    PyErr_Clear();
    return {};
}

// The next item, or null at the end; an error of the iteration propagates.
Ref next_item(PyObject* it) {
    Ref item = Ref::steal(PyIter_Next(it));
    if (!item && PyErr_Occurred()) bind::throw_python_error();
    return item;
}

Ref call(PyObject* f, PyObject* arg = nullptr) {
    return bind::check(arg ? PyObject_CallFunctionObjArgs(f, arg, nullptr) : PyObject_CallNoArgs(f));
}

// The result of o.<Name>(): null when o lacks the method or it cannot be
// called, or when it returns None. `found` records that o has the attribute.
template <bind::fixed_string Name>
Ref call_optional(PyObject* o, bool& found) {
    Ref method = optional_attr(o, bind::interned<Name>());
    if (!method) return {};
    found = true;
    if (!PyCallable_Check(method.get())) return {};
    Ref result = call(method.get());
    if (result.get() == Py_None) return {};
    return result;
}

// Sphere items read one by one through __len__ and __getitem__: the route of
// a result that is no sequence by the interpreter's check.
void add_indexed_spheres(PyObject* result, Collider& c) {
    Ref len = optional_attr(result, bind::interned<"__len__">());
    Ref getitem = optional_attr(result, bind::interned<"__getitem__">());
    if (!len || !getitem) refuse("spheres() result is not a sequence");
    const std::optional<bind::UnsignedIndex> n = bind::try_cast<bind::UnsignedIndex>(call(len.get()).get());
    if (!n) refuse("spheres() result is not a sequence");
    for (std::size_t i = 0; i < n->value; ++i) {
        Ref index = bind::check(PyLong_FromSize_t(i));
        Ref item = call(getitem.get(), index.get());
        const std::optional<tangor::Sphere> s = bind::try_cast<tangor::Sphere>(item.get());
        if (!s) refuse("spheres() item is not a Sphere");
        c.add(*s);
    }
}

void add_spheres(PyObject* result, Collider& c) {
    if (bind::is_instance<PySphereCollection>(result)) {
        auto spheres = bind::borrow_shared<PySphereCollection>(result);
        for (std::size_t i = 0; i < spheres->len; ++i) c.add(spheres->sphere(i));
        return;
    }
    if (auto list = bind::try_cast<std::vector<tangor::Sphere>>(result)) {
        for (const tangor::Sphere& s : *list) c.add(s);
        return;
    }
    add_indexed_spheres(result, c);
}

// The items of o.<Name>() as shapes of Cls; none when there is no result.
template <class Cls, bind::fixed_string Name>
std::vector<typename Cls::Value> read_kind(PyObject* o, bool& found) {
    std::vector<typename Cls::Value> out;
    Ref result = call_optional<Name>(o, found);
    if (!result) return out;
    const std::string method = std::string(Name.value) + "()";
    if (PyUnicode_Check(result.get()) || !PySequence_Check(result.get())) refuse(method + " result is not a sequence");
    Ref it = bind::check(PyObject_GetIter(result.get()));
    while (Ref item = next_item(it.get())) {
        std::optional<typename Cls::Value> shape = bind::try_cast<typename Cls::Value>(item.get());
        if (!shape) refuse(method + " item is not a " + Cls::name);
        out.push_back(std::move(*shape));
    }
    return out;
}

// Spheres are added as they are read; the other kinds after all four calls.
Collider from_collider_like(PyObject* o, bool iterable) {
    Collider c;
    bool found = false;
    if (Ref spheres = call_optional<"spheres">(o, found)) add_spheres(spheres.get(), c);
    std::vector<tangor::Cuboid> cuboids = read_kind<PyCuboid, "cuboids">(o, found);
    std::vector<tangor::Cylinder> cylinders = read_kind<PyCylinder, "cylinders">(o, found);
    std::vector<tangor::Capsule> capsules = read_kind<PyCapsule, "capsules">(o, found);
    if (!found && !iterable) refuse("object is not a Shape, an iterable of Shapes or collider-like");
    for (tangor::Cuboid& s : cuboids) c.add(std::move(s));
    for (tangor::Cylinder& s : cylinders) c.add(std::move(s));
    for (tangor::Capsule& s : capsules) c.add(std::move(s));
    return c;
}

Collider convert(PyObject* o) {
    if (bind::is_instance<PyCollider>(o)) return bind::cast<bind::InstanceOf<PyCollider>>(o).value;
    Collider c;
    if (o == Py_None || add_shape(o, c)) return c;
    Ref it = Ref::steal(PyObject_GetIter(o));
    if (!it) bind::discard_ordinary_error();
    // An iterable whose first step yields nothing goes on to the last probe.
    Ref item = it ? next_item(it.get()) : Ref{};
    if (!item) return from_collider_like(o, static_cast<bool>(it));
    for (; item; item = next_item(it.get()))
        if (!add_shape(item.get(), c)) refuse("sequence item is not a Shape");
    return c;
}

}  // namespace

void colliders::push_into(shapes::AnyShape shape, tangor::Collider<>& c) {
    shapes::with_kind(shape, [&]<class T>(T& value) { c.add(std::move(value)); });
}

colliders::AnyCollider bind::Caster<colliders::AnyCollider>::from(PyObject* o) { return {convert(o)}; }

}  // namespace vx
