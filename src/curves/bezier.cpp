// QuadraticBezier and CubicBezier: one design over three and four control
// points. Beyond the members every curve class shares they have a fixed-count
// constructor, a fixed repr and the de Casteljau split at an unclamped t.
#include "curves/curve_class.hpp"

namespace vx {
namespace {

using curvel::Vec3;
using bind::OrNone;

// lerp(a, b) = s·a + t·b, both products formed first.
struct Lerp {
    float s, t;
    Vec3 operator()(Vec3 a, Vec3 b) const { return a * s + b * t; }
};

// The left piece runs from P0 to the point at t, the right piece on to the
// last point; for t outside [0, 1] both extrapolate.
std::pair<curvel::CubicBezier, curvel::CubicBezier> split_cubic(const curvel::CubicBezier& c, float t) {
    const auto& [P0, P1, P2, P3] = c.points;
    const Lerp lerp{1.0f - t, t};
    const Vec3 a0 = lerp(P0, P1), a1 = lerp(P1, P2), a2 = lerp(P2, P3);
    const Vec3 b0 = lerp(a0, a1), b1 = lerp(a1, a2);
    const Vec3 m = lerp(b0, b1);
    return {{{P0, a0, b0, m}}, {{m, b1, a2, P3}}};
}
std::pair<curvel::QuadraticBezier, curvel::QuadraticBezier> split_quadratic(const curvel::QuadraticBezier& c,
                                                                              float t) {
    const auto& [P0, P1, P2] = c.points;
    const Lerp lerp{1.0f - t, t};
    const Vec3 a0 = lerp(P0, P1), a1 = lerp(P1, P2);
    const Vec3 m = lerp(a0, a1);
    return {{{P0, a0, m}}, {{m, a1, P2}}};
}

curvel::CubicBezier construct_cubic(OrNone<Vec3> p0, OrNone<Vec3> p1, OrNone<Vec3> p2, OrNone<Vec3> p3,
                                    bind::PickleState state) {
    return curves::state_or_fields<curvel::CubicBezier>(
        state, "CubicBezier requires p0, p1, p2, p3 arguments",
        [](Vec3 a, Vec3 b, Vec3 c, Vec3 d) { return curvel::CubicBezier{{a, b, c, d}}; }, p0, p1, p2, p3);
}
curvel::QuadraticBezier construct_quadratic(OrNone<Vec3> p0, OrNone<Vec3> p1, OrNone<Vec3> p2,
                                            bind::PickleState state) {
    return curves::state_or_fields<curvel::QuadraticBezier>(
        state, "QuadraticBezier requires p0, p1, p2 arguments",
        [](Vec3 a, Vec3 b, Vec3 c) { return curvel::QuadraticBezier{{a, b, c}}; }, p0, p1, p2);
}

std::string cubic_repr(const curvel::CubicBezier&) { return "CubicBezier(4 points)"; }
std::string quadratic_repr(const curvel::QuadraticBezier&) { return "QuadraticBezier(3 points)"; }

using Cubic = bind::Declare<PyCubicBezier>;
const bind::MethodTable cubic_own = {
    Cubic::constructor<"CubicBezier(p0=None, p1=None, p2=None, p3=None, *, __pickle_state__=None)",
                       &construct_cubic>(),
    Cubic::slot<"__repr__($self)", &cubic_repr>(),
    Cubic::method<"split($self, t)", &split_cubic>(),
};

using Quadratic = bind::Declare<PyQuadraticBezier>;
const bind::MethodTable quadratic_own = {
    Quadratic::constructor<"QuadraticBezier(p0=None, p1=None, p2=None, *, __pickle_state__=None)",
                           &construct_quadratic>(),
    Quadratic::slot<"__repr__($self)", &quadratic_repr>(),
    Quadratic::method<"split($self, t)", &split_quadratic>(),
};

}  // namespace

const bind::ClassDef& PyCubicBezier::def() { return curves::curve_class_def<PyCubicBezier>(cubic_own); }
const bind::ClassDef& PyQuadraticBezier::def() { return curves::curve_class_def<PyQuadraticBezier>(quadratic_own); }

}  // namespace vx
