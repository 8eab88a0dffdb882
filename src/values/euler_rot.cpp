// EulerRot: a closed enumeration of 24 orders, each a unique object.
#include "values/euler_rot.hpp"

#include <string>
#include <utility>

namespace vx {
namespace {

using D = bind::Declare<PyEulerRot>;

PyObject* members[euler_order_count];  // one-time cells, filled on first need

std::string repr(EulerOrder order) { return std::string("EulerRot.") + euler_order_names[static_cast<int>(order)]; }

long to_int(EulerOrder order) { return static_cast<long>(order); }

// A member equals itself and its integer value; anything else answers
// NotImplemented, so identity decides.
std::optional<bool> equal(EulerOrder order, PyObject* other) {
    long long value;
    if (Py_TYPE(other) == bind::type_object<PyEulerRot>()) {
        value = static_cast<long long>(bind::value_of<PyEulerRot>(other));
    } else if (std::optional<bind::Index> i = bind::try_cast<bind::Index>(other)) {
        value = i->value;
    } else {
        return std::nullopt;
    }
    return static_cast<long long>(order) == value;
}

template <int I>
EulerOrder member() {
    return static_cast<EulerOrder>(I);
}

}  // namespace

PyObject* euler_rot_member(EulerOrder order) {
    PyObject*& cell = members[static_cast<int>(order)];
    if (!cell) cell = bind::new_object<PyEulerRot>(order);
    return cell;
}

namespace {
const bind::MethodTable slots = {
    D::slot<"__repr__($self)", &repr>(),
    D::slot<"__int__($self)", &to_int>(),
    D::slot<"__eq__($self, other)", &equal>(),
    D::unhashable(),
};
const bind::MethodTable attributes = {
    D::attribute<"ZYX", &member<0>>(),    D::attribute<"ZXY", &member<1>>(),
    D::attribute<"YXZ", &member<2>>(),    D::attribute<"YZX", &member<3>>(),
    D::attribute<"XYZ", &member<4>>(),    D::attribute<"XZY", &member<5>>(),
    D::attribute<"ZYZ", &member<6>>(),    D::attribute<"ZXZ", &member<7>>(),
    D::attribute<"YXY", &member<8>>(),    D::attribute<"YZY", &member<9>>(),
    D::attribute<"XYX", &member<10>>(),   D::attribute<"XZX", &member<11>>(),
    D::attribute<"ZYXEx", &member<12>>(), D::attribute<"ZXYEx", &member<13>>(),
    D::attribute<"YXZEx", &member<14>>(), D::attribute<"YZXEx", &member<15>>(),
    D::attribute<"XYZEx", &member<16>>(), D::attribute<"XZYEx", &member<17>>(),
    D::attribute<"ZYZEx", &member<18>>(), D::attribute<"ZXZEx", &member<19>>(),
    D::attribute<"YXYEx", &member<20>>(), D::attribute<"YZYEx", &member<21>>(),
    D::attribute<"XYXEx", &member<22>>(), D::attribute<"XZXEx", &member<23>>(),
};
}  // namespace

const bind::ClassDef& PyEulerRot::def() {
    static const bind::ClassDef d{
        .blocks = {&slots, &attributes},
        .flags = Py_TPFLAGS_DISALLOW_INSTANTIATION,
    };
    return d;
}

}  // namespace vx
