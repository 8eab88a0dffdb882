// Mat4: the double-precision 4x4 matrix, column-major: a homogeneous
// transform of 3-D space or a projection. The camera constructors are
// declared in mat4_projection.cpp.
#include "values/matrix_class.hpp"

namespace vx {
namespace {

using F = FlatClass<PyDMat4, 4, 4>;
using M = SquareMatrix<PyDMat4, DVec4>;
using D = bind::Declare<PyDMat4>;

DMat4 construct(bind::OrNone<DVec4> x_axis, bind::OrNone<DVec4> y_axis, bind::OrNone<DVec4> z_axis,
                bind::OrNone<DVec4> w_axis, bind::PickleState state) {
    const auto& x = x_axis.value;
    const auto& y = y_axis.value;
    const auto& z = z_axis.value;
    const auto& w = w_axis.value;
    if (state.bytes) return F::construct({}, state);
    if (!x || !y || !z || !w) bind::raise_value_error("Mat4 requires x_axis, y_axis, z_axis, w_axis arguments");
    return {*x, *y, *z, *w};
}

DVec4 get_x_axis(const DMat4& m) { return m.x_axis; }
DVec4 get_y_axis(const DMat4& m) { return m.y_axis; }
DVec4 get_z_axis(const DMat4& m) { return m.z_axis; }
DVec4 get_w_axis(const DMat4& m) { return m.w_axis; }

auto to_scale_rotation_translation_(const DMat4& m) {
    const ScaleRotationTranslation srt = to_scale_rotation_translation(m);
    return std::tuple{srt.scale, srt.rotation, srt.translation};
}
DVec3 transform_point3_(const DMat4& m, DVec3 rhs) { return transform_point3(m, rhs); }
DVec3 transform_vector3_(const DMat4& m, DVec3 rhs) { return transform_vector3(m, rhs); }
DVec3 project_point3_(const DMat4& m, DVec3 rhs) { return project_point3(m, rhs); }

DMat4 from_cols(DVec4 x_axis, DVec4 y_axis, DVec4 z_axis, DVec4 w_axis) { return {x_axis, y_axis, z_axis, w_axis}; }
DMat4 from_diagonal(DVec4 diagonal) { return DMat4::from_diagonal(diagonal); }
DMat4 from_scale(DVec3 scale) { return DMat4::from_diagonal(extend(scale, 1.0)); }
DMat4 from_translation(DVec3 translation) { return mat4_from_mat3_translation(kMat3Identity, translation); }
DMat4 from_quat(DQuat rotation) { return mat4_from_mat3(mat3_from_quat(rotation)); }
DMat4 from_rotation_translation(DQuat rotation, DVec3 translation) {
    return mat4_from_mat3_translation(mat3_from_quat(rotation), translation);
}
DMat4 from_rotation_x(double angle) { return mat4_from_mat3(mat3_from_rotation_x(angle)); }
DMat4 from_rotation_y(double angle) { return mat4_from_mat3(mat3_from_rotation_y(angle)); }
DMat4 from_rotation_z(double angle) { return mat4_from_mat3(mat3_from_rotation_z(angle)); }
DMat4 from_euler(EulerOrder order, double a, double b, double c) {
    return mat4_from_mat3(mat3_from_euler(order, a, b, c));
}

DMat4 identity() { return kMat4Identity; }

const bind::MethodTable frame = {
    D::getter<"x_axis", &get_x_axis>(),
    D::getter<"y_axis", &get_y_axis>(),
    D::getter<"z_axis", &get_z_axis>(),
    D::getter<"w_axis", &get_w_axis>(),
    D::attribute<"IDENTITY", &identity>(),
};
const bind::MethodTable construction = {
    D::constructor<"Mat4(x_axis=None, y_axis=None, z_axis=None, w_axis=None, *, __pickle_state__=None)", &construct>(),
};
const bind::MethodTable flat_values = flat_value_methods<PyDMat4, 4, 4>();
const bind::MethodTable predicates = predicate_methods<PyDMat4, 4, 4>();
const bind::MethodTable columns = column_methods<PyDMat4, 4, 4>();
const bind::MethodTable square = square_matrix_methods<PyDMat4, DVec4>();

const bind::MethodTable math = {
    D::method<"to_scale_rotation_translation($self)", &to_scale_rotation_translation_>(),
    D::method<"mul_vec4($self, rhs)", &M::mul_vec>(),
    D::method<"mul_transpose_vec4($self, rhs)", &M::mul_transpose_vec>(),
    D::method<"transform_point3($self, rhs)", &transform_point3_>(),
    D::method<"transform_vector3($self, rhs)", &transform_vector3_>(),
    D::method<"project_point3($self, rhs)", &project_point3_>(),
    D::method<"mul_mat4($self, rhs)", &M::mul_mat>(),
    D::method<"add_mat4($self, rhs)", &M::add_mat>(),
    D::method<"sub_mat4($self, rhs)", &M::sub_mat>(),
};

const bind::MethodTable constructors = {
    D::static_method<"from_cols(x_axis, y_axis, z_axis, w_axis)", &from_cols>(),
    D::static_method<"from_diagonal(diagonal)", &from_diagonal>(),
    D::static_method<"from_scale(scale)", &from_scale>(),
    D::static_method<"from_translation(translation)", &from_translation>(),
    D::static_method<"from_mat3(m)", &mat4_from_mat3>(),
    D::static_method<"from_mat3_translation(mat3, translation)", &mat4_from_mat3_translation>(),
    D::static_method<"from_quat(rotation)", &from_quat>(),
    D::static_method<"from_rotation_translation(rotation, translation)", &from_rotation_translation>(),
    D::static_method<"from_scale_rotation_translation(scale, rotation, translation)",
                     &mat4_from_scale_rotation_translation>(),
    D::static_method<"from_axis_angle(axis, angle)", &mat4_from_axis_angle>(),
    D::static_method<"from_rotation_x(angle)", &from_rotation_x>(),
    D::static_method<"from_rotation_y(angle)", &from_rotation_y>(),
    D::static_method<"from_rotation_z(angle)", &from_rotation_z>(),
    D::static_method<"from_euler(order, a, b, c)", &from_euler>(),
};

}  // namespace

const bind::ClassDef& PyDMat4::def() {
    static const bind::ClassDef d{
        .blocks = {&construction, &frame, &flat_values, &predicates, &columns, &square, &math, &constructors, &mat4_projection_methods},
        .fields = std::vector<const char*>{"x_axis", "y_axis", "z_axis", "w_axis"},
    };
    return d;
}

}  // namespace vx
