#pragma once
// The class-or-subclass converter of the shape classes that have no
// duck-typed form: an instance of Cls (or of a subclass) gives a copy of its
// value; anything else raises TypeError "'{type}' object is not an instance
// of '{Class}'" ("'None' is not an instance of '{Class}'" for None). Declared
// in the class's header, so a body parameter of the library type converts:
//   template <> struct vx::bind::Caster<curvel::Line> : vx::shapes::InstanceCaster<vx::PyLine> {};
#include <optional>

#include "bind/class.hpp"

namespace vx::shapes {

template <class Cls>
struct InstanceCaster {
    using V = typename Cls::Value;
    static V from(PyObject* o) { return bind::cast<bind::InstanceOf<Cls>>(o).value; }
    // Refuses without raising, for the chains that try several kinds.
    static std::optional<V> try_from(PyObject* o) {
        if (!bind::is_instance<Cls>(o)) return std::nullopt;
        return bind::cast<bind::InstanceOf<Cls>>(o).value;
    }
};

}  // namespace vx::shapes
