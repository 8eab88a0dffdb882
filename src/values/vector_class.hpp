#pragma once
// What Vec2, Vec3 and Vec4 share: the operator protocol, text forms,
// comparison, hash, indexing, pickling hooks and the NumPy and list forms.
// Each class file adds its constructor, constants and own methods.
#include <cmath>
#include <optional>
#include <span>
#include <string>

#include "bind/numpy_bridge.hpp"
#include "bind/pickle_state.hpp"
#include "values/flat_class.hpp"
#include "values/vector_args.hpp"

namespace vx {

template <class Cls>
struct VectorClass : FlatClass<Cls, sizeof(typename Cls::Value) / sizeof(double), 0> {
    using V = typename Cls::Value;
    static constexpr std::size_t N = sizeof(V) / sizeof(double);
    using Flat = FlatClass<Cls, N, 0>;
    using Flat::guarded;

    static std::span<const double> span(const V& v) { return {v.v, N}; }
    static const V& self(PyObject* o) { return bind::value_of<Cls>(o); }

    // ---- the vector operator protocol ----
    template <class Op>
    static PyObject* binary(PyObject* a, PyObject* b, const char* message, bool reflected_allowed) noexcept {
        try {
            PyTypeObject* t = bind::type_object<Cls>();
            V other;
            if (Py_TYPE(a) == t) {
                if (!read_vector_or_scalar(b, other)) bind::raise_type_error(message);
                return bind::new_object<Cls>(Op{}(self(a), other));
            }
            if (!reflected_allowed || Py_TYPE(b) != t) Py_RETURN_NOTIMPLEMENTED;
            if (!read_vector_or_scalar(a, other)) bind::raise_type_error(message);
            return bind::new_object<Cls>(Op{}(other, self(b)));
        } catch (...) {
            bind::set_error_from_current_exception();
            return nullptr;
        }
    }
    struct Add {
        V operator()(const V& a, const V& b) const { return a + b; }
    };
    struct Sub {
        V operator()(const V& a, const V& b) const { return a - b; }
    };
    struct Mul {
        V operator()(const V& a, const V& b) const { return a * b; }
    };
    struct Div {
        V operator()(const V& a, const V& b) const { return a / b; }
    };
    struct Rem {
        V operator()(const V& a, const V& b) const { return fmod(a, b); }
    };
    static PyObject* add(PyObject* a, PyObject* b) noexcept {
        return binary<Add>(a, b, "unsupported operand type for +", true);
    }
    static PyObject* sub(PyObject* a, PyObject* b) noexcept {
        return binary<Sub>(a, b, "unsupported operand type for -", true);
    }
    static PyObject* mul(PyObject* a, PyObject* b) noexcept {
        return binary<Mul>(a, b, "unsupported operand type for *", true);
    }
    static PyObject* div(PyObject* a, PyObject* b) noexcept {
        return binary<Div>(a, b, "unsupported operand type for /", true);
    }
    // % has no reflected form: a number on the left is the interpreter's error.
    static PyObject* rem(PyObject* a, PyObject* b) noexcept {
        return binary<Rem>(a, b, "unsupported operand type for %", false);
    }
    static PyObject* neg(PyObject* a) noexcept { return guarded([&] { return bind::new_object<Cls>(-self(a)); }); }
    static PyObject* pos(PyObject* a) noexcept { return guarded([&] { return bind::new_object<Cls>(self(a)); }); }

    // ---- text, comparison, hash ----
    static PyObject* repr(PyObject* a) noexcept {
        return guarded([&] { return bind::wrap(components_repr(Cls::name, span(self(a)))); });
    }
    static PyObject* str(PyObject* a) noexcept {
        return guarded([&] { return bind::wrap(components_str(span(self(a)))); });
    }
    // ---- indexing ----
    static Py_ssize_t length(PyObject*) noexcept { return static_cast<Py_ssize_t>(N); }
    static PyObject* component(PyObject* a, long long idx) {
        if (idx < 0) idx += static_cast<long long>(N);
        if (idx < 0 || idx >= static_cast<long long>(N)) bind::raise_index_error("index out of range");
        return bind::wrap(self(a).v[idx]);
    }
    static PyObject* subscript(PyObject* a, PyObject* key) noexcept {
        return guarded([&] { return component(a, bind::convert_argument<bind::Index>(key, "idx").value); });
    }
    static PyObject* item(PyObject* a, Py_ssize_t i) noexcept {
        return guarded([&] { return component(a, static_cast<long long>(i)); });
    }

    static std::vector<PyType_Slot> slots() {
        return {
            {Py_tp_dealloc, reinterpret_cast<void*>(&bind::dealloc<Cls>)},
            {Py_tp_repr, reinterpret_cast<void*>(&repr)},
            {Py_tp_str, reinterpret_cast<void*>(&str)},
            {Py_tp_hash, reinterpret_cast<void*>(&Flat::hash)},
            {Py_tp_richcompare, reinterpret_cast<void*>(&Flat::richcompare)},
            {Py_nb_add, reinterpret_cast<void*>(&add)},
            {Py_nb_subtract, reinterpret_cast<void*>(&sub)},
            {Py_nb_multiply, reinterpret_cast<void*>(&mul)},
            {Py_nb_true_divide, reinterpret_cast<void*>(&div)},
            {Py_nb_remainder, reinterpret_cast<void*>(&rem)},
            {Py_nb_negative, reinterpret_cast<void*>(&neg)},
            {Py_nb_positive, reinterpret_cast<void*>(&pos)},
            {Py_sq_length, reinterpret_cast<void*>(&length)},
            {Py_sq_item, reinterpret_cast<void*>(&item)},
            {Py_mp_length, reinterpret_cast<void*>(&length)},
            {Py_mp_subscript, reinterpret_cast<void*>(&subscript)},
        };
    }

    // ---- construction and forms ----
    template <std::size_t I>
    static double get(const V& v) {
        return v.v[I];
    }
    template <std::size_t I>
    static V with(const V& v, double c) {
        V r = v;
        r.v[I] = c;
        return r;
    }

};

}  // namespace vx
