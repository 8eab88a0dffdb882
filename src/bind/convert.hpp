#pragma once
// Argument casters (Python object -> C++ value) and result wrappers (C++ value
// -> new Python object). A parameter's C++ type picks its caster; a body's
// return type picks its wrapper.
//
// The caster protocol: Caster<T> offers
//   static T from(PyObject* o);                  raises the conversion's error
//   static std::optional<T> try_from(PyObject*); optional: nullopt for an
//                                                ordinary error, which is
//                                                discarded
// Callers use cast<T>(o) and try_cast<T>(o); try_cast falls back to catching
// what `from` raises when a caster has no try_from of its own. Either way only
// ordinary errors are discarded (is_ordinary_error): a KeyboardInterrupt or
// MemoryError raised inside a conversion reaches the caller unchanged.
//
// A caster built on a reader `static bool read(PyObject*, T&)` that sets a
// Python error on failure derives both from ReaderCaster; the reader stays
// private to the caster.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "error.hpp"

namespace vx::bind {

template <class T, class = void>
struct Caster;  // o is never null

template <class T, class = void>
struct Wrap;  // static PyObject* to(T v): a new reference, or throws

template <class T>
T cast(PyObject* o) {
    return Caster<T>::from(o);
}

// f(), or nullopt when it raised an ordinary error (which is discarded).
template <class F>
auto try_call(F f) -> std::optional<decltype(f())> {
    try {
        return f();
    } catch (const Error& e) {
        if (!is_ordinary_error(e.type)) throw;
    } catch (const PythonError&) {
        discard_ordinary_error();
    }
    return std::nullopt;
}

template <class T>
std::optional<T> try_cast(PyObject* o) {
    if constexpr (requires { Caster<T>::try_from(o); })
        return Caster<T>::try_from(o);
    else
        return try_call([o] { return Caster<T>::from(o); });
}

// `from` and `try_from` of a caster Derived whose private reader
// `static bool read(PyObject*, T&)` sets a Python error when it returns false
// (Derived befriends this base).
template <class Derived, class T>
struct ReaderCaster {
    static T from(PyObject* o) {
        T v;
        if (!Derived::read(o, v)) throw_python_error();
        return v;
    }
    static std::optional<T> try_from(PyObject* o) {
        T v;
        try {
            if (Derived::read(o, v)) return v;
        } catch (const Error& e) {
            if (!is_ordinary_error(e.type)) throw;
            return std::nullopt;
        } catch (const PythonError&) {
        }
        discard_ordinary_error();
        return std::nullopt;
    }
};

// The interpreter's float conversion: a float, an int, or anything offering
// __float__ or __index__.
template <>
struct Caster<double> : ReaderCaster<Caster<double>, double> {
private:
    friend ReaderCaster<Caster, double>;
    static bool read(PyObject* o, double& out) {
        out = PyFloat_AsDouble(o);
        return !(out == -1.0 && PyErr_Occurred());
    }
};
inline double to_double(PyObject* o) { return cast<double>(o); }

// The object itself, borrowed for the length of the call.
template <>
struct Caster<PyObject*> {
    static PyObject* from(PyObject* o) { return o; }
};

// The object itself, owned: for items of a list that outlive the conversion.
template <>
struct Caster<Ref> {
    static Ref from(PyObject* o) { return Ref::borrow(o); }
};

// An integer read with the interpreter's index conversion (an int, a bool, or
// __index__): Index takes the signed 64-bit range, UnsignedIndex the unsigned
// one, a negative value raising the conversion's OverflowError.
struct Index {
    long long value;
};
struct UnsignedIndex {
    std::size_t value;
};
template <>
struct Caster<Index> {
    static Index from(PyObject* o) {
        Ref i = check(PyNumber_Index(o));
        const long long v = PyLong_AsLongLong(i.get());
        if (v == -1 && PyErr_Occurred()) throw_python_error();
        return {v};
    }
};
template <>
struct Caster<UnsignedIndex> {
    static UnsignedIndex from(PyObject* o) {
        Ref i = check(PyNumber_Index(o));
        const unsigned long long v = PyLong_AsUnsignedLongLong(i.get());
        if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw_python_error();
        return {static_cast<std::size_t>(v)};
    }
};

// A parameter that must be a str. Its text is UTF-8; a lone surrogate, which
// UTF-8 cannot hold, is passed through as its three-byte pattern so the
// reader of the text reports it as malformed rather than the binding failing.
struct Str {
    std::string_view text;  // valid while the argument (or `keep`) lives
    Ref keep;               // the encoded copy when one was needed
};
template <>
struct Caster<Str> {
    static Str from(PyObject* o);
};

// A parameter with a default: absent when the caller did not give it.
template <class T>
struct Caster<std::optional<T>> {
    static std::optional<T> from(PyObject* o) { return cast<T>(o); }
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
        return {cast<T>(o)};
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
// None: an empty optional.
template <class T>
struct Wrap<std::optional<T>> {
    static PyObject* to(std::optional<T> v) {
        if (!v) return Ref::borrow(Py_None).release();
        return Wrap<T>::to(std::move(*v));
    }
};
// Whichever alternative the body chose.
template <class... T>
struct Wrap<std::variant<T...>> {
    static PyObject* to(std::variant<T...> v) {
        return std::visit([](auto&& x) { return Wrap<std::decay_t<decltype(x)>>::to(std::move(x)); }, std::move(v));
    }
};

// A body that returns several values gives a new tuple of them.
template <class... T>
struct Wrap<std::tuple<T...>> {
    static PyObject* to(std::tuple<T...> values) {
        Ref t = check(PyTuple_New(sizeof...(T)));
        // Each item is owned by the tuple as soon as it exists, so a failure
        // part way leaks nothing.
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
