#include "values/matrix_args.hpp"

#include <array>
#include <bit>
#include <span>

#include "values/flat_forms.hpp"

namespace vx {
namespace {

// Interned once per process; never released.
PyObject* interned(PyObject*& cell, const char* text) {
    if (!cell) cell = PyUnicode_InternFromString(text);
    return cell;
}
PyObject* to_cols_array_name() {
    static PyObject* cell = nullptr;
    return interned(cell, "to_cols_array");
}
PyObject* matrix3_name() {
    static PyObject* cell = nullptr;
    return interned(cell, "matrix3");
}
PyObject* translation_name() {
    static PyObject* cell = nullptr;
    return interned(cell, "translation");
}

// The duck-typed matrix path: o.to_cols_array() read as exactly N numbers.
template <class M>
bool read_cols_array(PyObject* o, M& out) {
    constexpr std::size_t n = sizeof(M) / sizeof(double);
    PyObject* name = to_cols_array_name();
    if (!name) return false;
    bind::Ref method = bind::Ref::steal(PyObject_GetAttr(o, name));
    if (!method) return false;
    bind::Ref cols = bind::Ref::steal(PyObject_CallNoArgs(method.get()));
    if (!cols) return false;
    std::array<double, n> flat{};
    try {
        components_from_array(cols.get(), flat);
    } catch (const bind::Error& e) {
        PyErr_SetString(e.type, e.message.c_str());
        return false;
    } catch (const bind::PythonError&) {
        return false;
    }
    out = std::bit_cast<M>(flat);
    return true;
}

template <class Cls>
bool read_instance(PyObject* o, typename Cls::Value& out) {
    if (Py_TYPE(o) != bind::type_object<Cls>()) return false;
    out = bind::value_of<Cls>(o);
    return true;
}

}  // namespace

bool read_quat(PyObject* o, DQuat& out) {
    if (read_instance<PyDQuat>(o, out)) return true;
    if (PySequence_Check(o)) {
        if (detail::read_sequence(o, out.xyzw.v, 4)) return true;
        PyErr_Clear();
    }
    return detail::read_attributes(o, out.xyzw.v, 4);
}

bool read_mat3(PyObject* o, DMat3& out) { return read_instance<PyDMat3>(o, out) || read_cols_array(o, out); }
bool read_mat4(PyObject* o, DMat4& out) { return read_instance<PyDMat4>(o, out) || read_cols_array(o, out); }

bool read_affine3(PyObject* o, DAffine3& out) {
    if (read_instance<PyDAffine3>(o, out)) return true;
    PyObject* m_name = matrix3_name();
    PyObject* t_name = translation_name();
    if (!m_name || !t_name) return false;
    bind::Ref matrix3 = bind::Ref::steal(PyObject_GetAttr(o, m_name));
    if (!matrix3 || !read_mat3(matrix3.get(), out.matrix3)) return false;
    bind::Ref translation = bind::Ref::steal(PyObject_GetAttr(o, t_name));
    return translation && read_vector(translation.get(), out.translation);
}

}  // namespace vx
