// Vec2: the double-precision 2-vector. Its arguments are read only as a Vec2
// or an object with attributes x and y (no sequence path). Besides the shared
// vector members it has the 2-D angle methods and `extend`.
#include "values/math/dvec2_angle.hpp"
#include "values/vector_class.hpp"
#include "values/vector_frame.hpp"
#include "values/vector_math_methods.hpp"

namespace vx {
namespace {

using C = VectorClass<PyDVec2>;
using D = bind::Declare<PyDVec2>;

DVec2 construct(std::optional<double> x, std::optional<double> y, bind::PickleState state) {
    return C::construct({x.value_or(0.0), y.value_or(0.0)}, state);
}

DVec3 extend(const DVec2& v, double z) { return {v[0], v[1], z}; }

// Vec3 and quaternions overload this name; pick the 2-D form.
using TurnFn = DVec2 (*)(const DVec2&, const DVec2&, double);

const bind::MethodTable construction = {
    D::constructor<"Vec2(x=0.0, y=0.0, *, __pickle_state__=None)", &construct>(),
};
const bind::MethodTable frame = vector_frame_methods<PyDVec2>();
const bind::MethodTable common = vector_common_methods<PyDVec2>();
const bind::MethodTable flat_values = flat_value_methods<PyDVec2, 2, 0>();
const bind::MethodTable math = vector_math_methods<PyDVec2>();
// Only two components have these: the 2-D angle methods and `extend`.
const bind::MethodTable plane = {
    D::method<"extend($self, z)", &extend>(),
    D::method<"perp($self)", &perp>(),
    D::method<"perp_dot($self, rhs)", &perp_dot>(),
    D::method<"rotate($self, rhs)", &rotate>(),
    D::method<"angle_to($self, rhs)", &angle_to>(),
    D::method<"rotate_towards($self, rhs, max_angle)", static_cast<TurnFn>(&rotate_towards)>(),
};

}  // namespace

const bind::ClassDef& PyDVec2::def() {
    static const bind::ClassDef d{
        .blocks = {&construction, &frame, &common, &flat_values, &math, &plane},
        .fields = std::vector<const char*>{"x", "y"},
    };
    return d;
}

}  // namespace vx
