#pragma once
// The vector argument converters: how any Python object becomes two, three or
// four doubles. Vec3 and Vec4 take an instance, then any sequence of exactly N
// numbers, then attributes x, y, z(, w); Vec2 takes only an instance or
// attributes x, y. When every path fails, the error is the attribute path's;
// an error of the sequence path is discarded only when it is ordinary.
#include "bind/class.hpp"
#include "values/classes.hpp"

namespace vx::detail {
// The sequence path: true with `out` filled, or false with an error set.
bool read_sequence(PyObject* o, double* out, std::size_t n);
// The attribute path over "x", "y", "z", "w": true with `out` filled, or
// false with an error set.
bool read_attributes(PyObject* o, double* out, std::size_t n);
}  // namespace vx::detail

template <std::size_t N>
struct vx::bind::Caster<vx::DVec<N>> : ReaderCaster<Caster<vx::DVec<N>>, vx::DVec<N>> {
private:
    friend ReaderCaster<Caster, vx::DVec<N>>;
    static bool read(PyObject* o, vx::DVec<N>& out) {
        using Cls = typename vx::VecClass<N>::type;
        if (Py_TYPE(o) == type_object<Cls>()) {
            out = value_of<Cls>(o);
            return true;
        }
        if constexpr (N != 2) {
            if (PySequence_Check(o)) {
                if (vx::detail::read_sequence(o, out.v, N)) return true;
                discard_ordinary_error();
            }
        }
        return vx::detail::read_attributes(o, out.v, N);
    }
};
