#pragma once

#include "tangor/cuboid.hpp"
#include "tangor/serialize.hpp"
#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace tangor::pointcloud::no_pcl {

// The point-cloud type of a collider that can hold none (the result of a
// sweep). No value of it can be made, so a collection of it is always empty;
// it exists so that such a collider is a distinct type.
struct NoPcl {
  NoPcl() = delete;
  friend bool operator==(const NoPcl&, const NoPcl&) = default;
};

}  // namespace tangor::pointcloud::no_pcl

namespace vxpickle {

template <>
struct Codec<tangor::pointcloud::no_pcl::NoPcl> {
  // Never called (there is no value to write): a collection of NoPcl is
  // written as an empty list.
  static void write(Writer& w, const tangor::pointcloud::no_pcl::NoPcl&) { w.none(); }
  // Any item in a list of NoPcl is refused (it always throws).
  [[noreturn]] static tangor::pointcloud::no_pcl::NoPcl read(const Value& value);
};

}  // namespace vxpickle

namespace tangor {

using pointcloud::no_pcl::NoPcl;

template <>
struct Bounded<NoPcl> {
  static Sphere broadphase(const NoPcl&) { return {}; }
  static Cuboid aabb(const NoPcl&) { return {}; }
};

template <>
struct Transformable<NoPcl> {
  static void translate(NoPcl&, Vec3) {}
  static void rotate_quat(NoPcl&, Quat) {}
  static void rotate_mat(NoPcl&, const Mat3&) {}
  static void transform(NoPcl&, const Affine3&) {}
  static void scale(NoPcl&, float) {}
};

}  // namespace tangor
