#pragma once
// The `rhs` of abs_diff_eq in the curve classes and records: an object of
// exactly the receiver's class is read directly (no Python call); any other
// object goes through Fallback(o), which reads its attributes and raises
// their errors as the parameter's.
#include "bind/class.hpp"
#include "bind/names.hpp"

namespace vx::curves {

template <class Cls, auto Fallback>
struct ExactOr {
    typename Cls::Value value;
};

// One attribute through T's caster.
template <class T, bind::fixed_string Name>
T attribute(PyObject* o) {
    bind::Ref a = bind::get_attr(o, bind::interned<Name>());
    return bind::cast<T>(a.get());
}

}  // namespace vx::curves

template <class Cls, auto Fallback>
struct vx::bind::Caster<vx::curves::ExactOr<Cls, Fallback>> {
    static vx::curves::ExactOr<Cls, Fallback> from(PyObject* o) {
        if (Py_TYPE(o) == type_object<Cls>()) return {value_of<Cls>(o)};
        return {Fallback(o)};
    }
};
