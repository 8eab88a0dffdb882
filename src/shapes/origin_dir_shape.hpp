#pragma once
// What Line and Ray share: an origin and a direction, stored as given (of
// any length, zero included).
#include "shapes/shape_frame.hpp"

namespace vx::shapes {

template <class Cls>
struct OriginDirShape {
    using V = typename Cls::Value;
    static V build(curvel::Vec3 origin, curvel::Vec3 dir) { return {origin, dir}; }
    static std::string repr(const V& l) { return ShapeRepr(Cls::name).vec("origin", l.origin).vec("dir", l.dir).finish(); }
};

template <class Cls, bind::fixed_string Sig>
bind::MethodTable origin_dir_frame() {
    return shape_frame_methods<Cls, Sig, &OriginDirShape<Cls>::build, &OriginDirShape<Cls>::repr>();
}

template <class Cls>
bind::MethodTable origin_dir_properties() {
    using D = bind::Declare<Cls>;
    using V = typename Cls::Value;
    return {
        D::template getter<"origin", &Stored<&V::origin>::get>(),
        D::template getter<"dir", &Stored<&V::dir>::get>(),
    };
}

}  // namespace vx::shapes
