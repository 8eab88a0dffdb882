#pragma once

#include <span>

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/convex_polytope/refer.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/sphere.hpp"

// Whether a point cloud touches a shape: some point's ball of point_radius
// meets it (touching counts). The shape is first brought into the cloud's
// own frame through inverse_transform; the points are never moved.
//
// Two families: tree_then_scan (the shape classes) first asks the tree
// whether any point lies within the shape's bounding sphere, and trusts a
// "no" only where the tree is exact (the effective radius within r_range);
// collides_query (the collider, which ran its own broad phase) goes straight
// to the scan of the points. The plane, polygon and line-piece tests have no
// tree step in either family.
namespace tangor::pointcloud {

bool collides_query(const Pointcloud& cloud, const Plane& plane);
bool collides_query(const Pointcloud& cloud, const ConvexPolygon& polygon);
bool collides_query(const Pointcloud& cloud, const Capsule& capsule);
bool collides_query(const Pointcloud& cloud, const Cuboid& box);
bool collides_query(const Pointcloud& cloud, const Cylinder& cylinder);
// A line, ray or segment as its line piece: the parameter of each point's
// foot is clamped into the piece's range.
bool collides_query(const Pointcloud& cloud, const util::LinePiece& piece);
// The polytope by its face planes alone: a point within point_radius of the
// inside of every plane (a polytope with no planes is hit by any point).
bool collides_query(const Pointcloud& cloud, std::span<const Plane> polytope_planes);

bool tree_then_scan(const Pointcloud& cloud, const Capsule& capsule);
bool tree_then_scan(const Pointcloud& cloud, const Cuboid& box);
bool tree_then_scan(const Pointcloud& cloud, const Cylinder& cylinder);
// The tree with the obb's bounding sphere, then the planes.
bool tree_then_scan(const Pointcloud& cloud, const convex_polytope::refer::RefConvexPolytope& polytope);

// A ball given in world coordinates: its centre is mapped into the cloud's
// frame (the radius is kept) and looked up exactly.
bool collides_ball(const Pointcloud& cloud, const Sphere& ball);

}  // namespace tangor::pointcloud
