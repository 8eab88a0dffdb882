#pragma once
#include "bind/class.hpp"
#include "tangor/soa/spheres_soa.hpp"

namespace vx {

// SphereCollection: spheres in four lane arrays, tested eight at a time;
// mutable in place (push, clear), so its objects carry a borrow flag. Also
// what Collider.spheres() returns.
struct PySphereCollection {
    using Value = tangor::soa::SpheresSoA;
    static constexpr const char* name = "SphereCollection";
    static constexpr bool borrowed = true;
    static const bind::ClassDef& def();
};

}  // namespace vx

template <>
struct vx::bind::ClassOf<tangor::soa::SpheresSoA> {
    using type = vx::PySphereCollection;
};
