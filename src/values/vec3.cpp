// Vec3: the double-precision 3-vector every Python-facing class takes and
// returns. Its math methods are declared in vec3_math.cpp, its conversions to
// other classes in vec3_conversions.cpp.
#include "values/vector_frame.hpp"
#include "values/vector_methods.hpp"

namespace vx {
namespace {

using C = VectorClass<PyDVec3>;
using D = bind::Declare<PyDVec3>;

DVec3 construct(std::optional<double> x, std::optional<double> y, std::optional<double> z,
                bind::PickleState state) {
    return C::construct({x.value_or(0.0), y.value_or(0.0), z.value_or(0.0)}, state);
}

const bind::MethodTable frame = vector_frame_methods<PyDVec3>();
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
            .blocks = {&frame, &common, &flat_forms, &vec3_math_methods, &vec3_conversion_methods},
            .fields = std::vector<const char*>{"x", "y", "z"},
        };
        c.slots.push_back(D::constructor<"Vec3(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)", &construct>());
        return c;
    }();
    return d;
}

}  // namespace vx
