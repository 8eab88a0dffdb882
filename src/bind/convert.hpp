#pragma once
// Argument casters (Python object -> C++ value) and result wrappers (C++ value
// -> new Python object). A parameter's C++ type picks its caster; a body's
// return type picks its wrapper.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "error.hpp"

namespace vx::bind {

template <class T, class = void>
struct Caster;  // static T from(PyObject* o): o is never null

template <class T, class = void>
struct Wrap;  // static PyObject* to(T v): a new reference, or throws

// The interpreter's float conversion: a float, an int, or anything offering
// __float__ or __index__.
inline double to_double(PyObject* o) {
    double v = PyFloat_AsDouble(o);
    if (v == -1.0 && PyErr_Occurred()) throw_python_error();
    return v;
}
// Like to_double but reports failure instead of raising; clears the error.
inline bool try_to_double(PyObject* o, double& out) {
    double v = PyFloat_AsDouble(o);
    if (v == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        return false;
    }
    out = v;
    return true;
}
// The interpreter's integer conversion (an int, a bool, or __index__).
inline long long to_index(PyObject* o) {
    Ref i = check(PyNumber_Index(o));
    long long v = PyLong_AsLongLong(i.get());
    if (v == -1 && PyErr_Occurred()) throw_python_error();
    return v;
}

template <>
struct Caster<double> {
    static double from(PyObject* o) { return to_double(o); }
};

// The object itself, borrowed for the length of the call.
template <>
struct Caster<PyObject*> {
    static PyObject* from(PyObject* o) { return o; }
};

// An integer parameter read with the interpreter's index conversion.
struct Index {
    long long value;
};
template <>
struct Caster<Index> {
    static Index from(PyObject* o) { return {to_index(o)}; }
};

// A parameter that must be a str.
struct Str {
    std::string_view text;  // valid while the argument lives (the call)
};
template <>
struct Caster<Str> {
    static Str from(PyObject* o) {
        if (!PyUnicode_Check(o)) raise_not_instance(o, "str");
        Py_ssize_t n = 0;
        const char* s = PyUnicode_AsUTF8AndSize(o, &n);
        if (!s) throw_python_error();
        return {std::string_view(s, static_cast<std::size_t>(n))};
    }
};

// A parameter with a default: absent when the caller did not give it.
template <class T>
struct Caster<std::optional<T>> {
    static std::optional<T> from(PyObject* o) { return Caster<T>::from(o); }
};

// A parameter whose default is None: absent and None both mean "not given";
// anything else is converted (in signature order, with the parameter's note).
template <class T>
struct OrNone {
    std::optional<T> value;
};
template <class T>
struct Caster<OrNone<T>> {
    static OrNone<T> absent() { return {}; }
    static OrNone<T> from(PyObject* o) {
        if (o == Py_None) return {};
        return {Caster<T>::from(o)};
    }
};

template <class T>
struct is_optional : std::false_type {};
template <class T>
struct is_optional<std::optional<T>> : std::true_type {};

// ---- results ----

template <>
struct Wrap<double> {
    static PyObject* to(double v) { return check(PyFloat_FromDouble(v)).release(); }
};
template <>
struct Wrap<bool> {
    static PyObject* to(bool v) { return Ref::borrow(v ? Py_True : Py_False).release(); }
};
template <class T>
struct Wrap<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    static PyObject* to(T v) {
        if constexpr (std::is_signed_v<T>)
            return check(PyLong_FromLongLong(static_cast<long long>(v))).release();
        else
            return check(PyLong_FromUnsignedLongLong(static_cast<unsigned long long>(v))).release();
    }
};
template <>
struct Wrap<std::string> {
    static PyObject* to(const std::string& s) {
        return check(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size()))).release();
    }
};
template <>
struct Wrap<Ref> {
    static PyObject* to(Ref r) { return r.release(); }
};
template <class T>
struct Wrap<std::optional<T>> {
    static PyObject* to(std::optional<T> v) {
        if (!v) return Ref::borrow(Py_None).release();
        return Wrap<T>::to(std::move(*v));
    }
};

// A body that returns several values gives a new tuple of them.
template <class... T>
struct Wrap<std::tuple<T...>> {
    static PyObject* to(std::tuple<T...> values) {
        Ref t = check(PyTuple_New(sizeof...(T)));
        std::apply(
            [&](auto&... v) {
                Py_ssize_t i = 0;
                (PyTuple_SetItem(t.get(), i++, Wrap<std::decay_t<decltype(v)>>::to(std::move(v))), ...);
            },
            values);
        return t.release();
    }
};
template <class A, class B>
struct Wrap<std::pair<A, B>> {
    static PyObject* to(std::pair<A, B> p) { return Wrap<std::tuple<A, B>>::to({std::move(p.first), std::move(p.second)}); }
};

template <class T>
PyObject* wrap(T&& v) {
    return Wrap<std::decay_t<T>>::to(std::forward<T>(v));
}
template <class T>
Ref to_ref(T&& v) {
    return Ref::steal(wrap(std::forward<T>(v)));
}

// Bytes of a bytes/bytearray object (and subclasses), or nullopt.
std::optional<std::string> bytes_of(PyObject* o);

}  // namespace vx::bind
