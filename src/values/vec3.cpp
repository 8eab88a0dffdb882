// Vec3: the double-precision 3-vector every Python-facing class takes and
// returns. Its math methods are declared in vec3_math.cpp, its conversions to
// other classes in vec3_conversions.cpp.
#include "values/vector_class.hpp"
#include "values/vector_frame.hpp"

namespace vx {
namespace {

using C = VectorClass<PyDVec3>;
using D = bind::Declare<PyDVec3>;

DVec3 construct(std::optional<double> x, std::optional<double> y, std::optional<double> z,
                bind::PickleState state) {
    return C::construct({x.value_or(0.0), y.value_or(0.0), z.value_or(0.0)}, state);
}

const bind::MethodTable construction = {
    D::constructor<"Vec3(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)", &construct>(),
};
const bind::MethodTable frame = vector_frame_methods<PyDVec3>();
const bind::MethodTable common = vector_common_methods<PyDVec3>();
const bind::MethodTable flat_values = flat_value_methods<PyDVec3, 3, 0>();
const bind::MethodTable dict_json = dict_json_methods<PyDVec3, 3, 0>();

}  // namespace

const bind::ClassDef& PyDVec3::def() {
    static const bind::ClassDef d{
        .blocks = {&construction, &frame, &common, &flat_values, &dict_json, &vec3_math_methods, &vec3_conversion_methods},
        .fields = std::vector<const char*>{"x", "y", "z"},
    };
    return d;
}

}  // namespace vx
