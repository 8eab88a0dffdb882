// Vec3: the double-precision 3-vector every Python-facing class takes and
// returns. Its math methods are declared in vec3_math.cpp, its conversions to
// other classes in vec3_conversions.cpp.
#include <limits>

#include "values/vector_methods.hpp"

namespace vx {
namespace {

using C = VectorClass<PyDVec3>;
using D = bind::Declare<PyDVec3>;

DVec3 construct(std::optional<double> x, std::optional<double> y, std::optional<double> z,
                bind::PickleState state) {
    return C::construct({x.value_or(0.0), y.value_or(0.0), z.value_or(0.0)}, state);
}

constexpr double inf = std::numeric_limits<double>::infinity();
template <double X, double Y, double Z>
DVec3 constant() {
    return {X, Y, Z};
}
// The quiet NaN 0x7FF8000000000000 in every component.
DVec3 nan_constant() { return DVec3::splat(std::numeric_limits<double>::quiet_NaN()); }

const bind::MethodTable frame = {
    D::getter<"x", &C::get<0>>(),
    D::getter<"y", &C::get<1>>(),
    D::getter<"z", &C::get<2>>(),
    D::method<"with_x($self, x)", &C::with<0>>(),
    D::method<"with_y($self, y)", &C::with<1>>(),
    D::method<"with_z($self, z)", &C::with<2>>(),
    D::attribute<"ZERO", &constant<0.0, 0.0, 0.0>>(),
    D::attribute<"ONE", &constant<1.0, 1.0, 1.0>>(),
    D::attribute<"NEG_ONE", &constant<-1.0, -1.0, -1.0>>(),
    D::attribute<"X", &constant<1.0, 0.0, 0.0>>(),
    D::attribute<"Y", &constant<0.0, 1.0, 0.0>>(),
    D::attribute<"Z", &constant<0.0, 0.0, 1.0>>(),
    D::attribute<"NEG_X", &constant<-1.0, 0.0, 0.0>>(),
    D::attribute<"NEG_Y", &constant<0.0, -1.0, 0.0>>(),
    D::attribute<"NEG_Z", &constant<0.0, 0.0, -1.0>>(),
    D::attribute<"INFINITY", &constant<inf, inf, inf>>(),
    D::attribute<"NEG_INFINITY", &constant<-inf, -inf, -inf>>(),
    D::attribute<"NAN", &nan_constant>(),
};
const bind::MethodTable common = vector_common_methods<PyDVec3>();
const bind::MethodTable flat_forms = flat_form_methods<PyDVec3>();

}  // namespace

const bind::ClassDef& PyDVec3::def() {
    static const bind::ClassDef d = [] {
        bind::ClassDef c{
            .name = "Vec3",
            .doc = "Vec3(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)\n--\n\n",
            .basicsize = sizeof(bind::Object<PyDVec3>),
            .flags = 0,
            .slots = C::slots(),
            .blocks = {&frame, &common, &flat_forms},
            .fields = std::vector<const char*>{"x", "y", "z"},
        };
        c.slots.push_back(D::constructor<"Vec3(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)", &construct>());
        return c;
    }();
    return d;
}

}  // namespace vx
