// A test-only module: the shape argument converters, each as a static method
// of the class Convert that returns what it converted. It links the module's
// classes but makes class objects of its own (listed in it beside Convert):
// its shapes are exact instances for its converters, the module's are not.
// Convert.refused_cloud(cause) raises what a point cloud build refused with
// the named cause raises; most causes cannot be reached from Python.
#include <string>

#include "shapes/pointcloud.hpp"
#include "shapes/capsule.hpp"
#include "shapes/cuboid.hpp"
#include "shapes/cylinder.hpp"
#include "shapes/line.hpp"
#include "shapes/line_segment.hpp"
#include "shapes/plane.hpp"
#include "shapes/ray.hpp"
#include "shapes/single_precision.hpp"
#include "shapes/sphere.hpp"

namespace probe {

using namespace vx::bind;

struct PyConvert {
    using Value = int;
    static constexpr const char* name = "Convert";
    static const ClassDef& def();
};

template <class T>
T same(T value) {
    return value;
}
// The value, or None when the converter refused with an ordinary error.
std::optional<tangor::Sphere> maybe_sphere(PyObject* o) { return try_cast<tangor::Sphere>(o); }

void refused_cloud(Str cause) {
    using tangor::pointcloud::capt::NewCaptError;
    for (NewCaptError e : {NewCaptError::TooManyPoints, NewCaptError::NonFinite, NewCaptError::InvalidLaneCount,
                           NewCaptError::OutOfMemory})
        if (tangor::pointcloud::capt::name(e) == cause.text) vx::shapes::built_cloud(e);
    raise_value_error("no such cause: " + std::string(cause.text));
}

const MethodTable convert_methods = [] {
    using D = Declare<PyConvert>;
    return MethodTable{
        D::static_method<"sphere(o)", &same<tangor::Sphere>>(),
        D::static_method<"capsule(o)", &same<tangor::Capsule>>(),
        D::static_method<"cylinder(o)", &same<tangor::Cylinder>>(),
        D::static_method<"cuboid(o)", &same<tangor::Cuboid>>(),
        D::static_method<"line(o)", &same<curvel::Line>>(),
        D::static_method<"ray(o)", &same<curvel::Ray>>(),
        D::static_method<"segment(o)", &same<curvel::LineSegment>>(),
        D::static_method<"plane(o)", &same<tangor::Plane>>(),
        D::static_method<"vec3(o)", &same<curvel::Vec3>>(),
        D::static_method<"maybe_sphere(o)", &maybe_sphere>(),
        D::static_method<"refused_cloud(cause)", &refused_cloud>(),
    };
}();
const ClassDef& PyConvert::def() {
    static const ClassDef d{.blocks = {&convert_methods}, .flags = Py_TPFLAGS_DISALLOW_INSTANTIATION};
    return d;
}

int exec_module(PyObject* module) noexcept {
    return guarded<int>(-1, [&] {
        const std::pair<const char*, PyTypeObject*> classes[] = {
            {"Convert", type_object<PyConvert>()},         {"Sphere", type_object<vx::PySphere>()},
            {"Capsule", type_object<vx::PyCapsule>()},     {"Cylinder", type_object<vx::PyCylinder>()},
            {"Cuboid", type_object<vx::PyCuboid>()},       {"Line", type_object<vx::PyLine>()},
            {"Ray", type_object<vx::PyRay>()},             {"LineSegment", type_object<vx::PyLineSegment>()},
            {"Plane", type_object<vx::PyPlane>()},
        };
        for (const auto& [name, type] : classes)
            check_status(PyModule_AddObjectRef(module, name, reinterpret_cast<PyObject*>(type)));
        return 0;
    });
}

PyModuleDef_Slot module_slots[] = {{Py_mod_exec, reinterpret_cast<void*>(&exec_module)}, {0, nullptr}};
PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "_shapes_probe", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr};

}  // namespace probe

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__shapes_probe() {
    return PyModuleDef_Init(&probe::module_def);
}
