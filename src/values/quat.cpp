// Quat: the double-precision quaternion x, y, z, w (w the scalar part) in
// which rotations travel through the module. Nothing normalises what it is
// given; the operations that presume a unit quaternion apply their formulas
// to whatever is stored.
#include "values/matrix_class.hpp"

namespace vx {
namespace {

using F = FlatClass<PyDQuat, 4, 0>;
using D = bind::Declare<PyDQuat>;

DQuat construct(std::optional<double> x, std::optional<double> y, std::optional<double> z, std::optional<double> w,
                bind::PickleState state) {
    return F::construct({{x.value_or(0.0), y.value_or(0.0), z.value_or(0.0), w.value_or(1.0)}}, state);
}

// ---- operators ----

std::string repr(const DQuat& q) { return components_repr("Quat", F::flat(q)); }
std::string str(const DQuat& q) { return components_str(F::flat(q)); }

// + and - take only a quaternion on the right and have no reflected form.
DQuat plus(const DQuat& a, DQuat b) { return {a.xyzw + b.xyzw}; }
DQuat minus(const DQuat& a, DQuat b) { return {a.xyzw - b.xyzw}; }

// q * o: a quaternion (product), else a vector (rotated), else a number
// (scaled); o * q: only a number.
bind::Ref multiply(const DQuat& q, PyObject* rhs) {
    using bind::to_ref;
    // Instances first: the converters' fallbacks would refuse a Vec3 as a
    // quaternion only after building two exceptions.
    if (Py_TYPE(rhs) == bind::type_object<PyDQuat>()) return to_ref(vx::mul(q, bind::value_of<PyDQuat>(rhs)));
    if (Py_TYPE(rhs) == bind::type_object<PyDVec3>()) return to_ref(vx::mul(q, bind::value_of<PyDVec3>(rhs)));
    if (std::optional<DQuat> r = bind::try_cast<DQuat>(rhs)) return to_ref(vx::mul(q, *r));
    if (std::optional<DVec3> v = bind::try_cast<DVec3>(rhs)) return to_ref(vx::mul(q, *v));
    if (std::optional<double> s = bind::try_cast<double>(rhs)) return to_ref(DQuat{q.xyzw * *s});
    bind::raise_type_error("unsupported operand type for *");
}
DQuat multiply_reflected(const DQuat& q, PyObject* lhs) {
    if (std::optional<double> s = bind::try_cast<double>(lhs)) return DQuat{DVec4::splat(*s) * q.xyzw};
    bind::raise_type_error("unsupported operand type for *");
}
DQuat divide(const DQuat& q, double s) { return {q.xyzw / s}; }

// ---- instance methods ----

double get_x(const DQuat& q) { return q.x(); }
double get_y(const DQuat& q) { return q.y(); }
double get_z(const DQuat& q) { return q.z(); }
double get_w(const DQuat& q) { return q.w(); }

// The record operations Quat shares with Vec4.
double dot_(const DQuat& q, DQuat rhs) { return dot(rhs.xyzw, q.xyzw); }
double length_(const DQuat& q) { return length(q.xyzw); }
double length_squared_(const DQuat& q) { return length_squared(q.xyzw); }
double length_recip_(const DQuat& q) { return length_recip(q.xyzw); }
DQuat normalize_(const DQuat& q) { return {normalize(q.xyzw)}; }
bool is_normalized_(const DQuat& q) { return is_normalized(q.xyzw); }

DQuat conjugate_(const DQuat& q) { return conjugate(q); }
DQuat mul_quat(const DQuat& q, DQuat rhs) { return mul(q, rhs); }
DVec3 mul_vec3(const DQuat& q, DVec3 rhs) { return mul(q, rhs); }
DQuat lerp_(const DQuat& q, DQuat end, double s) { return lerp(q, end, s); }
DQuat slerp_(const DQuat& q, DQuat end, double s) { return slerp(q, end, s); }
double angle_between_(const DQuat& q, DQuat rhs) { return angle_between(q, rhs); }
DQuat rotate_towards_(const DQuat& q, DQuat rhs, double max_angle) { return rotate_towards(q, rhs, max_angle); }
bool is_near_identity_(const DQuat& q) { return is_near_identity(q); }
auto to_axis_angle_(const DQuat& q) {
    const AxisAngle r = to_axis_angle(q);
    return std::tuple{r.axis, r.angle};
}
DVec3 to_scaled_axis_(const DQuat& q) { return to_scaled_axis(q); }
std::tuple<double, double, double> to_euler(const DQuat& q, EulerOrder order) {
    const EulerAngles e = quat_to_euler(order, q);
    return {e.a, e.b, e.c};
}
DVec3 xyz(const DQuat& q) { return q.xyz(); }

// ---- static constructors ----

DQuat from_xyzw(double x, double y, double z, double w) { return {{x, y, z, w}}; }
DQuat from_mat4(DMat4 mat) { return quat_from_mat3(upper_left(mat)); }
DQuat from_affine3(DAffine3 a) { return quat_from_mat3(a.matrix3); }

DQuat identity() { return kQuatIdentity; }

const bind::MethodTable frame = {
    D::constructor<"Quat(x=0.0, y=0.0, z=0.0, w=1.0, *, __pickle_state__=None)", &construct>(),
    D::slot<"__repr__($self)", &repr>(),
    D::slot<"__str__($self)", &str>(),
    D::slot<"__add__($self, rhs)", &plus>(),
    D::slot<"__sub__($self, rhs)", &minus>(),
    D::slot<"__mul__($self, rhs)", &multiply>(),
    D::slot<"__rmul__($self, lhs)", &multiply_reflected>(),
    D::slot<"__truediv__($self, rhs)", &divide>(),
    D::slot<"__neg__($self)", &F::neg>(),
    D::getter<"x", &get_x>(),
    D::getter<"y", &get_y>(),
    D::getter<"z", &get_z>(),
    D::getter<"w", &get_w>(),
    D::attribute<"IDENTITY", &identity>(),
    D::method<"to_array($self)", &F::to_cols_array>(),
    D::static_method<"from_array(a)", &F::from_cols_array>(),
};
const bind::MethodTable flat_values = flat_value_methods<PyDQuat, 4, 0>();
const bind::MethodTable predicates = predicate_methods<PyDQuat, 4, 0>();
const bind::MethodTable dict_json = dict_json_methods<PyDQuat, 4, 0>();

const bind::MethodTable math = {
    D::method<"dot($self, rhs)", &dot_>(),
    D::method<"length($self)", &length_>(),
    D::method<"length_squared($self)", &length_squared_>(),
    D::method<"length_recip($self)", &length_recip_>(),
    D::method<"normalize($self)", &normalize_>(),
    D::method<"conjugate($self)", &conjugate_>(),
    D::method<"inverse($self)", &conjugate_>(),
    D::method<"mul_quat($self, rhs)", &mul_quat>(),
    D::method<"mul_vec3($self, rhs)", &mul_vec3>(),
    D::method<"lerp($self, end, s)", &lerp_>(),
    D::method<"slerp($self, end, s)", &slerp_>(),
    D::method<"angle_between($self, rhs)", &angle_between_>(),
    D::method<"rotate_towards($self, rhs, max_angle)", &rotate_towards_>(),
    D::method<"is_normalized($self)", &is_normalized_>(),
    D::method<"is_near_identity($self)", &is_near_identity_>(),
    D::method<"to_axis_angle($self)", &to_axis_angle_>(),
    D::method<"to_scaled_axis($self)", &to_scaled_axis_>(),
    D::method<"to_euler($self, order)", &to_euler>(),
    D::method<"xyz($self)", &xyz>(),
};

const bind::MethodTable constructors = {
    D::static_method<"from_xyzw(x, y, z, w)", &from_xyzw>(),
    D::static_method<"from_axis_angle(axis, angle)", &quat_from_axis_angle>(),
    D::static_method<"from_scaled_axis(v)", &quat_from_scaled_axis>(),
    D::static_method<"from_rotation_x(angle)", &quat_from_rotation_x>(),
    D::static_method<"from_rotation_y(angle)", &quat_from_rotation_y>(),
    D::static_method<"from_rotation_z(angle)", &quat_from_rotation_z>(),
    D::static_method<"from_euler(order, a, b, c)", &quat_from_euler>(),
    D::static_method<"from_rotation_axes(x_axis, y_axis, z_axis)", &quat_from_rotation_axes>(),
    D::static_method<"from_mat3(mat)", &quat_from_mat3>(),
    D::static_method<"from_mat4(mat)", &from_mat4>(),
    D::static_method<"from_affine3(a)", &from_affine3>(),
    D::static_method<"from_rotation_arc(from, to)", &quat_from_rotation_arc>(),
    D::static_method<"from_rotation_arc_colinear(from, to)", &quat_from_rotation_arc_colinear>(),
    D::static_method<"from_rotation_arc_2d(from, to)", &quat_from_rotation_arc_2d>(),
    D::static_method<"look_to_lh(dir, up)", &quat_look_to_lh>(),
    D::static_method<"look_to_rh(dir, up)", &quat_look_to_rh>(),
    D::static_method<"look_at_lh(eye, center, up)", &quat_look_at_lh>(),
    D::static_method<"look_at_rh(eye, center, up)", &quat_look_at_rh>(),
};

}  // namespace

const bind::ClassDef& PyDQuat::def() {
    static const bind::ClassDef d{
        .blocks = {&frame, &flat_values, &predicates, &dict_json, &math, &constructors},
        .fields = std::vector<const char*>{"x", "y", "z", "w"},
    };
    return d;
}

}  // namespace vx
