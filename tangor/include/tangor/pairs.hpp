#pragma once

// The pair catalogue: for every pair of shape kinds, the one test that says
// whether the two touch (touching counts), and the order in which it takes
// them. Nothing else in the library chooses a pair test.
//
// Two forms:
// - collides(a, b), the shape classes' dispatch: each test in its full form,
//   with its own bounding-sphere, box or tree reject. Symmetric: the pair
//   selects one test whichever shape comes first. Line kinds meet one another
//   never (false without a test); two point clouds have no test at all.
// - collides_member(query, member), the collider's: the test that a collider
//   query runs on one member after its broad step, which stands in for the
//   reject. It is the full form but in the cells listed below: most skip the
//   reject; a polytope meets a capsule, a cuboid or another polytope by face
//   planes alone (no obb test) whichever is the query; a sphere query tests a
//   polytope member by its faces alone; a plane query writes its sphere and
//   capsule tests with the radius moved across; a plane and a ray or segment
//   leaving its solid side meet by the side of the origin, not by the
//   crossing parameter (they differ where that parameter rounds to −0 or is
//   inf/inf); two planes with NaN data do not meet. Bare points
//   (tangor::Point) and two point clouds have tests here.
//
// Line, Ray and LineSegment enter every test as their line piece (origin,
// direction, parameter range: (−inf, +inf), [0, +inf] and [0, 1]); a
// util::LinePiece is accepted wherever a line kind is.

#include <span>
#include <type_traits>

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/collider/pair_tests.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/line/line.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/plane/ref_convex.hpp"
#include "tangor/point.hpp"
#include "tangor/pointcloud/cloud_collection.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/pointcloud/shape_tests.hpp"
#include "tangor/sphere.hpp"
#include "tangor/util.hpp"

namespace tangor {

template <class T, class... Kinds>
inline constexpr bool is_one_of_v = (std::is_same_v<T, Kinds> || ...);

// Line, Ray and LineSegment, or a line piece already made of one.
template <class T>
concept line_kind = is_one_of_v<T, curvel::Line, curvel::Ray, curvel::LineSegment, util::LinePiece>;

// The eleven kinds of the shape union, and the line piece that stands for
// any of the three line kinds.
template <class T>
concept shape_kind = line_kind<T> || is_one_of_v<T, Sphere, Capsule, Cuboid, Cylinder, ConvexPolytope,
                                                 ConvexPolygon, Plane, Pointcloud>;

// Whether collides(a, b) has a test: every pair of kinds but two point
// clouds, which is not a test that returns false but none at all (the
// caller reports it).
template <class A, class B>
inline constexpr bool has_pair_test_v =
    shape_kind<A> && shape_kind<B> && !(std::is_same_v<A, Pointcloud> && std::is_same_v<B, Pointcloud>);

namespace pairs {

using convex_polytope::refer::RefConvexPolytope;
using plane::ref_convex::RefConvexPolygon;
using util::LinePiece;

// A line kind as its line piece; any other shape as it is.
template <class T>
decltype(auto) operand(const T& shape) {
  if constexpr (line_kind<T> && !std::is_same_v<T, util::LinePiece>) {
    return util::line_piece(shape);
  } else {
    return (shape);
  }
}

// ---- The full forms, one per unordered pair, in the order each test takes
// its shapes.

inline bool test(const Sphere& a, const Sphere& b) { return sphere::spheres_touch(a, b); }
inline bool test(const Capsule& c, const Sphere& s) { return collider::sphere_capsule(s, c); }
// The squared distance of the centre to the box (0 inside) within r².
inline bool test(const Cuboid& b, const Sphere& s) { return b.point_dist_sq(s.center) <= s.radius * s.radius; }
inline bool test(const Cylinder& c, const Sphere& s) { return collider::sphere_cylinder(s, c); }
inline bool test(const ConvexPolytope& p, const Sphere& s) { return collider::polytope_sphere(p.view(), s); }
inline bool test(const ConvexPolygon& g, const Sphere& s) { return collider::sphere_polygon(s, g.view()); }
inline bool test(const LinePiece& l, const Sphere& s) { return collider::sphere_piece(s, l); }
inline bool test(const Plane& h, const Sphere& s) { return collider::sphere_plane(s, h); }
inline bool test(const Pointcloud& c, const Sphere& s) { return pointcloud::collides_ball(c, s); }

inline bool test(const Capsule& a, const Capsule& b) { return capsule::capsule_capsule_collides(a, b); }
inline bool test(const Capsule& k, const Cuboid& b) { return cuboid::capsule_cuboid_collides(k, b); }
inline bool test(const Cylinder& c, const Capsule& k) { return cylinder::cylinder_capsule_collides(c, k); }
inline bool test(const ConvexPolytope& p, const Capsule& k) { return p.view().collides_capsule(k); }
inline bool test(const ConvexPolygon& g, const Capsule& k) {
  return plane::ref_convex::ref_polygon_capsule_collides(g.view(), k);
}
inline bool test(const LinePiece& l, const Capsule& k) { return capsule::line_capsule_collides(l, k); }
inline bool test(const Plane& h, const Capsule& k) { return collider::capsule_plane(k, h); }
inline bool test(const Pointcloud& c, const Capsule& k) { return pointcloud::tree_then_scan(c, k); }

inline bool test(const Cuboid& a, const Cuboid& b) { return cuboid::cuboids_collide(a, b); }
inline bool test(const Cylinder& c, const Cuboid& b) { return cylinder::cylinder_cuboid_collides(c, b); }
inline bool test(const ConvexPolytope& p, const Cuboid& b) { return p.view().collides_cuboid(b); }
inline bool test(const ConvexPolygon& g, const Cuboid& b) {
  return plane::ref_convex::ref_polygon_cuboid_collides(g.view(), b);
}
inline bool test(const LinePiece& l, const Cuboid& b) { return line::line_cuboid_collides(l, b); }
inline bool test(const Plane& h, const Cuboid& b) { return collider::cuboid_plane(b, h); }
inline bool test(const Pointcloud& c, const Cuboid& b) { return pointcloud::tree_then_scan(c, b); }

inline bool test(const Cylinder& a, const Cylinder& b) { return collider::cylinder_cylinder(a, b); }
inline bool test(const Cylinder& c, const ConvexPolytope& p) { return cylinder::cylinder_polytope_collides(c, p); }
inline bool test(const Cylinder& c, const ConvexPolygon& g) { return cylinder::cylinder_polygon_collides(c, g); }
inline bool test(const LinePiece& l, const Cylinder& c) {
  return cylinder::line_cylinder_collides(l.origin, l.dir, c, l.t_min, l.t_max);
}
inline bool test(const Plane& h, const Cylinder& c) { return collider::cylinder_plane(c, h); }
inline bool test(const Pointcloud& cloud, const Cylinder& c) { return pointcloud::tree_then_scan(cloud, c); }

inline bool test(const ConvexPolytope& a, const ConvexPolytope& b) { return a.view().collides_polytope(b.view()); }
inline bool test(const ConvexPolygon& g, const ConvexPolytope& p) {
  return plane::ref_convex::ref_polygon_polytope_collides(g.view(), p.view());
}
inline bool test(const LinePiece& l, const ConvexPolytope& p) {
  return line::line_polytope_collides(l.origin, l.dir, p.planes, p.obb, l.t_min, l.t_max);
}
inline bool test(const Plane& h, const ConvexPolytope& p) { return collider::polytope_plane(p.view(), h); }
inline bool test(const Pointcloud& c, const ConvexPolytope& p) { return pointcloud::tree_then_scan(c, p.view()); }

inline bool test(const ConvexPolygon& a, const ConvexPolygon& b) {
  return plane::ref_convex::ref_polygon_polygon_collides(a.view(), b.view());
}
// The piece pierces or touches the polygon region: a squared distance of 0.
inline bool test(const ConvexPolygon& g, const LinePiece& l) {
  return g.view().parametric_line_dist_sq(l.origin, l.dir, l.t_min, l.t_max) <= 0.0f;
}
inline bool test(const ConvexPolygon& g, const Plane& h) {
  return plane::ref_convex::ref_polygon_infinite_plane_collides(g.view(), h);
}
inline bool test(const Pointcloud& c, const ConvexPolygon& g) { return pointcloud::collides_query(c, g); }

inline bool test(const Plane& h, const LinePiece& l) { return collider::plane_piece(h, l); }
inline bool test(const Pointcloud& c, const LinePiece& l) { return pointcloud::collides_query(c, l); }

inline bool test(const Plane& a, const Plane& b) { return collider::plane_plane(a, b); }
inline bool test(const Pointcloud& c, const Plane& h) { return pointcloud::collides_query(c, h); }

// ---- The collider's cells that differ from the full form, query first.

inline bool member_test(const Sphere& q, const ConvexPolytope& m) { return collider::sphere_polytope(q, m.planes); }

inline bool member_test(const Capsule& q, const Capsule& m) { return capsule::capsule_capsule_collides_query(q, m); }
inline bool member_test(const Capsule& q, const Cuboid& m) { return cuboid::capsule_cuboid_collides_query(q, m); }
inline bool member_test(const Cuboid& q, const Capsule& m) { return cuboid::capsule_cuboid_collides_query(m, q); }
inline bool member_test(const Capsule& q, const Cylinder& m) { return cylinder::cylinder_capsule_collides_query(m, q); }
inline bool member_test(const Cylinder& q, const Capsule& m) { return cylinder::cylinder_capsule_collides_query(q, m); }
inline bool member_test(const Capsule& q, const ConvexPolytope& m) {
  return RefConvexPolytope::collides_capsule_query(m.planes, q);
}
inline bool member_test(const ConvexPolytope& q, const Capsule& m) {
  return RefConvexPolytope::collides_capsule_query(q.planes, m);
}

inline bool member_test(const Cuboid& q, const Cylinder& m) { return cylinder::cylinder_cuboid_collides_query(m, q); }
inline bool member_test(const Cylinder& q, const Cuboid& m) { return cylinder::cylinder_cuboid_collides_query(q, m); }
inline bool member_test(const Cuboid& q, const ConvexPolytope& m) {
  return RefConvexPolytope::collides_cuboid_query(m.planes, q);
}
inline bool member_test(const ConvexPolytope& q, const Cuboid& m) {
  return RefConvexPolytope::collides_cuboid_query(q.planes, m);
}

inline bool member_test(const Cylinder& q, const ConvexPolygon& m) {
  return cylinder::cylinder_polygon_collides_query(q, m.view());
}
inline bool member_test(const ConvexPolygon& q, const Cylinder& m) {
  return cylinder::cylinder_polygon_collides_query(m, q.view());
}
inline bool member_test(const Cylinder& q, const ConvexPolytope& m) {
  return cylinder::cylinder_polytope_collides_query(q, m.view());
}
inline bool member_test(const ConvexPolytope& q, const Cylinder& m) {
  return cylinder::cylinder_polytope_collides_query(m, q.view());
}

inline bool member_test(const ConvexPolytope& q, const ConvexPolytope& m) {
  return q.view().collides_polytope_query(m.view());
}

inline bool member_test(const Plane& q, const Sphere& m) { return collider::plane_sphere(q, m); }
inline bool member_test(const Plane& q, const Capsule& m) { return collider::plane_capsule(q, m); }
inline bool member_test(const Plane& q, const LinePiece& m) { return collider::plane_piece_query(q, m); }
inline bool member_test(const LinePiece& q, const Plane& m) { return collider::plane_piece_query(m, q); }
inline bool member_test(const Plane& q, const Plane& m) { return collider::plane_plane_query(q, m); }

// Point clouds scanned without asking their tree first.
inline bool member_test(const Pointcloud& q, const Capsule& m) { return pointcloud::collides_query(q, m); }
inline bool member_test(const Capsule& q, const Pointcloud& m) { return pointcloud::collides_query(m, q); }
inline bool member_test(const Pointcloud& q, const Cuboid& m) { return pointcloud::collides_query(q, m); }
inline bool member_test(const Cuboid& q, const Pointcloud& m) { return pointcloud::collides_query(m, q); }
inline bool member_test(const Pointcloud& q, const Cylinder& m) { return pointcloud::collides_query(q, m); }
inline bool member_test(const Cylinder& q, const Pointcloud& m) { return pointcloud::collides_query(m, q); }
inline bool member_test(const Pointcloud& q, const ConvexPolytope& m) {
  return pointcloud::collides_query(q, std::span<const Plane>(m.planes));
}
inline bool member_test(const ConvexPolytope& q, const Pointcloud& m) {
  return pointcloud::collides_query(m, std::span<const Plane>(q.planes));
}
inline bool member_test(const Pointcloud& q, const Pointcloud& m) { return pointcloud::clouds_collide(q, m); }

// Bare points: inside the solid or on its boundary. Polygons and line
// pieces never hold one.
inline bool member_test(const Sphere& q, const Point& m) { return sphere::spheres_touch(q, {m.position, 0.0f}); }
inline bool member_test(const Point& q, const Point& m) {
  return sphere::spheres_touch({q.position, 0.0f}, {m.position, 0.0f});
}
inline bool member_test(const Capsule& q, const Point& m) { return collider::capsule_point(q, m.position); }
inline bool member_test(const Cuboid& q, const Point& m) { return q.point_dist_sq(m.position) <= 0.0f; }
inline bool member_test(const Cylinder& q, const Point& m) { return q.contains(m.position); }
inline bool member_test(const ConvexPolytope& q, const Point& m) {
  return collider::polytope_point(q.planes, m.position);
}
inline bool member_test(const Plane& q, const Point& m) { return collider::plane_point(q, m.position); }
inline bool member_test(const Pointcloud& q, const Point& m) { return pointcloud::collides_ball(q, {m.position, 0.0f}); }
inline bool member_test(const ConvexPolygon&, const Point&) { return false; }
inline bool member_test(const LinePiece&, const Point&) { return false; }

template <class A, class B>
concept has_test = requires(const A& a, const B& b) {
  { test(a, b) } -> std::same_as<bool>;
};

template <class Q, class M>
concept has_member_test = requires(const Q& q, const M& m) {
  { member_test(q, m) } -> std::same_as<bool>;
};

}  // namespace pairs

template <shape_kind A, shape_kind B>
  requires has_pair_test_v<A, B>
bool collides(const A& a, const B& b) {
  if constexpr (line_kind<A> && line_kind<B>) {
    return false;
  } else {
    decltype(auto) x = pairs::operand(a);
    decltype(auto) y = pairs::operand(b);
    using X = std::remove_cvref_t<decltype(x)>;
    using Y = std::remove_cvref_t<decltype(y)>;
    if constexpr (pairs::has_test<X, Y>) {
      return pairs::test(x, y);
    } else {
      static_assert(pairs::has_test<Y, X>, "every pair of kinds has a test");
      return pairs::test(y, x);
    }
  }
}

template <class Q, class M>
bool collides_member(const Q& query, const M& member) {
  decltype(auto) q = pairs::operand(query);
  decltype(auto) m = pairs::operand(member);
  using QO = std::remove_cvref_t<decltype(q)>;
  using MO = std::remove_cvref_t<decltype(m)>;
  if constexpr (pairs::has_member_test<QO, MO>) {
    return pairs::member_test(q, m);
  } else if constexpr (std::is_same_v<QO, Point>) {
    // A point asks what a member asks of it.
    return collides_member(member, query);
  } else {
    return collides(query, member);
  }
}

}  // namespace tangor
