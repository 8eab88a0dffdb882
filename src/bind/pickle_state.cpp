#include "pickle_state.hpp"

#include <vector>

#include "sequence.hpp"

namespace vx::bind {

std::optional<std::string> bytes_of(PyObject* o) {
    if (PyBytes_Check(o)) {
        char* data = nullptr;
        Py_ssize_t n = 0;
        if (PyBytes_AsStringAndSize(o, &data, &n) < 0) throw_python_error();
        return std::string(data, static_cast<std::size_t>(n));
    }
    if (PyByteArray_Check(o)) {
        const char* data = PyByteArray_AsString(o);
        Py_ssize_t n = PyByteArray_Size(o);
        if (!data || n < 0) throw_python_error();
        return std::string(data, static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

namespace {

// One item of a state given as a sequence of integers.
struct Byte {
    char value;
};

}  // namespace

template <>
struct Caster<Byte> {
    static Byte from(PyObject* o) {
        const long v = PyLong_AsLong(o);
        if (v == -1 && PyErr_Occurred()) throw_python_error();
        if (v < 0 || v > 255) raise(PyExc_OverflowError, "out of range integral type conversion attempted");
        return {static_cast<char>(v)};
    }
};

PickleState Caster<PickleState>::from(PyObject* o) {
    if (o == Py_None) return {};
    if (auto b = bytes_of(o)) return {std::move(b)};
    // The list caster refuses a str and a non-sequence, and takes the items
    // as they arrive, whatever the sequence claims as its length.
    const std::vector<Byte> items = cast<std::vector<Byte>>(o);
    std::string out(items.size(), '\0');
    for (std::size_t i = 0; i < items.size(); ++i) out[i] = items[i].value;
    return {std::move(out)};
}

void raise_decode_failed(const std::string& what) { raise_value_error("pickle decode failed: " + what); }
void raise_encode_failed(const std::string& what) { raise_value_error("pickle encode failed: " + what); }

Ref getnewargs_ex(const std::string& state) {
    Ref bytes = check(PyBytes_FromStringAndSize(state.data(), static_cast<Py_ssize_t>(state.size())));
    static PyObject* key = PyUnicode_InternFromString("__pickle_state__");
    static PyObject* no_args = PyTuple_New(0);
    if (!key || !no_args) throw_python_error();
    Ref kwargs = check(PyDict_New());
    check_status(PyDict_SetItem(kwargs.get(), key, bytes.get()));
    return check(PyTuple_Pack(2, no_args, kwargs.get()));
}

}  // namespace vx::bind
