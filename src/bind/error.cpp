#include "error.hpp"

#include <cstdio>
#include <exception>
#include <new>

namespace vx::bind {

PyObject* panic_exception_type() {
    // Created once per process and never released: exception objects may
    // outlive the module.
    static PyObject* type = PyErr_NewExceptionWithDoc(
        "pyo3_runtime.PanicException",
        "\nThe exception raised when native code fails in a way it did not convert.\n\n"
        "Like SystemExit, this exception is derived from BaseException so that\n"
        "it will typically propagate all the way through the stack and cause the\n"
        "Python interpreter to exit.\n",
        PyExc_BaseException, nullptr);
    return type;
}

void set_error(const Error& e) noexcept {
    PyObject* message = PyUnicode_DecodeUTF8(e.message.data(), static_cast<Py_ssize_t>(e.message.size()),
                                             "backslashreplace");
    if (!message) return;  // the failed decoding left its own error set
    PyErr_SetObject(e.type, message);
    Py_DECREF(message);
}

static void raise_panic(const std::string& what) {
    std::fprintf(stderr, "vexorin: native failure: %s\n", what.c_str());
    PyObject* type = panic_exception_type();
    if (!type) return;  // its creation left an error set
    set_error(Error{type, what});
}

void set_error_from_current_exception() noexcept {
    try {
        throw;
    } catch (const PythonError&) {
        if (!PyErr_Occurred()) raise_panic("error indicator not set");
    } catch (const Error& e) {
        set_error(e);
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        raise_panic(e.what());
    } catch (...) {
        raise_panic("unknown C++ exception");
    }
}

void add_argument_note(const char* name) noexcept {
    PyObject *type, *value, *trace;
    PyErr_Fetch(&type, &value, &trace);
    PyErr_NormalizeException(&type, &value, &trace);
    if (value) {
        if (trace) PyException_SetTraceback(value, trace);
        PyObject* note = PyUnicode_FromFormat("while processing '%s'", name);
        if (note) {
            PyObject* r = PyObject_CallMethod(value, "add_note", "O", note);
            Py_XDECREF(r);
            Py_DECREF(note);
        }
        if (PyErr_Occurred()) PyErr_Clear();
    }
    PyErr_Restore(type, value, trace);
}

std::string type_name(PyObject* o) {
    static constexpr const char* unknown = "<failed to extract type name>";
    PyObject* name = PyType_GetQualName(Py_TYPE(o));
    if (!name) {
        PyErr_Clear();
        return unknown;
    }
    Py_ssize_t n = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(name, &n);
    std::string out = utf8 ? std::string(utf8, static_cast<std::size_t>(n)) : std::string(unknown);
    if (!utf8) PyErr_Clear();
    Py_DECREF(name);
    return out;
}

std::string str_of(PyObject* o) {
    PyObject* s = PyObject_Str(o);
    if (!s) {
        PyErr_Clear();
        return "<unprintable>";
    }
    Py_ssize_t n = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(s, &n);
    std::string out = utf8 ? std::string(utf8, static_cast<size_t>(n)) : std::string("<unprintable>");
    if (!utf8) PyErr_Clear();
    Py_DECREF(s);
    return out;
}

std::string not_instance_message(PyObject* o, const char* target) {
    std::string m = "'";
    if (o == Py_None) {
        m += "None' is not an instance of '";
    } else {
        m += type_name(o);
        m += "' object is not an instance of '";
    }
    m += target;
    m += "'";
    return m;
}

void raise_not_instance(PyObject* o, const char* target) {
    raise_type_error(not_instance_message(o, target));
}

PyObject* sequence_abc() {
    // Kept for the process once imported; a failed import is raised and
    // tried again on the next call.
    static PyObject* sequence = nullptr;
    if (!sequence) {
        Ref abc = check(PyImport_ImportModule("collections.abc"));
        sequence = check(PyObject_GetAttrString(abc.get(), "Sequence")).release();
    }
    return sequence;
}

void raise_not_sequence(PyObject* o) {
    PyObject* sequence = sequence_abc();
    std::string target = "Sequence";
    if (PyType_Check(sequence)) {
        if (PyObject* q = PyType_GetQualName(reinterpret_cast<PyTypeObject*>(sequence))) {
            target = str_of(q);
            Py_DECREF(q);
        } else {
            PyErr_Clear();
        }
    }
    raise_not_instance(o, target.c_str());
}

bool is_ordinary_error(PyObject* type) noexcept {
    return PyErr_GivenExceptionMatches(type, PyExc_Exception) &&
           !PyErr_GivenExceptionMatches(type, PyExc_MemoryError) &&
           !PyErr_GivenExceptionMatches(type, PyExc_RecursionError);
}

void discard_ordinary_error() {
    PyObject* type = PyErr_Occurred();
    if (!type) return;
    if (!is_ordinary_error(type)) throw_python_error();
    PyErr_Clear();
}

}  // namespace vx::bind
