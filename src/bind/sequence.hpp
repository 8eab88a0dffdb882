#pragma once
// Casters for Python sequences and tuples, and the list wrapper.
//   std::vector<T>    any sequence but a str, items taken in iteration order
//   std::array<T, N>  any sequence of exactly N items, read by index
//   std::tuple<T...>, std::pair<A, B>
//                     a tuple (or tuple subclass) of exactly that many items
// Items go through their own casters; the first failing item's error is the
// conversion's error. A body returning std::vector<T> gives a new list.
#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "convert.hpp"

namespace vx::bind {

template <class T>
struct Caster<std::vector<T>> {
    static_assert(!std::is_same_v<T, PyObject*>, "items outlive the conversion: take std::vector<Ref>");
    static std::vector<T> from(PyObject* o) {
        if (PyUnicode_Check(o)) raise_type_error("Can't extract `str` to `Vec`");
        if (!PySequence_Check(o)) raise_not_sequence(o);
        std::vector<T> out;
        // The claimed length only sizes a first reservation: the items are
        // what the iterator yields, and a length that lies costs nothing.
        const Py_ssize_t n = PySequence_Size(o);
        if (n < 0)
            discard_ordinary_error();
        else
            out.reserve(static_cast<std::size_t>(std::min<Py_ssize_t>(n, 4096)));
        Ref it = check(PyObject_GetIter(o));
        while (Ref item = Ref::steal(PyIter_Next(it.get()))) out.push_back(cast<T>(item.get()));
        if (PyErr_Occurred()) throw_python_error();
        return out;
    }
};

[[noreturn]] void raise_sequence_length(std::size_t expected, Py_ssize_t got);

template <class T, std::size_t N>
struct Caster<std::array<T, N>> {
    static std::array<T, N> from(PyObject* o) {
        if (!PySequence_Check(o)) raise_not_sequence(o);
        const Py_ssize_t n = PySequence_Size(o);
        if (n < 0) throw_python_error();
        if (static_cast<std::size_t>(n) != N) raise_sequence_length(N, n);
        std::array<T, N> out;
        for (std::size_t i = 0; i < N; ++i) {
            Ref item = check(PySequence_GetItem(o, static_cast<Py_ssize_t>(i)));
            out[i] = cast<T>(item.get());
        }
        return out;
    }
};

[[noreturn]] void raise_tuple_length(std::size_t expected, Py_ssize_t got);

template <class... T>
struct Caster<std::tuple<T...>> {
    static std::tuple<T...> from(PyObject* o) {
        if (!PyTuple_Check(o)) raise_not_instance(o, "tuple");
        const Py_ssize_t n = PyTuple_Size(o);
        if (static_cast<std::size_t>(n) != sizeof...(T)) raise_tuple_length(sizeof...(T), n);
        // Braced initialisation converts the items left to right.
        return [&]<std::size_t... I>(std::index_sequence<I...>) {
            return std::tuple<T...>{cast<T>(PyTuple_GetItem(o, static_cast<Py_ssize_t>(I)))...};
        }(std::index_sequence_for<T...>{});
    }
};
template <class A, class B>
struct Caster<std::pair<A, B>> {
    static std::pair<A, B> from(PyObject* o) {
        auto [a, b] = cast<std::tuple<A, B>>(o);
        return {std::move(a), std::move(b)};
    }
};

template <class T>
struct Wrap<std::vector<T>> {
    static PyObject* to(std::vector<T> items) {
        Ref list = check(PyList_New(static_cast<Py_ssize_t>(items.size())));
        for (std::size_t i = 0; i < items.size(); ++i)
            PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), Wrap<T>::to(std::move(items[i])));
        return list.release();
    }
};

}  // namespace vx::bind
