#pragma once
// The five transforms of every shape class: scaled, translated, rotated_mat,
// rotated_quat and transformed. Each narrows its argument (single_precision.hpp),
// moves a copy of the value and returns it as a new object of the same class.
// A class file lists the block with one line:
//   .blocks = {..., &shapes::transform_methods<PySphere>()},
#include "bind/class.hpp"
#include "shapes/single_precision.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/line/line.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/sphere.hpp"

namespace vx::shapes {

// The library's moves of each kind are the classes' rules: products and sums
// in the stated order, nothing renormalised, derived flags recomputed where
// the kind's rule says so.
template <class V>
struct ClassMoves {
    // The body of each method: the move applied to the copy taken as v.
    template <class Arg, auto Move>
    static V moved(V v, Arg arg) {
        Move(v, arg);
        return v;
    }
    static constexpr auto scaled = &moved<float, &tangor::scale<V>>;
    static constexpr auto translated = &moved<curvel::Vec3, &tangor::translate<V>>;
    static constexpr auto rotated_mat = &moved<curvel::Mat3, &tangor::rotate_mat<V>>;
    static constexpr auto rotated_quat = &moved<curvel::Quat, &tangor::rotate_quat<V>>;
    static constexpr auto transformed = &moved<curvel::Affine3, &tangor::transform<V>>;
};

// A point cloud keeps its points and folds every move but scaled into its
// inverse transform, inverting with det = x·(y × z); scaled rebuilds the tree
// and raises the refusal of its constructors (transforms.cpp).
template <>
struct ClassMoves<tangor::Pointcloud> {
    using Cloud = tangor::Pointcloud;
    static Cloud scaled(const Cloud& c, float factor);
    static Cloud translated(const Cloud& c, curvel::Vec3 offset);
    static Cloud rotated_mat(const Cloud& c, curvel::Mat3 mat);
    static Cloud rotated_quat(const Cloud& c, curvel::Quat quat);
    static Cloud transformed(const Cloud& c, curvel::Affine3 mat);
};

template <class Cls>
const bind::MethodTable& transform_methods() {
    using D = bind::Declare<Cls>;
    using M = ClassMoves<typename Cls::Value>;
    static const bind::MethodTable table = {
        D::template method<"scaled($self, factor)", M::scaled>(),
        D::template method<"translated($self, offset)", M::translated>(),
        D::template method<"rotated_mat($self, mat)", M::rotated_mat>(),
        D::template method<"rotated_quat($self, quat)", M::rotated_quat>(),
        D::template method<"transformed($self, mat)", M::transformed>(),
    };
    return table;
}

}  // namespace vx::shapes
