#pragma once
// What Mat3 and Mat4 share beyond the flat forms (flat_class.hpp): the
// operators, the bodies of the methods both declare under their own names,
// and the text form of the matrices.
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

// What Mat3 and Mat4 share (Vec the column vector, DVec3 or DVec4).
template <class Cls, class Vec>
struct SquareMatrix {
    static constexpr std::size_t Dim = sizeof(Vec) / sizeof(double);
    using F = FlatClass<Cls, Dim, Dim>;
    using V = typename Cls::Value;
    using VecCls = typename VecClass<Dim>::type;

    // ---- method bodies ----
    static Vec col(const V& m, bind::UnsignedIndex index) {
        if (index.value >= Dim) bind::raise_index_error("column index out of range");
        return m.col(index.value);
    }
    static Vec row(const V& m, bind::UnsignedIndex index) {
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

    // ---- operators ----
    // m * o: a matrix (product), else a vector (mapped), else a number
    // (scaled), else TypeError; o * m only a number.
    static bind::Ref mul(const V& m, PyObject* rhs) {
        using bind::to_ref;
        // Instances first: the matrix converter's fallback would refuse a
        // vector only after building an exception.
        if (Py_TYPE(rhs) == bind::type_object<Cls>()) return to_ref(vx::mul(m, bind::value_of<Cls>(rhs)));
        if (Py_TYPE(rhs) == bind::type_object<VecCls>()) return to_ref(vx::mul(m, bind::value_of<VecCls>(rhs)));
        if (std::optional<V> o = bind::try_cast<V>(rhs)) return to_ref(vx::mul(m, *o));
        if (std::optional<Vec> v = bind::try_cast<Vec>(rhs)) return to_ref(vx::mul(m, *v));
        if (std::optional<double> s = bind::try_cast<double>(rhs)) return to_ref(mul_scalar(m, *s));
        bind::raise_type_error("unsupported operand type for *");
    }
    static V rmul(const V& m, PyObject* lhs) {
        if (std::optional<double> s = bind::try_cast<double>(lhs)) return mul_scalar(m, *s);
        bind::raise_type_error("unsupported operand type for *");
    }
    static std::string repr(const V& m) { return matrix_repr(Cls::name, F::flat(m), Dim); }
};

// The slots and members Mat3 and Mat4 declare under the same names. + and -
// take a matrix, / a number, and answer NotImplemented for anything else, as
// they do with a non-matrix on the left.
template <class Cls, class Vec>
bind::MethodTable square_matrix_methods() {
    using M = SquareMatrix<Cls, Vec>;
    using F = typename M::F;
    using D = bind::Declare<Cls>;
    return {
        D::template slot<"__repr__($self)", &M::repr>(),
        D::template slot<"__add__($self, rhs)", &M::add_mat>(),
        D::template slot<"__sub__($self, rhs)", &M::sub_mat>(),
        D::template slot<"__mul__($self, rhs)", &M::mul>(),
        D::template slot<"__rmul__($self, lhs)", &M::rmul>(),
        D::template slot<"__truediv__($self, rhs)", &M::div_scalar>(),
        D::template slot<"__neg__($self)", &F::neg>(),
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

}  // namespace vx
