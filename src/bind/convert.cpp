#include "convert.hpp"

#include "sequence.hpp"

namespace vx::bind {

Str Caster<Str>::from(PyObject* o) {
    if (!PyUnicode_Check(o)) raise_not_instance(o, "str");
    Py_ssize_t n = 0;
    if (const char* s = PyUnicode_AsUTF8AndSize(o, &n)) return {std::string_view(s, static_cast<std::size_t>(n)), {}};
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) throw_python_error();
    PyErr_Clear();
    Ref bytes = check(PyUnicode_AsEncodedString(o, "utf-8", "surrogatepass"));
    char* data = nullptr;
    if (PyBytes_AsStringAndSize(bytes.get(), &data, &n) < 0) throw_python_error();
    return {std::string_view(data, static_cast<std::size_t>(n)), std::move(bytes)};
}

void raise_sequence_length(std::size_t expected, Py_ssize_t got) {
    raise_value_error("expected a sequence of length " + std::to_string(expected) + " (got " + std::to_string(got) +
                      ")");
}

void raise_tuple_length(std::size_t expected, Py_ssize_t got) {
    raise_value_error("expected tuple of length " + std::to_string(expected) + ", but got tuple of length " +
                      std::to_string(got));
}

}  // namespace vx::bind
