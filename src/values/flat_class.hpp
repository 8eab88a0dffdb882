#pragma once
// What every value type shares whose value is a flat run of N doubles in
// storage order (vector components; matrix columns one after the other,
// translation last): pickled state, hash, comparison, the dict tuple, JSON,
// flat lists and NumPy arrays all read and write that run. The NumPy form of
// a matrix is Rows x Cols with element [r][c] = component r of column c;
// Cols == 0 means the one-dimensional form of the vectors and Quat.
//
// FlatClass holds the bodies; the method blocks below declare them, one block
// per group of members that several classes share.
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
#include "values/math/dvec.hpp"
#include "values/matrix_args.hpp"
#include "vxformats/json_numbers.hpp"

namespace vx {

template <class Cls, std::size_t Rows, std::size_t Cols>
struct FlatClass {
    using V = typename Cls::Value;
    static_assert(std::is_trivially_copyable_v<V> && sizeof(V) % sizeof(double) == 0);
    static constexpr std::size_t N = sizeof(V) / sizeof(double);
    static_assert(Cols == 0 ? Rows == N : Rows * Cols == N);
    using Flat = std::array<double, N>;

    static Flat flat(const V& v) { return std::bit_cast<Flat>(v); }
    static V unflat(const Flat& f) { return std::bit_cast<V>(f); }

    // ---- slots ----
    static long long hash(const V& v) { return components_hash(flat(v)); }
    // `other` arrives through the class's own converter; one it refuses
    // answers NotImplemented, so identity decides.
    static bool equal(const V& v, V other) {
        const Flat s = flat(v), o = flat(other);
        bool equal = true;
        for (std::size_t i = 0; i < N; ++i) equal = equal && s[i] == o[i];
        return equal;
    }
    static V neg(const V& v) {
        return map(v, [](double c) { return -c; });
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
        return bind::try_call([obj] { return from_dict(obj); });
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
    static V from_cols_array(Flat m) { return unflat(m); }
    static bind::Ref to_cols_array_2d(const V& v) {
        const Flat f = flat(v);
        bind::Ref outer = bind::check(PyList_New(static_cast<Py_ssize_t>(Cols)));
        for (std::size_t c = 0; c < Cols; ++c) {
            bind::Ref inner = components_list(std::span<const double>(f.data() + c * Rows, Rows));
            PyList_SetItem(outer.get(), static_cast<Py_ssize_t>(c), inner.release());
        }
        return outer;
    }
    // A sequence of Cols sequences of Rows numbers, item c being column c.
    static V from_cols_array_2d(std::array<std::array<double, Rows>, (Cols == 0 ? 1 : Cols)> m) {
        return std::bit_cast<V>(m);
    }

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
    static bind::Ref array(const V& v, bind::OrNone<bind::Ref> dtype, bind::OrNone<bind::Ref> copy) {
        const auto get = [](const std::optional<bind::Ref>& o) { return o ? o->get() : nullptr; };
        return bind::array_protocol(to_numpy(v), get(dtype.value), get(copy.value));
    }
    // The shape is checked before a single element is copied or converted.
    static V from_numpy(bind::ArrayArg<Cols == 0 ? 1 : 2> array) {
        const bind::F64Array& a = array.array;
        if constexpr (Cols == 0) {
            if (a.rows != N)
                bind::raise_value_error(std::string(Cls::name) + ".from_numpy expected shape (" + std::to_string(N) +
                                        ",)");
        } else {
            if (a.rows != Rows || a.cols != Cols)
                bind::raise_value_error(std::string(Cls::name) + ".from_numpy expected shape (" +
                                        std::to_string(Rows) + ", " + std::to_string(Cols) + ")");
        }
        Flat elements{};
        bind::noted("array", [&] { a.copy_to(elements); });
        if constexpr (Cols == 0) return unflat(elements);
        Flat f{};
        for (std::size_t r = 0; r < Rows; ++r)
            for (std::size_t c = 0; c < Cols; ++c) f[c * Rows + r] = elements[r * Cols + c];
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

// ---- method blocks, each declared once and shared ----

// ==, != and hash, the pickling hook and the NumPy form: all seven classes.
template <class Cls, std::size_t Rows, std::size_t Cols>
bind::MethodTable flat_value_methods() {
    using F = FlatClass<Cls, Rows, Cols>;
    using D = bind::Declare<Cls>;
    return {
        D::template slot<"__hash__($self)", &F::hash>(),
        D::template slot<"__eq__($self, other)", &F::equal>(),
        D::template method<"__getnewargs_ex__($self)", &F::getnewargs_ex>(),
        D::template method<"to_numpy($self)", &F::to_numpy>(),
        D::template method<"__array__($self, dtype=None, copy=None)", &F::array>(),
        D::template static_method<"from_numpy(array)", &F::from_numpy>(),
    };
}

// The predicates over the whole run and the NaN constant: Quat and the
// matrices (the vectors declare theirs among their math methods).
template <class Cls, std::size_t Rows, std::size_t Cols>
bind::MethodTable predicate_methods() {
    using F = FlatClass<Cls, Rows, Cols>;
    using D = bind::Declare<Cls>;
    return {
        D::template method<"is_finite($self)", &F::is_finite>(),
        D::template method<"is_nan($self)", &F::is_nan>(),
        D::template method<"abs_diff_eq($self, rhs, max_abs_diff)", &F::abs_diff_eq>(),
        D::template attribute<"NAN", &F::nan_value>(),
    };
}

// Flat and nested column lists and the ZERO constant: Mat3, Mat4, Affine3.
template <class Cls, std::size_t Rows, std::size_t Cols>
bind::MethodTable column_methods() {
    using F = FlatClass<Cls, Rows, Cols>;
    using D = bind::Declare<Cls>;
    return {
        D::template method<"to_cols_array($self)", &F::to_cols_array>(),
        D::template static_method<"from_cols_array(m)", &F::from_cols_array>(),
        D::template method<"to_cols_array_2d($self)", &F::to_cols_array_2d>(),
        D::template static_method<"from_cols_array_2d(m)", &F::from_cols_array_2d>(),
        D::template attribute<"ZERO", &F::zero_value>(),
    };
}

// The dict (a flat tuple) and JSON forms: Vec3, Quat, Mat3, Affine3.
template <class Cls, std::size_t Rows, std::size_t Cols>
bind::MethodTable dict_json_methods() {
    using F = FlatClass<Cls, Rows, Cols>;
    using D = bind::Declare<Cls>;
    return {
        D::template method<"to_dict($self)", &F::to_dict>(),
        D::template static_method<"from_dict(obj)", &F::from_dict>(),
        D::template static_method<"try_from_dict(obj)", &F::try_from_dict>(),
        D::template method<"to_json($self)", &F::to_json>(),
        D::template static_method<"from_json(json)", &F::from_json>(),
        D::template static_method<"try_from_json(json)", &F::try_from_json>(),
    };
}

}  // namespace vx
