#pragma once

#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/soa/broad_collection.hpp"
#include "tangor/sphere.hpp"

namespace tangor::soa {

// Whether some cloud of the collection touches the query: the query's
// bounding sphere against all the clouds' spheres at once, then, if that
// passes, the exact test of every cloud in order (no per-cloud sphere check).
bool collides(const BroadCollection<Pointcloud>& clouds, const Sphere& query);
bool collides(const BroadCollection<Pointcloud>& clouds, const Capsule& query);
bool collides(const BroadCollection<Pointcloud>& clouds, const Cylinder& query);
bool collides(const BroadCollection<Pointcloud>& clouds, const Cuboid& query);
bool collides(const BroadCollection<Pointcloud>& clouds, const ConvexPolygon& query);
bool collides(const BroadCollection<Pointcloud>& clouds, const ConvexPolytope& query);
bool collides(const BroadCollection<Pointcloud>& clouds, const Pointcloud& query);

}  // namespace tangor::soa

namespace tangor::pointcloud {

// Two clouds touch when a point of one lies within the sum of the two point
// radii of a point of the other. The smaller cloud's points (the query's on
// equal counts) are mapped into the larger one's frame and looked up in its
// tree eight at a time; the answer does not depend on which cloud is larger.
bool clouds_collide(const Pointcloud& query, const Pointcloud& stored);

}  // namespace tangor::pointcloud
