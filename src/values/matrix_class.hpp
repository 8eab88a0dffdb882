#pragma once
// What Quat, Mat3, Mat4 and Affine3 share: each value is a flat run of N
// doubles in storage order (columns one after the other, translation last),
// and every flat form — pickled state, hash, dict tuple, JSON, column lists,
// NumPy arrays — reads and writes that run. The NumPy form of a matrix is
// Rows x Cols with element [r][c] = component r of column c; Cols == 0 means
// the one-dimensional form of Quat.
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
#include "values/flat_class.hpp"
#include "values/euler_rot.hpp"
#include "values/math/euler.hpp"
#include "values/matrix_args.hpp"

namespace vx {

// The text of a matrix: "Mat3([a, b, c], [d, e, f], [g, h, i])", one bracket
// per column, numbers in the plain form.
std::string matrix_repr(const char* name, std::span<const double> components, std::size_t rows);

// An index parameter that must not be negative: the interpreter's integer
// conversion, then OverflowError for a negative value, as an unsigned
// conversion refuses it (the argument's note names the parameter).
struct UnsignedIndex {
    std::size_t value;
};

// What Mat3 and Mat4 share (Vec the column vector, DVec3 or DVec4): the
// operators and the bodies of the methods both declare under their own names.
// m * other tries a matrix, then a vector, then a number, else TypeError;
// other * m only a number; + and - take a matrix, / a number, and answer
// NotImplemented for anything else, as they do with a non-matrix on the left.
template <class Cls, class Vec>
struct SquareMatrix {
    static constexpr std::size_t Dim = sizeof(Vec) / sizeof(double);
    using F = FlatClass<Cls, Dim, Dim>;
    using V = typename Cls::Value;
    using VecCls = typename VecClass<Dim>::type;

    // ---- method bodies ----
    static Vec col(const V& m, UnsignedIndex index) {
        if (index.value >= Dim) bind::raise_index_error("column index out of range");
        return m.col(index.value);
    }
    static Vec row(const V& m, UnsignedIndex index) {
        if (index.value >= Dim) bind::raise_index_error("row index out of range");
        return m.row(index.value);
    }
    static Vec diagonal(const V& m) {
        Vec d;
        for (std::size_t i = 0; i < Dim; ++i) d[i] = m.col(i)[i];
        return d;
    }
    static double determinant(const V& m) { return vx::determinant(m); }
    static V transpose(const V& m) { return vx::transpose(m); }
    static V inverse(const V& m) { return vx::inverse(m); }
    // An exactly zero determinant (either sign) has no inverse; NaN passes.
    static std::optional<V> try_inverse(const V& m) {
        V out{};
        if (!invert(m, out, true)) return std::nullopt;
        return out;
    }
    static V inverse_or_zero(const V& m) { return try_inverse(m).value_or(V{}); }
    static Vec mul_vec(const V& m, Vec rhs) { return vx::mul(m, rhs); }
    static Vec mul_transpose_vec(const V& m, Vec rhs) { return mul_transpose(m, rhs); }
    static V mul_mat(const V& m, V rhs) { return vx::mul(m, rhs); }
    static V add_mat(const V& m, V rhs) {
        return F::zip(m, rhs, [](double a, double b) { return a + b; });
    }
    static V sub_mat(const V& m, V rhs) {
        return F::zip(m, rhs, [](double a, double b) { return a - b; });
    }
    static V mul_scalar(const V& m, double s) {
        return F::map(m, [s](double c) { return c * s; });
    }
    static V div_scalar(const V& m, double s) {
        return F::map(m, [s](double c) { return c / s; });
    }
    static V mul_diagonal_scale(const V& m, Vec scale) {
        V r = m;
        for (std::size_t c = 0; c < Dim; ++c) r.col(c) = m.col(c) * scale[c];
        return r;
    }
    static V abs(const V& m) {
        return F::map(m, [](double c) { return std::fabs(c); });
    }
    // The angles of the upper-left 3x3 block, taken as it is (scale included).
    static std::tuple<double, double, double> to_euler(const V& m, EulerOrder order) {
        EulerAngles e;
        if constexpr (Dim == 3)
            e = mat3_to_euler(order, m);
        else
            e = mat3_to_euler(order, upper_left(m));
        return {e.a, e.b, e.c};
    }
    static V recip(const V& m) {
        return F::map(m, [](double c) { return 1.0 / c; });
    }

    // ---- slots ----
    static PyObject* multiply(PyObject* a, PyObject* b) noexcept {
        return F::guarded([&]() -> PyObject* {
            double s;
            if (F::is_self(a)) {
                // Instances first: the matrix converter's fallback would refuse a
                // vector only after building an exception.
                if (F::is_self(b)) return bind::wrap(vx::mul(F::self(a), F::self(b)));
                if (Py_TYPE(b) == bind::type_object<VecCls>())
                    return bind::wrap(vx::mul(F::self(a), bind::value_of<VecCls>(b)));
                V m;
                if (read_value(b, m)) return bind::wrap(vx::mul(F::self(a), m));
                PyErr_Clear();
                Vec v;
                if (read_vector(b, v)) return bind::wrap(vx::mul(F::self(a), v));
                PyErr_Clear();
                if (bind::try_to_double(b, s)) return bind::wrap(mul_scalar(F::self(a), s));
            } else if (bind::try_to_double(a, s)) {
                return bind::wrap(mul_scalar(F::self(b), s));
            }
            bind::raise_type_error("unsupported operand type for *");
        });
    }
    template <V (*Op)(const V&, V)>
    static PyObject* elementwise(PyObject* a, PyObject* b) noexcept {
        return F::guarded([&]() -> PyObject* {
            V m;
            if (!F::is_self(a) || !read_value(b, m)) {
                PyErr_Clear();
                Py_RETURN_NOTIMPLEMENTED;
            }
            return bind::wrap(Op(F::self(a), m));
        });
    }
    static PyObject* divide(PyObject* a, PyObject* b) noexcept {
        return F::guarded([&]() -> PyObject* {
            double s;
            if (!F::is_self(a) || !bind::try_to_double(b, s)) Py_RETURN_NOTIMPLEMENTED;
            return bind::wrap(div_scalar(F::self(a), s));
        });
    }
    static PyObject* repr(PyObject* a) noexcept {
        return F::guarded([&] { return bind::wrap(matrix_repr(Cls::name, F::flat(F::self(a)), Dim)); });
    }

    static std::vector<PyType_Slot> slots() {
        return {
            {Py_tp_dealloc, reinterpret_cast<void*>(&bind::dealloc<Cls>)},
            {Py_tp_repr, reinterpret_cast<void*>(&repr)},
            {Py_tp_hash, reinterpret_cast<void*>(&F::hash)},
            {Py_tp_richcompare, reinterpret_cast<void*>(&F::richcompare)},
            {Py_nb_add, reinterpret_cast<void*>(&elementwise<&add_mat>)},
            {Py_nb_subtract, reinterpret_cast<void*>(&elementwise<&sub_mat>)},
            {Py_nb_multiply, reinterpret_cast<void*>(&multiply)},
            {Py_nb_true_divide, reinterpret_cast<void*>(&divide)},
            {Py_nb_negative, reinterpret_cast<void*>(&F::neg)},
        };
    }
};

// ---- method blocks declared the same way by several of the four classes ----

// Pickling hook, NumPy form, predicates and the NaN constant: all four.
template <class Cls, std::size_t Rows, std::size_t Cols>
bind::MethodTable flat_value_methods() {
    using F = FlatClass<Cls, Rows, Cols>;
    using D = bind::Declare<Cls>;
    return {
        D::template method<"__getnewargs_ex__($self)", &F::getnewargs_ex>(),
        D::template method<"to_numpy($self)", &F::to_numpy>(),
        D::template method<"__array__($self)", &F::to_numpy>(),
        D::template static_method<"from_numpy(array)", &F::from_numpy>(),
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

// The members Mat3 and Mat4 declare under the same names.
template <class Cls, class Vec>
bind::MethodTable square_matrix_methods() {
    using M = SquareMatrix<Cls, Vec>;
    using D = bind::Declare<Cls>;
    return {
        D::template method<"col($self, index)", &M::col>(),
        D::template method<"row($self, index)", &M::row>(),
        D::template method<"diagonal($self)", &M::diagonal>(),
        D::template method<"determinant($self)", &M::determinant>(),
        D::template method<"transpose($self)", &M::transpose>(),
        D::template method<"inverse($self)", &M::inverse>(),
        D::template method<"try_inverse($self)", &M::try_inverse>(),
        D::template method<"inverse_or_zero($self)", &M::inverse_or_zero>(),
        D::template method<"to_euler($self, order)", &M::to_euler>(),
        D::template method<"mul_scalar($self, rhs)", &M::mul_scalar>(),
        D::template method<"div_scalar($self, rhs)", &M::div_scalar>(),
        D::template method<"mul_diagonal_scale($self, scale)", &M::mul_diagonal_scale>(),
        D::template method<"abs($self)", &M::abs>(),
        D::template method<"recip($self)", &M::recip>(),
    };
}

// The dict (a flat tuple) and JSON forms: Quat, Mat3, Affine3.
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

template <>
struct vx::bind::Caster<vx::UnsignedIndex> {
    static vx::UnsignedIndex from(PyObject* o) {
        Ref i = check(PyNumber_Index(o));
        const unsigned long long v = PyLong_AsUnsignedLongLong(i.get());
        if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw_python_error();
        return {static_cast<std::size_t>(v)};
    }
};
