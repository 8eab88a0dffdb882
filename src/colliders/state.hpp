#pragma once
// The pickled states of SphereCollection and Collider, read without Python:
// the constructors decode through these, and so does the fuzz target that
// feeds them arbitrary bytes. The library's readers refuse what its queries
// could not use safely (unequal arrays, a capacity that is not a multiple of
// 16, a length beyond the capacity, padding radii forced to NaN); failures
// leave as vxpickle::DecodeError.
#include <string_view>

#include "tangor/collider.hpp"
#include "tangor/collider/serialize.hpp"
#include "tangor/soa/spheres_soa.hpp"
#include "vxpickle/reader.hpp"

namespace vx::colliders {

inline tangor::soa::SpheresSoA decode_sphere_collection(std::string_view bytes) {
    return vxpickle::decode_stream(bytes, &tangor::serial::read<tangor::soa::SpheresSoA>);
}

inline tangor::Collider<> decode_collider(std::string_view bytes) {
    return tangor::serial::decode<tangor::Collider<>>(bytes);
}

}  // namespace vx::colliders
