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

// The body of a method: the library's move applied to the copy taken as v.
template <class V, class Arg, auto Move>
V moved(V v, Arg arg) {
    Move(v, arg);
    return v;
}

// The library's moves of each kind are the classes' rules: products and sums
// in the stated order, nothing renormalised, derived flags recomputed where
// the kind's rule says so.
template <class V>
struct ClassMoves {
    static constexpr auto scaled = &moved<V, float, &tangor::scale<V>>;
    static constexpr auto translated = &moved<V, curvel::Vec3, &tangor::translate<V>>;
    static constexpr auto rotated_mat = &moved<V, curvel::Mat3, &tangor::rotate_mat<V>>;
    static constexpr auto rotated_quat = &moved<V, curvel::Quat, &tangor::rotate_quat<V>>;
    static constexpr auto transformed = &moved<V, curvel::Affine3, &tangor::transform<V>>;
};

// A point cloud folds every move but scaled into its inverse transform by the
// library's routine, the one a collider applies to the clouds it holds;
// scaled rebuilds the tree and raises the refusal of its constructors
// (transforms.cpp).
template <>
struct ClassMoves<tangor::Pointcloud> {
    using Cloud = tangor::Pointcloud;
    static Cloud scaled(const Cloud& c, float factor);
    static constexpr auto translated = &moved<Cloud, curvel::Vec3, &tangor::translate<Cloud>>;
    static constexpr auto rotated_mat = &moved<Cloud, curvel::Mat3, &tangor::rotate_mat<Cloud>>;
    static constexpr auto rotated_quat = &moved<Cloud, curvel::Quat, &tangor::rotate_quat<Cloud>>;
    static constexpr auto transformed = &moved<Cloud, curvel::Affine3, &tangor::transform<Cloud>>;
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
