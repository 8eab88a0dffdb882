#pragma once
// What Vec2, Vec3 and Vec4 share beyond the flat forms: the vector operator
// protocol, text forms, indexing and the list forms. Each class file adds its
// constructor, constants and own methods.
#include <cmath>
#include <optional>
#include <span>
#include <string>

#include "values/flat_class.hpp"
#include "values/vector_args.hpp"

namespace vx {

template <class Cls>
struct VectorClass : FlatClass<Cls, sizeof(typename Cls::Value) / sizeof(double), 0> {
    using V = typename Cls::Value;
    static constexpr std::size_t N = sizeof(V) / sizeof(double);

    static std::span<const double> span(const V& v) { return {v.v, N}; }

    // ---- the vector operator protocol ----
    // The other operand: a vector by the class's converter, else a number
    // broadcast to every component, else TypeError with the operator's text.
    // Only ordinary errors of the two attempts are discarded.
    static V operand(PyObject* o, const char* message) {
        // A plain float is neither a sequence nor carries x: skip the
        // converter, whose failure would cost an AttributeError.
        if (PyFloat_CheckExact(o)) return V::splat(PyFloat_AsDouble(o));
        if (std::optional<V> v = bind::try_cast<V>(o)) return *v;
        if (std::optional<double> f = bind::try_cast<double>(o)) return V::splat(*f);
        bind::raise_type_error(message);
    }
    struct Add {
        static constexpr const char* message = "unsupported operand type for +";
        V operator()(const V& a, const V& b) const { return a + b; }
    };
    struct Sub {
        static constexpr const char* message = "unsupported operand type for -";
        V operator()(const V& a, const V& b) const { return a - b; }
    };
    struct Mul {
        static constexpr const char* message = "unsupported operand type for *";
        V operator()(const V& a, const V& b) const { return a * b; }
    };
    struct Div {
        static constexpr const char* message = "unsupported operand type for /";
        V operator()(const V& a, const V& b) const { return a / b; }
    };
    struct Rem {
        static constexpr const char* message = "unsupported operand type for %";
        V operator()(const V& a, const V& b) const { return fmod(a, b); }
    };
    template <class Op>
    static V forward(const V& self, PyObject* rhs) {
        return Op{}(self, operand(rhs, Op::message));
    }
    template <class Op>
    static V reflected(const V& self, PyObject* lhs) {
        return Op{}(operand(lhs, Op::message), self);
    }
    static V pos(const V& v) { return v; }

    // ---- text, indexing ----
    static std::string repr(const V& v) { return components_repr(Cls::name, span(v)); }
    static std::string str(const V& v) { return components_str(span(v)); }
    static std::size_t length(const V&) { return N; }
    static double component(const V& v, bind::Index index) {
        long long i = index.value;
        if (i < 0) i += static_cast<long long>(N);
        if (i < 0 || i >= static_cast<long long>(N)) bind::raise_index_error("index out of range");
        return v.v[i];
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
};

// The slots and members every vector class declares alike. % has no
// reflected form: a number on the left of % is the interpreter's error.
template <class Cls>
bind::MethodTable vector_common_methods() {
    using D = bind::Declare<Cls>;
    using C = VectorClass<Cls>;
    return {
        D::template slot<"__repr__($self)", &C::repr>(),
        D::template slot<"__str__($self)", &C::str>(),
        D::template slot<"__len__($self)", &C::length>(),
        D::template slot<"__getitem__($self, idx)", &C::component>(),
        D::template slot<"__add__($self, rhs)", &C::template forward<typename C::Add>>(),
        D::template slot<"__radd__($self, lhs)", &C::template reflected<typename C::Add>>(),
        D::template slot<"__sub__($self, rhs)", &C::template forward<typename C::Sub>>(),
        D::template slot<"__rsub__($self, lhs)", &C::template reflected<typename C::Sub>>(),
        D::template slot<"__mul__($self, rhs)", &C::template forward<typename C::Mul>>(),
        D::template slot<"__rmul__($self, lhs)", &C::template reflected<typename C::Mul>>(),
        D::template slot<"__truediv__($self, rhs)", &C::template forward<typename C::Div>>(),
        D::template slot<"__rtruediv__($self, lhs)", &C::template reflected<typename C::Div>>(),
        D::template slot<"__mod__($self, rhs)", &C::template forward<typename C::Rem>>(),
        D::template slot<"__neg__($self)", &C::neg>(),
        D::template slot<"__pos__($self)", &C::pos>(),
        D::template method<"to_list($self)", &C::to_cols_array>(),
        D::template method<"to_array($self)", &C::to_cols_array>(),
        D::template static_method<"from_array(a)", &C::from_cols_array>(),
    };
}

}  // namespace vx
