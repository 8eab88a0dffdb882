#include "values/vector_args.hpp"

#include "bind/names.hpp"

namespace vx::detail {

bool read_sequence(PyObject* o, double* out, std::size_t n) {
    Py_ssize_t len = PyObject_Length(o);
    if (len < 0) return false;
    if (static_cast<std::size_t>(len) != n) {
        PyErr_Format(PyExc_ValueError, "expected a sequence of length %zu (got %zd)", n, len);
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        PyObject* item = PySequence_GetItem(o, static_cast<Py_ssize_t>(i));
        if (!item) return false;
        double v = PyFloat_AsDouble(item);
        Py_DECREF(item);
        if (v == -1.0 && PyErr_Occurred()) return false;
        out[i] = v;
    }
    return true;
}

bool read_attributes(PyObject* o, double* out, std::size_t n) {
    PyObject* const names[4] = {bind::interned<"x">(), bind::interned<"y">(), bind::interned<"z">(),
                                bind::interned<"w">()};
    for (std::size_t i = 0; i < n; ++i) {
        PyObject* a = PyObject_GetAttr(o, names[i]);
        if (!a) return false;
        double v = PyFloat_AsDouble(a);
        Py_DECREF(a);
        if (v == -1.0 && PyErr_Occurred()) return false;
        out[i] = v;
    }
    return true;
}

}  // namespace vx::detail
