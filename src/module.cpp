// The extension module: a static definition for multi-phase initialisation
// whose one exec step binds every class under its Python name and lists it
// in __all__.
#include <string>

#include "bind/class.hpp"
#include "shapes/capsule.hpp"
#include "shapes/convex_polygon.hpp"
#include "shapes/convex_polytope.hpp"
#include "shapes/cuboid.hpp"
#include "shapes/cylinder.hpp"
#include "shapes/line.hpp"
#include "shapes/line_segment.hpp"
#include "shapes/plane.hpp"
#include "shapes/pointcloud.hpp"
#include "shapes/ray.hpp"
#include "shapes/sphere.hpp"
#include "values/classes.hpp"

namespace vx {
namespace {

using bind::type_object;

struct ModuleClass {
    const char* name;
    PyTypeObject* (*type)();
};

// Registration order is observable through __all__.
const ModuleClass module_classes[] = {
    {"EulerRot", &type_object<PyEulerRot>},
    {"Vec2", &type_object<PyDVec2>},
    {"Vec3", &type_object<PyDVec3>},
    {"Vec4", &type_object<PyDVec4>},
    {"Quat", &type_object<PyDQuat>},
    {"Mat3", &type_object<PyDMat3>},
    {"Mat4", &type_object<PyDMat4>},
    {"Affine3", &type_object<PyDAffine3>},
    {"Sphere", &type_object<PySphere>},
    {"Capsule", &type_object<PyCapsule>},
    {"Cuboid", &type_object<PyCuboid>},
    {"Cylinder", &type_object<PyCylinder>},
    {"ConvexPolytope", &type_object<PyConvexPolytope>},
    {"ConvexPolygon", &type_object<PyConvexPolygon>},
    {"Line", &type_object<PyLine>},
    {"Ray", &type_object<PyRay>},
    {"LineSegment", &type_object<PyLineSegment>},
    {"Plane", &type_object<PyPlane>},
    {"Pointcloud", &type_object<PyPointcloud>},
};

void add_class(PyObject* module, const char* name, PyObject* cls) {
    bind::Ref all = bind::Ref::steal(PyObject_GetAttrString(module, "__all__"));
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) bind::throw_python_error();
        PyErr_Clear();
        all = bind::check(PyList_New(0));
        bind::check_status(PyObject_SetAttrString(module, "__all__", all.get()));
    }
    if (!PyList_Check(all.get())) bind::raise_not_instance(all.get(), "list");
    bind::Ref n = bind::check(PyUnicode_FromString(name));
    if (PyList_Append(all.get(), n.get()) < 0) {
        // Not an error Python code could handle: report it as a native failure.
        std::string what = "could not append __name__ to __all__: ";
        PyObject *type, *value, *trace;
        PyErr_Fetch(&type, &value, &trace);
        if (value) what += bind::str_of(value);
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(trace);
        throw std::runtime_error(what);
    }
    bind::check_status(PyObject_SetAttrString(module, name, cls));
}

int exec_module(PyObject* module) noexcept {
    if (!module) return -1;
    return bind::guarded<int>(-1, [&] {
        if (!PyModule_Check(module)) bind::raise_not_instance(module, "module");
        for (const ModuleClass& c : module_classes) {
            PyTypeObject* type = c.type();
            add_class(module, c.name, reinterpret_cast<PyObject*>(type));
        }
        return 0;
    });
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&exec_module)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_vexorin", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace vx

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__vexorin() {
    return PyModuleDef_Init(&vx::module_def);
}
