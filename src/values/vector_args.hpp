#pragma once
// The vector argument converters: how any Python object becomes two, three or
// four doubles. Vec3 and Vec4 take an instance, then any sequence of exactly N
// numbers, then attributes x, y, z(, w); Vec2 takes only an instance or
// attributes x, y. When every path fails, the error is the attribute path's.
#include "bind/class.hpp"
#include "values/classes.hpp"

namespace vx {

// The interned attribute names "x", "y", "z", "w".
PyObject* component_name(std::size_t i);

namespace detail {
// Sequence path: true with `out` filled, or false with an error set.
bool read_sequence(PyObject* o, double* out, std::size_t n);
// Attribute path: true with `out` filled, or false with an error set.
bool read_attributes(PyObject* o, double* out, std::size_t n);
}  // namespace detail

// True with `out` filled, or false with the converter's error set.
template <std::size_t N>
bool read_vector(PyObject* o, DVec<N>& out) {
    using Cls = typename VecClass<N>::type;
    if (Py_TYPE(o) == bind::type_object<Cls>()) {
        out = bind::value_of<Cls>(o);
        return true;
    }
    if constexpr (N != 2) {
        if (PySequence_Check(o)) {
            if (detail::read_sequence(o, out.v, N)) return true;
            PyErr_Clear();
        }
    }
    return detail::read_attributes(o, out.v, N);
}

// The vector operator protocol's reading of the other operand: a vector by
// the converter, else a number broadcast to every component. No error is left.
template <std::size_t N>
bool read_vector_or_scalar(PyObject* o, DVec<N>& out) {
    // A plain float or int is neither a sequence nor carries x: skip the
    // converter, whose failure would cost an AttributeError.
    if (PyFloat_CheckExact(o)) {
        out = DVec<N>::splat(PyFloat_AsDouble(o));
        return true;
    }
    if (read_vector(o, out)) return true;
    PyErr_Clear();
    double f;
    if (!bind::try_to_double(o, f)) return false;
    out = DVec<N>::splat(f);
    return true;
}

}  // namespace vx

template <std::size_t N>
struct vx::bind::Caster<vx::DVec<N>> {
    static vx::DVec<N> from(PyObject* o) {
        vx::DVec<N> v;
        if (!vx::read_vector(o, v)) throw_python_error();
        return v;
    }
};
