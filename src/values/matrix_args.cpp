#include "values/matrix_args.hpp"

#include <array>
#include <bit>

#include "bind/names.hpp"

namespace vx {
namespace {

// The duck-typed matrix path: o.to_cols_array() read as exactly N numbers.
template <class M>
bool read_cols_array(PyObject* o, M& out) {
    constexpr std::size_t n = sizeof(M) / sizeof(double);
    bind::Ref method = bind::Ref::steal(PyObject_GetAttr(o, bind::interned<"to_cols_array">()));
    if (!method) return false;
    bind::Ref cols = bind::Ref::steal(PyObject_CallNoArgs(method.get()));
    if (!cols) return false;
    out = std::bit_cast<M>(bind::cast<std::array<double, n>>(cols.get()));
    return true;
}

template <class Cls>
bool read_instance(PyObject* o, typename Cls::Value& out) {
    if (Py_TYPE(o) != bind::type_object<Cls>()) return false;
    out = bind::value_of<Cls>(o);
    return true;
}

}  // namespace

using bind::cast;
using bind::discard_ordinary_error;
using bind::get_attr;
using bind::interned;
using bind::Ref;

template <>
bool ValueCaster<DQuat>::read(PyObject* o, DQuat& out) {
    if (read_instance<PyDQuat>(o, out)) return true;
    if (PySequence_Check(o)) {
        if (detail::read_sequence(o, out.xyzw.v, 4)) return true;
        discard_ordinary_error();
    }
    return detail::read_attributes(o, out.xyzw.v, 4);
}

template <>
bool ValueCaster<DMat3>::read(PyObject* o, DMat3& out) {
    return read_instance<PyDMat3>(o, out) || read_cols_array(o, out);
}
template <>
bool ValueCaster<DMat4>::read(PyObject* o, DMat4& out) {
    return read_instance<PyDMat4>(o, out) || read_cols_array(o, out);
}

template <>
bool ValueCaster<DAffine3>::read(PyObject* o, DAffine3& out) {
    if (read_instance<PyDAffine3>(o, out)) return true;
    Ref matrix3 = get_attr(o, interned<"matrix3">());
    out.matrix3 = cast<DMat3>(matrix3.get());
    Ref translation = get_attr(o, interned<"translation">());
    out.translation = cast<DVec3>(translation.get());
    return true;
}

}  // namespace vx
