// Vec4: the double-precision 4-vector. It holds the same record as Quat; the
// operations the two classes share are the free functions of
// values/math/dvec.hpp. Besides the shared vector members it has `truncate`.
#include "values/vector_class.hpp"
#include "values/vector_frame.hpp"
#include "values/vector_math_methods.hpp"

namespace vx {
namespace {

using C = VectorClass<PyDVec4>;
using D = bind::Declare<PyDVec4>;

DVec4 construct(std::optional<double> x, std::optional<double> y, std::optional<double> z,
                std::optional<double> w, bind::PickleState state) {
    return C::construct({x.value_or(0.0), y.value_or(0.0), z.value_or(0.0), w.value_or(0.0)}, state);
}

DVec3 truncate(const DVec4& v) { return {v[0], v[1], v[2]}; }

const bind::MethodTable construction = {
    D::constructor<"Vec4(x=0.0, y=0.0, z=0.0, w=0.0, *, __pickle_state__=None)", &construct>(),
};
const bind::MethodTable frame = vector_frame_methods<PyDVec4>();
const bind::MethodTable common = vector_common_methods<PyDVec4>();
const bind::MethodTable flat_values = flat_value_methods<PyDVec4, 4, 0>();
const bind::MethodTable math = vector_math_methods<PyDVec4>();
const bind::MethodTable own = {
    D::method<"truncate($self)", &truncate>(),
};

}  // namespace

const bind::ClassDef& PyDVec4::def() {
    static const bind::ClassDef d{
        .blocks = {&construction, &frame, &common, &flat_values, &math, &own},
        .fields = std::vector<const char*>{"x", "y", "z", "w"},
    };
    return d;
}

}  // namespace vx
