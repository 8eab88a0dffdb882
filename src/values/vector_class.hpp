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
#include "values/flat_forms.hpp"
#include "values/vector_args.hpp"

namespace vx {

template <class Cls>
struct VectorClass {
    using V = typename Cls::Value;
    static constexpr std::size_t N = sizeof(V) / sizeof(double);

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
    static Py_hash_t hash(PyObject* a) noexcept { return static_cast<Py_hash_t>(components_hash(span(self(a)))); }
    static PyObject* richcompare(PyObject* a, PyObject* b, int op) noexcept {
        if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
        V other;
        if (!read_vector(b, other)) {
            PyErr_Clear();
            Py_RETURN_NOTIMPLEMENTED;
        }
        const V& s = self(a);
        bool equal = true;
        for (std::size_t i = 0; i < N; ++i) equal = equal && s.v[i] == other.v[i];
        return bind::wrap(op == Py_EQ ? equal : !equal);
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
            {Py_tp_hash, reinterpret_cast<void*>(&hash)},
            {Py_tp_richcompare, reinterpret_cast<void*>(&richcompare)},
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
    static std::string expectation() { return f64_sequence_expectation(N); }

    // The constructor's common tail: state, when given, replaces the fields.
    static V construct(V fields, const bind::PickleState& state) {
        if (state.bytes) decode_components(*state.bytes, {fields.v, N}, expectation());
        return fields;
    }

    static bind::Ref getnewargs_ex(const V& v) { return bind::getnewargs_ex(encode_components(span(v))); }
    static bind::Ref to_numpy(const V& v) { return bind::new_f64_array(v.v, N); }
    static V from_numpy(PyObject* array) {
        bind::F64Array a = bind::read_f64_array(array, 1);
        if (a.rows != N)
            bind::raise_value_error(std::string(Cls::name) + ".from_numpy expected shape (" + std::to_string(N) + ",)");
        V v;
        for (std::size_t i = 0; i < N; ++i) v.v[i] = a.data[i];
        return v;
    }
    static bind::Ref to_list(const V& v) { return components_list(span(v)); }
    static V from_array(PyObject* a) {
        V v;
        components_from_array(a, {v.v, N});
        return v;
    }
    static bind::Ref to_dict(const V& v) { return components_tuple(span(v)); }
    static V from_dict(PyObject* obj) {
        V v;
        components_from_dict(obj, {v.v, N});
        return v;
    }
    static std::optional<V> try_from_dict(PyObject* obj) {
        try {
            return from_dict(obj);
        } catch (const bind::Error&) {
        } catch (const bind::PythonError&) {
            PyErr_Clear();
        }
        return std::nullopt;
    }
    static std::string to_json(const V& v) { return components_json(span(v)); }
    static V from_json(bind::Str json) {
        V v;
        components_from_json(json.text, {v.v, N}, expectation(), false);
        return v;
    }
    static std::optional<V> try_from_json(bind::Str json) {
        V v;
        if (!components_from_json(json.text, {v.v, N}, expectation(), true)) return std::nullopt;
        return v;
    }

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

    template <class F>
    static PyObject* guarded(F f) noexcept {
        try {
            return f();
        } catch (...) {
            bind::set_error_from_current_exception();
            return nullptr;
        }
    }
};

}  // namespace vx
