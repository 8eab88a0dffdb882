#pragma once
// broadphase(), obb() and aabb() of the eight bounded shape classes (Line,
// Ray and Plane have none): a new Sphere, and new Cuboids. The bounding
// sphere is the library's for every kind; the boxes are the classes' own
// where they differ from the library's (bounds.cpp). A class file lists the
// block with one line:
//   .blocks = {..., &shapes::bounds_methods<PySphere>()},
#include "bind/class.hpp"
#include "curvel/line.hpp"
#include "shapes/cuboid.hpp"
#include "shapes/sphere.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/line/line.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/pointcloud/pointcloud.hpp"

namespace vx::shapes {

tangor::Cuboid obb(const tangor::Sphere& s);
tangor::Cuboid obb(const tangor::Capsule& c);
tangor::Cuboid obb(const tangor::Cylinder& c);
tangor::Cuboid obb(const tangor::Cuboid& b);
tangor::Cuboid obb(const tangor::ConvexPolytope& p);
tangor::Cuboid obb(const tangor::ConvexPolygon& p);
tangor::Cuboid obb(const curvel::LineSegment& s);
tangor::Cuboid obb(const tangor::Pointcloud& c);

tangor::Cuboid aabb(const tangor::Sphere& s);
tangor::Cuboid aabb(const tangor::Capsule& c);
tangor::Cuboid aabb(const tangor::Cylinder& c);
tangor::Cuboid aabb(const tangor::Cuboid& b);
tangor::Cuboid aabb(const tangor::ConvexPolytope& p);
tangor::Cuboid aabb(const tangor::ConvexPolygon& p);
tangor::Cuboid aabb(const curvel::LineSegment& s);
tangor::Cuboid aabb(const tangor::Pointcloud& c);

template <class Cls>
const bind::MethodTable& bounds_methods() {
    using D = bind::Declare<Cls>;
    using V = typename Cls::Value;
    using Box = tangor::Cuboid (*)(const V&);
    static const bind::MethodTable table = {
        D::template method<"broadphase($self)", &tangor::broadphase<V>>(),
        D::template method<"obb($self)", static_cast<Box>(&obb)>(),
        D::template method<"aabb($self)", static_cast<Box>(&aabb)>(),
    };
    return table;
}

}  // namespace vx::shapes
