#pragma once
// The math methods that Vec2, Vec3 and Vec4 declare alike: one block,
// instantiated per class. Vector parameters go through the class's own
// converter (Caster<DVec<N>>), numbers through the float conversion; the
// bodies are the free functions of values/math/dvec_math.hpp, bound directly.
// Each class file adds the methods only it has.
#include <utility>

#include "values/classes.hpp"
#include "values/math/dvec_math.hpp"
#include "values/vector_args.hpp"

namespace vx {

template <class Cls>
bind::MethodTable vector_math_methods() {
    using D = bind::Declare<Cls>;
    constexpr std::size_t N = sizeof(typename Cls::Value) / sizeof(double);
    using V = DVec<N>;
    return {
        D::template static_method<"splat(v)", &V::splat>(),
        // element-wise
        D::template method<"abs($self)", &abs<N>>(),
        D::template method<"signum($self)", &signum<N>>(),
        D::template method<"floor($self)", &floor<N>>(),
        D::template method<"ceil($self)", &ceil<N>>(),
        D::template method<"round($self)", &round<N>>(),
        D::template method<"trunc($self)", &trunc<N>>(),
        D::template method<"fract($self)", &fract<N>>(),
        D::template method<"fract_gl($self)", &fract_gl<N>>(),
        D::template method<"exp($self)", &exp<N>>(),
        D::template method<"exp2($self)", &exp2<N>>(),
        D::template method<"ln($self)", &ln<N>>(),
        D::template method<"log2($self)", &log2<N>>(),
        D::template method<"sqrt($self)", &sqrt<N>>(),
        D::template method<"recip($self)", &recip<N>>(),
        D::template method<"cos($self)", &cos<N>>(),
        D::template method<"sin($self)", &sin<N>>(),
        D::template method<"saturate($self)", &saturate<N>>(),
        D::template method<"sin_cos($self)", &sin_cos<N>>(),
        D::template method<"powf($self, n)", &powf<N>>(),
        D::template method<"copysign($self, rhs)", &copysign<N>>(),
        D::template method<"mul_add($self, a, b)", &mul_add<N>>(),
        D::template method<"step($self, rhs)", &step<N>>(),
        D::template method<"div_euclid($self, rhs)", &div_euclid<N>>(),
        D::template method<"rem_euclid($self, rhs)", &rem_euclid<N>>(),
        D::template method<"min($self, rhs)", &min<N>>(),
        D::template method<"max($self, rhs)", &max<N>>(),
        D::template method<"clamp($self, min, max)", &clamp<N>>(),
        // reductions
        D::template method<"element_sum($self)", &element_sum<N>>(),
        D::template method<"element_product($self)", &element_product<N>>(),
        D::template method<"min_element($self)", &min_element<N>>(),
        D::template method<"max_element($self)", &max_element<N>>(),
        D::template method<"min_position($self)", &min_position<N>>(),
        D::template method<"max_position($self)", &max_position<N>>(),
        // predicates
        D::template method<"is_finite($self)", &is_finite<N>>(),
        D::template method<"is_nan($self)", &is_nan<N>>(),
        D::template method<"is_normalized($self)", &is_normalized<N>>(),
        D::template method<"abs_diff_eq($self, rhs, max_abs_diff)", &abs_diff_eq<N>>(),
        // length and direction
        D::template method<"dot($self, rhs)", &dot<N>>(),
        D::template method<"length($self)", &length<N>>(),
        D::template method<"length_squared($self)", &length_squared<N>>(),
        D::template method<"length_recip($self)", &length_recip<N>>(),
        D::template method<"distance($self, rhs)", &distance<N>>(),
        D::template method<"distance_squared($self, rhs)", &distance_squared<N>>(),
        D::template method<"normalize($self)", &normalize<N>>(),
        D::template method<"try_normalize($self)", &try_normalize<N>>(),
        D::template method<"normalize_or($self, fallback)", &normalize_or<N>>(),
        D::template method<"normalize_or_zero($self)", &normalize_or_zero<N>>(),
        D::template method<"normalize_and_length($self)", &normalize_and_length<N>>(),
        D::template method<"clamp_length($self, min, max)", &clamp_length<N>>(),
        D::template method<"clamp_length_max($self, max)", &clamp_length_max<N>>(),
        D::template method<"clamp_length_min($self, min)", &clamp_length_min<N>>(),
        // interpolation and projection
        D::template method<"lerp($self, rhs, s)", &lerp<N>>(),
        D::template method<"move_towards($self, rhs, d)", &move_towards<N>>(),
        D::template method<"midpoint($self, rhs)", &midpoint<N>>(),
        D::template method<"project_onto($self, rhs)", &project_onto<N>>(),
        D::template method<"reject_from($self, rhs)", &reject_from<N>>(),
        D::template method<"project_onto_normalized($self, rhs)", &project_onto_normalized<N>>(),
        D::template method<"reject_from_normalized($self, rhs)", &reject_from_normalized<N>>(),
        D::template method<"reflect($self, normal)", &reflect<N>>(),
        D::template method<"refract($self, normal, eta)", &refract<N>>(),
    };
}

}  // namespace vx
