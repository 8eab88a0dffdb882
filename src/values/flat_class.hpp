#pragma once
// What every value type shares whose value is a flat run of N doubles in
// storage order (vector components; matrix columns one after the other,
// translation last): pickled state, hash, comparison, the dict tuple, JSON,
// flat lists and NumPy arrays all read and write that run. The NumPy form of
// a matrix is Rows x Cols with element [r][c] = component r of column c;
// Cols == 0 means the one-dimensional form of the vectors and Quat.
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

#include "bind/numpy_bridge.hpp"
#include "bind/pickle_state.hpp"
#include "values/flat_forms.hpp"
#include "vxformats/json_numbers.hpp"
#include "values/matrix_args.hpp"
#include "values/math/dvec.hpp"

namespace vx {

// A from_array / from_cols_array argument: any sequence of exactly N numbers,
// read while the argument is converted (a failure carries its note).
template <std::size_t N>
struct FloatSequence {
    std::array<double, N> value;
};

}  // namespace vx

template <std::size_t N>
struct vx::bind::Caster<vx::FloatSequence<N>> {
    static vx::FloatSequence<N> from(PyObject* o) {
        vx::FloatSequence<N> s;
        vx::components_from_array(o, s.value);
        return s;
    }
};

namespace vx {

// A from_cols_array_2d argument: a sequence of Cols sequences of Rows numbers,
// item c being column c, read while the argument is converted.
template <std::size_t Rows, std::size_t Cols>
struct ColumnSequence {
    std::array<double, Rows * Cols> value;
};

}  // namespace vx

template <std::size_t Rows, std::size_t Cols>
struct vx::bind::Caster<vx::ColumnSequence<Rows, Cols>> {
    static vx::ColumnSequence<Rows, Cols> from(PyObject* m) {
        if (!PySequence_Check(m)) raise_not_instance(m, "Sequence");
        const Py_ssize_t n = PySequence_Size(m);
        if (n < 0) throw_python_error();
        if (static_cast<std::size_t>(n) != Cols)
            raise_value_error("expected a sequence of length " + std::to_string(Cols) + " (got " + std::to_string(n) +
                              ")");
        vx::ColumnSequence<Rows, Cols> s;
        for (std::size_t c = 0; c < Cols; ++c) {
            Ref column = check(PySequence_GetItem(m, static_cast<Py_ssize_t>(c)));
            vx::components_from_array(column.get(), std::span<double>(s.value.data() + c * Rows, Rows));
        }
        return s;
    }
};

namespace vx {

// The class's own argument converter, by value type.
template <std::size_t N>
bool read_value(PyObject* o, DVec<N>& out) {
    return read_vector(o, out);
}

template <class Cls, std::size_t Rows, std::size_t Cols>
struct FlatClass {
    using V = typename Cls::Value;
    static_assert(std::is_trivially_copyable_v<V> && sizeof(V) % sizeof(double) == 0);
    static constexpr std::size_t N = sizeof(V) / sizeof(double);
    static_assert(Cols == 0 ? Rows == N : Rows * Cols == N);
    using Flat = std::array<double, N>;

    static Flat flat(const V& v) { return std::bit_cast<Flat>(v); }
    static V unflat(const Flat& f) { return std::bit_cast<V>(f); }
    static const V& self(PyObject* o) { return bind::value_of<Cls>(o); }
    static bool is_self(PyObject* o) { return Py_TYPE(o) == bind::type_object<Cls>(); }

    template <class F>
    static PyObject* guarded(F f) noexcept {
        try {
            return f();
        } catch (...) {
            bind::set_error_from_current_exception();
            return nullptr;
        }
    }

    // ---- slots shared by all four ----
    static Py_hash_t hash(PyObject* a) noexcept {
        const Flat f = flat(self(a));
        return static_cast<Py_hash_t>(components_hash(f));
    }
    // == and != convert the other operand with the class's own converter; an
    // operand it refuses gives NotImplemented, so identity decides.
    static PyObject* richcompare(PyObject* a, PyObject* b, int op) noexcept {
        if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
        V other;
        if (!read_value(b, other)) {
            PyErr_Clear();
            Py_RETURN_NOTIMPLEMENTED;
        }
        const Flat s = flat(self(a)), o = flat(other);
        bool equal = true;
        for (std::size_t i = 0; i < N; ++i) equal = equal && s[i] == o[i];
        return bind::wrap(op == Py_EQ ? equal : !equal);
    }
    static PyObject* neg(PyObject* a) noexcept {
        return guarded([&] {
            Flat f = flat(self(a));
            for (double& c : f) c = -c;
            return bind::new_object<Cls>(unflat(f));
        });
    }

    // ---- construction, pickled state ----
    static std::string expectation() { return vxformats::sequence_expectation(N); }
    static V construct(V fields, const bind::PickleState& state) {
        if (!state.bytes) return fields;
        Flat f = flat(fields);
        decode_components(*state.bytes, f);
        return unflat(f);
    }
    static bind::Ref getnewargs_ex(const V& v) { return bind::getnewargs_ex(encode_components(flat(v))); }

    // ---- dict and JSON forms ----
    static bind::Ref to_dict(const V& v) { return components_tuple(flat(v)); }
    static V from_dict(PyObject* obj) {
        Flat f{};
        components_from_dict(obj, f);
        return unflat(f);
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
    static std::string to_json(const V& v) { return components_json(flat(v)); }
    static V from_json(bind::Str json) {
        Flat f{};
        components_from_json(json.text, f, expectation(), false);
        return unflat(f);
    }
    static std::optional<V> try_from_json(bind::Str json) {
        Flat f{};
        if (!components_from_json(json.text, f, expectation(), true)) return std::nullopt;
        return unflat(f);
    }

    // ---- column lists ----
    static bind::Ref to_cols_array(const V& v) { return components_list(flat(v)); }
    static V from_cols_array(FloatSequence<N> m) { return unflat(m.value); }
    static bind::Ref to_cols_array_2d(const V& v) {
        const Flat f = flat(v);
        bind::Ref outer = bind::check(PyList_New(static_cast<Py_ssize_t>(Cols)));
        for (std::size_t c = 0; c < Cols; ++c) {
            bind::Ref inner = components_list(std::span<const double>(f.data() + c * Rows, Rows));
            PyList_SetItem(outer.get(), static_cast<Py_ssize_t>(c), inner.release());
        }
        return outer;
    }
    static V from_cols_array_2d(ColumnSequence<Rows, Cols> m) { return unflat(m.value); }

    // ---- NumPy ----
    static bind::Ref to_numpy(const V& v) {
        const Flat f = flat(v);
        if constexpr (Cols == 0) {
            return bind::new_f64_array(f.data(), N);
        } else {
            Flat rows{};
            for (std::size_t r = 0; r < Rows; ++r)
                for (std::size_t c = 0; c < Cols; ++c) rows[r * Cols + c] = f[c * Rows + r];
            return bind::new_f64_array(rows.data(), Rows, Cols);
        }
    }
    static V from_numpy(bind::ArrayArg<Cols == 0 ? 1 : 2> array) {
        const bind::F64Array& a = array.array;
        Flat f{};
        if constexpr (Cols == 0) {
            if (a.rows != N)
                bind::raise_value_error(std::string(Cls::name) + ".from_numpy expected shape (" + std::to_string(N) +
                                        ",)");
            for (std::size_t i = 0; i < N; ++i) f[i] = a.data[i];
        } else {
            if (a.rows != Rows || a.cols != Cols)
                bind::raise_value_error(std::string(Cls::name) + ".from_numpy expected shape (" +
                                        std::to_string(Rows) + ", " + std::to_string(Cols) + ")");
            for (std::size_t r = 0; r < Rows; ++r)
                for (std::size_t c = 0; c < Cols; ++c) f[c * Rows + r] = a.data[r * Cols + c];
        }
        return unflat(f);
    }

    // ---- predicates: those of the vectors, over the whole run ----
    static DVec<N> as_vector(const V& v) { return std::bit_cast<DVec<N>>(v); }
    static bool is_finite(const V& v) { return vx::is_finite(as_vector(v)); }
    static bool is_nan(const V& v) { return vx::is_nan(as_vector(v)); }
    // A NaN on either side, or a negative tolerance, fails the comparison.
    static bool abs_diff_eq(const V& v, V rhs, double max_abs_diff) {
        return vx::abs_diff_eq(as_vector(v), as_vector(rhs), max_abs_diff);
    }

    static V zero_value() { return V{}; }
    // The quiet NaN 0x7FF8000000000000 in every component.
    static V nan_value() {
        Flat f;
        f.fill(std::numeric_limits<double>::quiet_NaN());
        return unflat(f);
    }

    // Component-wise maps over the whole run (abs, recip, scaling).
    template <class F>
    static V map(const V& v, F f) {
        Flat r = flat(v);
        for (double& c : r) c = f(c);
        return unflat(r);
    }
    template <class F>
    static V zip(const V& a, const V& b, F f) {
        Flat r = flat(a);
        const Flat o = flat(b);
        for (std::size_t i = 0; i < N; ++i) r[i] = f(r[i], o[i]);
        return unflat(r);
    }
};

}  // namespace vx
