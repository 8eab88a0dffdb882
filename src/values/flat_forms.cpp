#include "values/flat_forms.hpp"


#include "bind/convert.hpp"
#include "bind/error.hpp"
#include "bind/pickle_state.hpp"
#include "vxformats/json_numbers.hpp"
#include "vxformats/number_text.hpp"
#include "vxformats/siphash.hpp"
#include "vxpickle/reader.hpp"
#include "vxpickle/writer.hpp"

namespace vx {

using bind::check;
using bind::Ref;

std::string encode_components(std::span<const double> c) { return vxpickle::encode_f64_components(c); }

void decode_components(std::string_view state, std::span<double> out) {
    try {
        vxpickle::decode_f64_components(state, out);
    } catch (const vxpickle::DecodeError& e) {
        bind::raise_decode_failed(e.what());
    }
}

Ref components_tuple(std::span<const double> c) {
    Ref t = check(PyTuple_New(static_cast<Py_ssize_t>(c.size())));
    for (std::size_t i = 0; i < c.size(); ++i)
        PyTuple_SetItem(t.get(), static_cast<Py_ssize_t>(i), check(PyFloat_FromDouble(c[i])).release());
    return t;
}

Ref components_list(std::span<const double> c) {
    Ref l = check(PyList_New(static_cast<Py_ssize_t>(c.size())));
    for (std::size_t i = 0; i < c.size(); ++i)
        PyList_SetItem(l.get(), static_cast<Py_ssize_t>(i), check(PyFloat_FromDouble(c[i])).release());
    return l;
}

namespace {

bool is_abstract_sequence(PyObject* obj) {
    int r = PyObject_IsInstance(obj, bind::sequence_abc());
    if (r < 0) bind::throw_python_error();
    return r == 1;
}

// "{TypeName}: {message}" of the pending error, which is cleared; an error
// that is not ordinary (KeyboardInterrupt, MemoryError, ...) stays pending
// and is raised unchanged.
std::string pending_error_text() {
    if (PyObject* pending = PyErr_Occurred(); !pending || !bind::is_ordinary_error(pending)) bind::throw_python_error();
    PyObject *type, *value, *trace;
    PyErr_Fetch(&type, &value, &trace);
    PyErr_NormalizeException(&type, &value, &trace);
    std::string text = (value ? bind::type_name(value) : std::string("Error")) + ": " +
                       (value ? bind::str_of(value) : std::string());
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(trace);
    return text;
}

}  // namespace

void components_from_dict(PyObject* obj, std::span<double> out) {
    if (!PyList_Check(obj) && !PyTuple_Check(obj) && !is_abstract_sequence(obj))
        bind::raise_value_error("unexpected type: " + bind::not_instance_message(obj, "Sequence"));
    Py_ssize_t n = PyObject_Length(obj);
    if (n < 0) bind::raise_value_error(pending_error_text());
    if (static_cast<std::size_t>(n) != out.size())
        bind::raise_value_error("expected sequence of length " + std::to_string(out.size()) + ", got " +
                                std::to_string(n));
    for (std::size_t i = 0; i < out.size(); ++i) {
        PyObject* item = PySequence_GetItem(obj, static_cast<Py_ssize_t>(i));
        double v = item ? PyFloat_AsDouble(item) : -1.0;
        Py_XDECREF(item);
        if (v == -1.0 && PyErr_Occurred()) bind::raise_value_error(pending_error_text());
        out[i] = v;
    }
}

std::string components_json(std::span<const double> c) {
    std::string s = "[";
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (i) s += ',';
        vxformats::append_json(s, c[i]);
    }
    s += ']';
    return s;
}

bool components_from_json(std::string_view text, std::span<double> out, std::string_view expecting, bool quiet) {
    auto fault = vxformats::read_json_numbers(text, out);
    if (!fault) return true;
    if (quiet) return false;
    bind::raise_value_error(vxformats::describe_json_fault(*fault, text, expecting));
}

std::string components_repr(const char* name, std::span<const double> c) {
    std::string s = name;
    s += '(';
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (i) s += ", ";
        vxformats::append_plain(s, c[i]);
    }
    s += ')';
    return s;
}

std::string components_str(std::span<const double> c) {
    std::string s = "[";
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (i) s += ", ";
        vxformats::append_plain(s, c[i]);
    }
    s += ']';
    return s;
}

long long components_hash(std::span<const double> c) { return vxformats::hash_components(c.data(), c.size()); }

}  // namespace vx
