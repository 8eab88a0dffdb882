// Mat3: the double-precision 3x3 matrix, column-major: a rotation or linear
// map of 3-D space, and the homogeneous matrix of a 2-D affine transform.
#include "values/matrix_class.hpp"

namespace vx {

namespace {

using F = FlatClass<PyDMat3, 3, 3>;
using M = SquareMatrix<PyDMat3, DVec3>;
using D = bind::Declare<PyDMat3>;

DMat3 construct(bind::OrNone<DVec3> x_axis, bind::OrNone<DVec3> y_axis, bind::OrNone<DVec3> z_axis,
                bind::PickleState state) {
    const auto& x = x_axis.value;
    const auto& y = y_axis.value;
    const auto& z = z_axis.value;
    if (state.bytes) return F::construct({}, state);
    if (!x || !y || !z) bind::raise_value_error("Mat3 requires x_axis, y_axis, z_axis arguments");
    return {*x, *y, *z};
}

DVec3 get_x_axis(const DMat3& m) { return m.x_axis; }
DVec3 get_y_axis(const DMat3& m) { return m.y_axis; }
DVec3 get_z_axis(const DMat3& m) { return m.z_axis; }

DMat3 from_cols(DVec3 x_axis, DVec3 y_axis, DVec3 z_axis) { return {x_axis, y_axis, z_axis}; }
DMat3 from_diagonal(DVec3 diagonal) { return DMat3::from_diagonal(diagonal); }
// Indexes above 3 name no column or row of a 4x4 matrix: IndexError, in the
// words col and row use.
DMat3 from_mat4_minor(DMat4 m, bind::UnsignedIndex i, bind::UnsignedIndex j) {
    if (i.value > 3) bind::raise_index_error("column index out of range");
    if (j.value > 3) bind::raise_index_error("row index out of range");
    return mat3_from_mat4_minor(m, {static_cast<int>(i.value), static_cast<int>(j.value)});
}

DMat3 identity() { return kMat3Identity; }

const bind::MethodTable frame = {
    D::getter<"x_axis", &get_x_axis>(),
    D::getter<"y_axis", &get_y_axis>(),
    D::getter<"z_axis", &get_z_axis>(),
    D::attribute<"IDENTITY", &identity>(),
};
const bind::MethodTable construction = {
    D::constructor<"Mat3(x_axis=None, y_axis=None, z_axis=None, *, __pickle_state__=None)", &construct>(),
};
const bind::MethodTable flat_values = flat_value_methods<PyDMat3, 3, 3>();
const bind::MethodTable predicates = predicate_methods<PyDMat3, 3, 3>();
const bind::MethodTable columns = column_methods<PyDMat3, 3, 3>();
const bind::MethodTable dict_json = dict_json_methods<PyDMat3, 3, 3>();
const bind::MethodTable square = square_matrix_methods<PyDMat3, DVec3>();

const bind::MethodTable math = {
    D::method<"mul_vec3($self, rhs)", &M::mul_vec>(),
    D::method<"mul_transpose_vec3($self, rhs)", &M::mul_transpose_vec>(),
    D::method<"transform_point2($self, rhs)", &transform_point2>(),
    D::method<"transform_vector2($self, rhs)", &transform_vector2>(),
    D::method<"mul_mat3($self, rhs)", &M::mul_mat>(),
    D::method<"add_mat3($self, rhs)", &M::add_mat>(),
    D::method<"sub_mat3($self, rhs)", &M::sub_mat>(),
};

const bind::MethodTable constructors = {
    D::static_method<"from_cols(x_axis, y_axis, z_axis)", &from_cols>(),
    D::static_method<"from_diagonal(diagonal)", &from_diagonal>(),
    D::static_method<"from_quat(rotation)", &mat3_from_quat>(),
    D::static_method<"from_axis_angle(axis, angle)", &mat3_from_axis_angle>(),
    D::static_method<"from_scaled_axis(v)", &mat3_from_scaled_axis>(),
    D::static_method<"from_euler(order, a, b, c)", &mat3_from_euler>(),
    D::static_method<"from_rotation_x(angle)", &mat3_from_rotation_x>(),
    D::static_method<"from_rotation_y(angle)", &mat3_from_rotation_y>(),
    D::static_method<"from_rotation_z(angle)", &mat3_from_rotation_z>(),
    D::static_method<"from_angle(angle)", &mat3_from_rotation_z>(),
    D::static_method<"from_translation(translation)", &mat3_from_translation2>(),
    D::static_method<"from_scale(scale)", &mat3_from_scale2>(),
    D::static_method<"from_scale_angle_translation(scale, angle, translation)", &mat3_from_scale_angle_translation2>(),
    D::static_method<"from_mat4(m)", &upper_left>(),
    D::static_method<"from_mat4_minor(m, i, j)", &from_mat4_minor>(),
    D::static_method<"look_to_lh(dir, up)", &mat3_look_to_lh>(),
    D::static_method<"look_to_rh(dir, up)", &mat3_look_to_rh>(),
};

}  // namespace

const bind::ClassDef& PyDMat3::def() {
    static const bind::ClassDef d{
        .blocks = {&construction, &frame, &flat_values, &predicates, &columns, &square, &dict_json, &math, &constructors},
        .fields = std::vector<const char*>{"x_axis", "y_axis", "z_axis"},
    };
    return d;
}

}  // namespace vx
