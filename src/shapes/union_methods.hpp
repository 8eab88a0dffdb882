#pragma once
// The uniform methods built on the shape union and its converters, one block
// per shape class (listed among its blocks as &shapes::union_methods<PySphere>):
//   collides(other)             any shape (the any-shape converter)
//   abs_diff_eq(rhs, max_abs_diff)
//                               rhs through the class's own converter, so of
//                               the same library type; every compared f32
//                               within the tolerance (NaN never is)
//   stretch(translation)        all but Pointcloud: a list of Shape variants
#include "shapes/collides.hpp"
#include "shapes/stretch.hpp"
#include "tangor/approx.hpp"

namespace vx::shapes {

template <class V>
bool abs_diff_eq(const V& self, V rhs, float max_abs_diff) {
    return tangor::approx::abs_diff_eq(self, rhs, max_abs_diff);
}
// The point radius, then the stored points with their lane radii; the tree,
// the radius range and a pending transform are not compared.
inline bool abs_diff_eq(const tangor::Pointcloud& self, tangor::Pointcloud rhs, float max_abs_diff) {
    return tangor::approx::abs_diff_eq(self.point_radius, rhs.point_radius, max_abs_diff) &&
           tangor::soa::abs_diff_eq(self.spheres, rhs.spheres, max_abs_diff);
}

template <class V>
Sweep stretch_method(const V& self, curvel::Vec3 translation) {
    return stretch(self, translation);
}

template <class Cls>
inline const bind::MethodTable union_methods = [] {
    using D = bind::Declare<Cls>;
    using V = typename Cls::Value;
    bind::MethodTable t{
        D::template method<"collides($self, other)", &collides<V>>(),
        D::template method<"abs_diff_eq($self, rhs, max_abs_diff)",
                           static_cast<bool (*)(const V&, V, float)>(&abs_diff_eq)>(),
    };
    if constexpr (requires(const V& v, curvel::Vec3 d) { stretch(v, d); })
        t.entries.push_back(D::template method<"stretch($self, translation)", &stretch_method<V>>());
    return t;
}();

}  // namespace vx::shapes
