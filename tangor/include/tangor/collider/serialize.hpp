#pragma once

// The serialized form of the compound collider: the record "ColliderHelper"
// of its twelve collections in declared order ("capsules", "cuboids",
// "cylinders", "planes", "polygons", "polytopes", "points", "spheres",
// "lines", "rays", "segments", "pointclouds"). Bounded collections are
// written as plain item lists and `spheres` as its whole sphere array; the
// kind mask, the overall bound and the per-item lanes are not stored: reading
// builds every bounded collection afresh from its items and rebuilds mask
// and bound.
//
//   std::string bytes = tangor::serial::encode(collider);
//   Collider<> back = tangor::serial::decode<Collider<>>(bytes);

#include "tangor/collider.hpp"
#include "tangor/serialize.hpp"
#include "vxpickle/codec.hpp"

namespace vxpickle {

template <class PCL>
struct Codec<tangor::Collider<PCL>> {
  static void write(Writer& w, const tangor::Collider<PCL>& collider);
  static tangor::Collider<PCL> read(const Value& value);
};

extern template struct Codec<tangor::Collider<tangor::Pointcloud>>;
extern template struct Codec<tangor::Collider<tangor::NoPcl>>;

}  // namespace vxpickle
