// Affine3: the double-precision 3-D affine transform, a linear part matrix3
// and a translation; a point p maps to matrix3·p + translation.
#include "values/matrix_class.hpp"
#include "vxformats/number_text.hpp"

namespace vx {
namespace {

using F = FlatClass<PyDAffine3, 3, 4>;
using D = bind::Declare<PyDAffine3>;

DAffine3 construct(bind::OrNone<DVec3> translation, bind::OrNone<DMat3> rotation, bind::PickleState state) {
    const auto& t = translation.value;
    const auto& m = rotation.value;
    if (state.bytes) return F::construct({}, state);
    if (!t || !m) bind::raise_value_error("Affine3 requires translation and rotation arguments");
    return {*m, *t};
}

// ---- slots ----

// The debug text of the value: DVec3(1.0, 0.0, 0.0) and
// DMat3 { x_axis: ..., y_axis: ..., z_axis: ... }.
void append_debug_vec3(std::string& s, const DVec3& v) {
    s += "DVec3(";
    for (std::size_t i = 0; i < 3; ++i) {
        if (i) s += ", ";
        vxformats::append_debug(s, v[i]);
    }
    s += ')';
}
std::string debug_repr(const DAffine3& a) {
    std::string s = "Affine3(matrix3=DMat3 { x_axis: ";
    append_debug_vec3(s, a.matrix3.x_axis);
    s += ", y_axis: ";
    append_debug_vec3(s, a.matrix3.y_axis);
    s += ", z_axis: ";
    append_debug_vec3(s, a.matrix3.z_axis);
    s += " }, translation=";
    append_debug_vec3(s, a.translation);
    s += ')';
    return s;
}
// Composition only: a * b applies b, then a. Anything else, on either side,
// is left to the interpreter.
DAffine3 compose(const DAffine3& a, DAffine3 b) { return mul(a, b); }

// ---- methods ----

DMat3 get_matrix3(const DAffine3& a) { return a.matrix3; }
DVec3 get_translation(const DAffine3& a) { return a.translation; }

DVec3 transform_point3_(const DAffine3& a, DVec3 rhs) { return transform_point3(a, rhs); }
DVec3 transform_vector3_(const DAffine3& a, DVec3 rhs) { return transform_vector3(a, rhs); }
DAffine3 inverse_(const DAffine3& a) { return inverse(a); }
auto to_scale_rotation_translation_(const DAffine3& a) {
    const ScaleRotationTranslation srt = to_scale_rotation_translation(a);
    return std::tuple{srt.scale, srt.rotation, srt.translation};
}

DAffine3 from_cols(DVec3 x_axis, DVec3 y_axis, DVec3 z_axis, DVec3 w_axis) { return {{x_axis, y_axis, z_axis}, w_axis}; }
DAffine3 from_scale(DVec3 scale) { return affine3_from_mat3(DMat3::from_diagonal(scale)); }
DAffine3 from_quat(DQuat rotation) { return affine3_from_mat3(mat3_from_quat(rotation)); }
DAffine3 from_axis_angle(DVec3 axis, double angle) { return affine3_from_mat3(mat3_from_axis_angle(axis, angle)); }
DAffine3 from_rotation_x(double angle) { return affine3_from_mat3(mat3_from_rotation_x(angle)); }
DAffine3 from_rotation_y(double angle) { return affine3_from_mat3(mat3_from_rotation_y(angle)); }
DAffine3 from_rotation_z(double angle) { return affine3_from_mat3(mat3_from_rotation_z(angle)); }
// A translation if the Vec3 converter takes the object, else a linear part
// if the Mat3 converter does; both converters' ordinary errors are discarded.
DAffine3 just(PyObject* component) {
    if (std::optional<DVec3> t = bind::try_cast<DVec3>(component)) return affine3_from_translation(*t);
    if (std::optional<DMat3> m = bind::try_cast<DMat3>(component)) return affine3_from_mat3(*m);
    bind::raise_type_error("expected Vec3 or Mat3");
}
DAffine3 from_mat3_translation(DMat3 mat3, DVec3 translation) { return {mat3, translation}; }
DAffine3 from_rotation_translation(DQuat rotation, DVec3 translation) {
    return {mat3_from_quat(rotation), translation};
}

DAffine3 identity() { return kAffine3Identity; }

const bind::MethodTable transforms = {
    D::method<"transform_point3($self, rhs)", &transform_point3_>(),
    D::method<"transform_vector3($self, rhs)", &transform_vector3_>(),
    D::method<"inverse($self)", &inverse_>(),
    D::method<"to_scale_rotation_translation($self)", &to_scale_rotation_translation_>(),
};

const bind::MethodTable constructors = {
    D::static_method<"from_cols(x_axis, y_axis, z_axis, w_axis)", &from_cols>(),
    D::static_method<"from_scale(scale)", &from_scale>(),
    D::static_method<"from_quat(rotation)", &from_quat>(),
    D::static_method<"from_axis_angle(axis, angle)", &from_axis_angle>(),
    D::static_method<"from_rotation_x(angle)", &from_rotation_x>(),
    D::static_method<"from_rotation_y(angle)", &from_rotation_y>(),
    D::static_method<"from_rotation_z(angle)", &from_rotation_z>(),
    D::static_method<"from_translation(translation)", &affine3_from_translation>(),
    D::static_method<"from_mat3(mat3)", &affine3_from_mat3>(),
    D::static_method<"just(component)", &just>(),
    D::static_method<"from_mat3_translation(mat3, translation)", &from_mat3_translation>(),
    D::static_method<"from_scale_rotation_translation(scale, rotation, translation)",
                     &affine3_from_scale_rotation_translation>(),
    D::static_method<"from_rotation_translation(rotation, translation)", &from_rotation_translation>(),
    D::static_method<"from_mat4(m)", &affine3_from_mat4>(),
    D::static_method<"look_to_lh(eye, dir, up)", &affine3_look_to_lh>(),
    D::static_method<"look_to_rh(eye, dir, up)", &affine3_look_to_rh>(),
    D::static_method<"look_at_lh(eye, center, up)", &affine3_look_at_lh>(),
    D::static_method<"look_at_rh(eye, center, up)", &affine3_look_at_rh>(),
};

const bind::MethodTable frame = {
    D::constructor<"Affine3(translation=None, rotation=None, *, __pickle_state__=None)", &construct>(),
    D::slot<"__repr__($self)", &debug_repr>(),
    D::slot<"__mul__($self, rhs)", &compose>(),
    D::attribute<"IDENTITY", &identity>(),
    D::getter<"matrix3", &get_matrix3>(),
    D::getter<"translation", &get_translation>(),
};
const bind::MethodTable flat_values = flat_value_methods<PyDAffine3, 3, 4>();
const bind::MethodTable predicates = predicate_methods<PyDAffine3, 3, 4>();
const bind::MethodTable columns = column_methods<PyDAffine3, 3, 4>();
const bind::MethodTable dict_json = dict_json_methods<PyDAffine3, 3, 4>();

}  // namespace

const bind::ClassDef& PyDAffine3::def() {
    static const bind::ClassDef d{
        .blocks = {&frame, &flat_values, &predicates, &columns, &dict_json, &transforms, &constructors},
        .fields = std::vector<const char*>{"matrix3", "translation"},
    };
    return d;
}

}  // namespace vx
