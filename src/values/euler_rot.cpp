// EulerRot: a closed enumeration of 24 orders, each a unique object.
#include "values/euler_rot.hpp"

#include <string>
#include <utility>

namespace vx {
namespace {

using D = bind::Declare<PyEulerRot>;

PyObject* members[euler_order_count];  // one-time cells, filled on first need

EulerOrder value(PyObject* o) { return bind::value_of<PyEulerRot>(o); }

PyObject* repr(PyObject* o) noexcept {
    std::string s = std::string("EulerRot.") + euler_order_names[static_cast<int>(value(o))];
    return PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size()));
}

PyObject* to_int(PyObject* o) noexcept { return PyLong_FromLong(static_cast<long>(value(o))); }

PyObject* richcompare(PyObject* a, PyObject* b, int op) noexcept {
    if (op < Py_LT || op > Py_GE) {
        PyErr_SetString(PyExc_ValueError, "invalid comparison operator");
        return nullptr;
    }
    if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
    long long other;
    if (Py_TYPE(b) == Py_TYPE(a)) {
        other = static_cast<long long>(value(b));
    } else {
        PyObject* i = PyNumber_Index(b);
        if (!i) {
            PyErr_Clear();
            Py_RETURN_NOTIMPLEMENTED;
        }
        other = PyLong_AsLongLong(i);
        Py_DECREF(i);
        if (other == -1 && PyErr_Occurred()) {
            PyErr_Clear();
            Py_RETURN_NOTIMPLEMENTED;
        }
    }
    bool equal = static_cast<long long>(value(a)) == other;
    return bind::wrap(op == Py_EQ ? equal : !equal);
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
        .name = "EulerRot",
        .doc = nullptr,
        .basicsize = sizeof(bind::Object<PyEulerRot>),
        .flags = Py_TPFLAGS_DISALLOW_INSTANTIATION,
        .slots =
            {
                {Py_tp_dealloc, reinterpret_cast<void*>(&bind::dealloc<PyEulerRot>)},
                {Py_tp_repr, reinterpret_cast<void*>(&repr)},
                {Py_tp_richcompare, reinterpret_cast<void*>(&richcompare)},
                {Py_tp_hash, reinterpret_cast<void*>(&PyObject_HashNotImplemented)},
                {Py_nb_int, reinterpret_cast<void*>(&to_int)},
            },
        .blocks = {&attributes},
        .fields = std::nullopt,
    };
    return d;
}

}  // namespace vx
