#pragma once

// The serialized form of the compound collider: a record of its twelve
// collections in declared order ("capsules", "cuboids", "cylinders",
// "planes", "polygons", "polytopes", "points", "spheres", "lines", "rays",
// "segments", "pointclouds"). Bounded collections are written as plain item
// lists and `spheres` as its whole sphere array; the kind mask, the overall
// bound and the per-item lanes are not stored but derived again on reading.

#include <string>
#include <string_view>

#include "tangor/collider.hpp"
#include "tangor/serialize.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace tangor::serial {

template <class PCL>
void write(vxpickle::Writer& w, const Collider<PCL>& collider);

// Reads the record ColliderHelper (map or sequence of twelve), builds every
// bounded collection afresh from its items and rebuilds mask and bound.
// Throws vxpickle::DecodeError with the bare message.
template <class PCL>
Collider<PCL> read_collider(const vxpickle::Value& value);

std::string encode(const Collider<Pointcloud>& collider);

// Parses a whole stream and reads it; faults leave as DecodeError.
template <>
Collider<Pointcloud> decode<Collider<Pointcloud>>(std::string_view bytes);

}  // namespace tangor::serial
