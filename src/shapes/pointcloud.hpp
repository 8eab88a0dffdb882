#pragma once
#include <variant>

#include "bind/class.hpp"
#include "shapes/instance_caster.hpp"
#include "tangor/pointcloud/pointcloud.hpp"

namespace vx {

// Pointcloud: points thickened to balls of one radius, held in a point tree
// built for a range of query radii.
struct PyPointcloud {
    using Value = tangor::Pointcloud;
    static constexpr const char* name = "Pointcloud";
    static const bind::ClassDef& def();
};

namespace shapes {

// The cloud, or the library's refusal as a Python exception: ValueError
// "Pointcloud points must be finite" for a non-finite coordinate, ValueError
// "too many points for Pointcloud" beyond the tree's index range,
// MemoryError when memory ran out. For every way of building a cloud.
tangor::Pointcloud built_cloud(std::variant<tangor::Pointcloud, tangor::pointcloud::capt::NewCaptError> result);

}  // namespace shapes
}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::Pointcloud> {
    using type = vx::PyPointcloud;
};

// The class-or-subclass converter: a deep copy (tree, spheres, radius, range,
// stored transform).
template <>
struct vx::bind::Caster<tangor::Pointcloud> : vx::shapes::InstanceCaster<vx::PyPointcloud> {};
