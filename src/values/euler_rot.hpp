#pragma once
// EulerRot arguments and results: an argument must be a member (an int is
// refused); every result is the one member object of its value.
#include "values/classes.hpp"
#include "values/math/euler_order.hpp"

namespace vx {
// The member object of `order` (a borrowed reference, alive for the process).
PyObject* euler_rot_member(EulerOrder order);
}  // namespace vx

template <>
struct vx::bind::Caster<vx::EulerOrder> {
    static vx::EulerOrder from(PyObject* o) {
        if (Py_TYPE(o) != type_object<vx::PyEulerRot>()) raise_not_instance(o, "EulerRot");
        return value_of<vx::PyEulerRot>(o);
    }
};
template <>
struct vx::bind::Wrap<vx::EulerOrder> {
    static PyObject* to(vx::EulerOrder order) { return Ref::borrow(vx::euler_rot_member(order)).release(); }
};
