#pragma once
// The members of a vector class that follow from its component count alone:
// the read-only components, the copies with one component replaced and the
// class constants (ZERO, ONE, NEG_ONE, the unit axes and their negations,
// INFINITY, NEG_INFINITY, NAN).
#include <limits>

#include "values/vector_class.hpp"

namespace vx {

template <std::size_t N, double S>
DVec<N> splat_constant() {
    return DVec<N>::splat(S);
}
template <std::size_t N, std::size_t Axis, double S>
DVec<N> axis_constant() {
    DVec<N> v = DVec<N>::splat(0.0);
    v[Axis] = S;
    return v;
}
// The quiet NaN 0x7FF8000000000000 in every component.
template <std::size_t N>
DVec<N> nan_constant() {
    return DVec<N>::splat(std::numeric_limits<double>::quiet_NaN());
}

template <class Cls>
bind::MethodTable vector_frame_methods() {
    using D = bind::Declare<Cls>;
    using C = VectorClass<Cls>;
    constexpr std::size_t N = C::N;
    constexpr double inf = std::numeric_limits<double>::infinity();
    bind::MethodTable t = {
        D::template getter<"x", &C::template get<0>>(),
        D::template getter<"y", &C::template get<1>>(),
        D::template method<"with_x($self, x)", &C::template with<0>>(),
        D::template method<"with_y($self, y)", &C::template with<1>>(),
        D::template attribute<"ZERO", &splat_constant<N, 0.0>>(),
        D::template attribute<"ONE", &splat_constant<N, 1.0>>(),
        D::template attribute<"NEG_ONE", &splat_constant<N, -1.0>>(),
        D::template attribute<"INFINITY", &splat_constant<N, inf>>(),
        D::template attribute<"NEG_INFINITY", &splat_constant<N, -inf>>(),
        D::template attribute<"NAN", &nan_constant<N>>(),
        D::template attribute<"X", &axis_constant<N, 0, 1.0>>(),
        D::template attribute<"Y", &axis_constant<N, 1, 1.0>>(),
        D::template attribute<"NEG_X", &axis_constant<N, 0, -1.0>>(),
        D::template attribute<"NEG_Y", &axis_constant<N, 1, -1.0>>(),
    };
    if constexpr (N >= 3) {
        t.entries.push_back(D::template getter<"z", &C::template get<2>>());
        t.entries.push_back(D::template method<"with_z($self, z)", &C::template with<2>>());
        t.entries.push_back(D::template attribute<"Z", &axis_constant<N, 2, 1.0>>());
        t.entries.push_back(D::template attribute<"NEG_Z", &axis_constant<N, 2, -1.0>>());
    }
    if constexpr (N >= 4) {
        t.entries.push_back(D::template getter<"w", &C::template get<3>>());
        t.entries.push_back(D::template method<"with_w($self, w)", &C::template with<3>>());
        t.entries.push_back(D::template attribute<"W", &axis_constant<N, 3, 1.0>>());
        t.entries.push_back(D::template attribute<"NEG_W", &axis_constant<N, 3, -1.0>>());
    }
    return t;
}

}  // namespace vx
