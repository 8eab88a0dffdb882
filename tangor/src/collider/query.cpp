// The single-shape queries of the compound collider. Every query kind is one
// template below with its visit order and its broad step per member kind;
// the exact test of each (query, member) pair is one `exact` overload.

#include <type_traits>

#include "collider/broad_steps.hpp"
#include "collider/members.hpp"
#include "tangor/collider.hpp"
#include "tangor/collider/pair_tests.hpp"
#include "tangor/line/line.hpp"
#include "tangor/pointcloud/cloud_collection.hpp"
#include "tangor/pointcloud/shape_tests.hpp"

namespace tangor::collider {

namespace {

using convex_polytope::refer::RefConvexPolytope;

template <class T>
inline constexpr bool is_line_kind_v = std::is_same_v<T, curvel::Line> || std::is_same_v<T, curvel::Ray> ||
                                       std::is_same_v<T, curvel::LineSegment>;

// ---- A line piece against a shape (either side may be the query).

bool piece_hits(const Piece& p, const Sphere& s) { return sphere_piece(s, p); }
bool piece_hits(const Piece& p, const Capsule& c) {
  return util::clamped_line_segment_dist_sq(p.origin, p.dir, c.p1, c.dir, range_min(p.kind), range_max(p.kind)) <=
         c.radius * c.radius;
}
bool piece_hits(const Piece& p, const Cuboid& b) {
  return line::line_cuboid_collides(p.origin, p.dir, b, range_min(p.kind), range_max(p.kind));
}
bool piece_hits(const Piece& p, const Cylinder& c) {
  return cylinder::line_cylinder_collides(p.origin, p.dir, c, range_min(p.kind), range_max(p.kind));
}
bool piece_hits(const Piece& p, const ConvexPolygon& g) {
  return g.view().parametric_line_dist_sq(p.origin, p.dir, range_min(p.kind), range_max(p.kind)) <= 0.0f;
}
bool piece_hits(const Piece& p, const ConvexPolytope& q) {
  return line::line_polytope_collides(p.origin, p.dir, q.planes, q.obb, range_min(p.kind), range_max(p.kind));
}
bool piece_hits(const Piece& p, const Plane& plane) { return plane_piece(plane, p); }

// Line-kind members of any query.
template <class Q, class L>
  requires is_line_kind_v<L>
bool exact(const Q& q, const L& member) {
  return piece_hits(piece_of(member), q);
}

// The members of a line-piece query.
template <class M>
bool exact(const Piece& q, const M& member) {
  return piece_hits(q, member);
}

// A capsule's axis against a polygon, behind the polygon's bounding check.
bool capsule_polygon(const Capsule& c, const ConvexPolygon& g) {
  const Sphere bound = c.broadphase();
  const float reach = bound.radius + g.bounding_radius;
  if (curvel::distance_squared(bound.center, g.center) > reach * reach) return false;
  return g.view().segment_dist_sq(c.p1, c.dir) <= c.radius * c.radius;
}

// ---- Sphere query.
bool exact(const Sphere& q, const Capsule& m) { return sphere_capsule(q, m); }
bool exact(const Sphere& q, const Cuboid& m) { return sphere_cuboid(q, m); }
bool exact(const Sphere& q, const Cylinder& m) { return sphere_cylinder(q, m); }
bool exact(const Sphere& q, const ConvexPolygon& m) { return sphere_polygon(q, m.view()); }
bool exact(const Sphere& q, const ConvexPolytope& m) { return sphere_polytope(q, m.planes); }
bool exact(const Sphere& q, const Plane& m) { return sphere_plane(q, m); }

// ---- Capsule query.
bool exact(const Capsule& q, const Sphere& m) { return sphere_capsule(m, q); }
bool exact(const Capsule& q, const Point& m) { return capsule_point(q, m.position); }
bool exact(const Capsule& q, const Capsule& m) { return capsule_capsule(q, m); }
bool exact(const Capsule& q, const Cuboid& m) { return cuboid::capsule_cuboid_collides_query(q, m); }
bool exact(const Capsule& q, const Cylinder& m) { return cylinder::cylinder_capsule_collides_query(m, q); }
bool exact(const Capsule& q, const ConvexPolygon& m) { return capsule_polygon(q, m); }
bool exact(const Capsule& q, const ConvexPolytope& m) { return RefConvexPolytope::collides_capsule_query(m.planes, q); }
bool exact(const Capsule& q, const Plane& m) { return capsule_plane(q, m); }

// ---- Cuboid query.
bool exact(const Cuboid& q, const Sphere& m) { return sphere_cuboid(m, q); }
bool exact(const Cuboid& q, const Point& m) { return q.point_dist_sq(m.position) <= 0.0f; }
bool exact(const Cuboid& q, const Capsule& m) { return cuboid::capsule_cuboid_collides_query(m, q); }
bool exact(const Cuboid& q, const Cuboid& m) { return Collides<Cuboid, Cuboid>::test(q, m); }
bool exact(const Cuboid& q, const Cylinder& m) { return cylinder::cylinder_cuboid_collides_query(m, q); }
bool exact(const Cuboid& q, const ConvexPolygon& m) { return plane::ref_convex::ref_polygon_cuboid_collides(m.view(), q); }
bool exact(const Cuboid& q, const ConvexPolytope& m) { return RefConvexPolytope::collides_cuboid_query(m.planes, q); }
bool exact(const Cuboid& q, const Plane& m) { return cuboid_plane(q, m); }

// ---- Cylinder query.
bool exact(const Cylinder& q, const Sphere& m) { return sphere_cylinder(m, q); }
bool exact(const Cylinder& q, const Point& m) { return cylinder_point(q, m.position); }
bool exact(const Cylinder& q, const Capsule& m) { return cylinder::cylinder_capsule_collides_query(q, m); }
bool exact(const Cylinder& q, const Cuboid& m) { return cylinder::cylinder_cuboid_collides_query(q, m); }
bool exact(const Cylinder& q, const Cylinder& m) { return cylinder_cylinder(q, m); }
bool exact(const Cylinder& q, const ConvexPolygon& m) { return cylinder::cylinder_polygon_collides_query(q, m.view()); }
bool exact(const Cylinder& q, const ConvexPolytope& m) { return cylinder::cylinder_polytope_collides_query(q, m.view()); }
bool exact(const Cylinder& q, const Plane& m) { return cylinder_plane(q, m); }

// ---- ConvexPolytope query.
bool exact(const ConvexPolytope& q, const Sphere& m) { return polytope_sphere(q.view(), m); }
bool exact(const ConvexPolytope& q, const Point& m) { return polytope_point(q.planes, m.position); }
bool exact(const ConvexPolytope& q, const Capsule& m) { return RefConvexPolytope::collides_capsule_query(q.planes, m); }
bool exact(const ConvexPolytope& q, const Cuboid& m) { return RefConvexPolytope::collides_cuboid_query(q.planes, m); }
bool exact(const ConvexPolytope& q, const Cylinder& m) { return cylinder::cylinder_polytope_collides_query(m, q.view()); }
bool exact(const ConvexPolytope& q, const ConvexPolygon& m) {
  return plane::ref_convex::ref_polygon_polytope_collides(m.view(), q.view());
}
bool exact(const ConvexPolytope& q, const ConvexPolytope& m) { return polytope_polytope(q.view(), m.view()); }
bool exact(const ConvexPolytope& q, const Plane& m) { return polytope_plane(q.view(), m); }

// ---- ConvexPolygon query.
bool exact(const ConvexPolygon& q, const Sphere& m) { return sphere_polygon(m, q.view()); }
bool exact(const ConvexPolygon& q, const Capsule& m) { return capsule_polygon(m, q); }
bool exact(const ConvexPolygon& q, const Cuboid& m) { return plane::ref_convex::ref_polygon_cuboid_collides(q.view(), m); }
bool exact(const ConvexPolygon& q, const Cylinder& m) { return cylinder::cylinder_polygon_collides_query(m, q.view()); }
bool exact(const ConvexPolygon& q, const ConvexPolygon& m) {
  return plane::ref_convex::ref_polygon_polygon_collides(q.view(), m.view());
}
bool exact(const ConvexPolygon& q, const ConvexPolytope& m) {
  return plane::ref_convex::ref_polygon_polytope_collides(q.view(), m.view());
}
bool exact(const ConvexPolygon& q, const Plane& m) { return plane::ref_convex::ref_polygon_infinite_plane_collides(q.view(), m); }

// ---- Plane query.
bool exact(const Plane& q, const Point& m) { return plane_point(q, m.position); }
bool exact(const Plane& q, const Capsule& m) { return plane_capsule(q, m); }
bool exact(const Plane& q, const Cuboid& m) { return cuboid_plane(m, q); }
bool exact(const Plane& q, const Cylinder& m) { return cylinder_plane(m, q); }
bool exact(const Plane& q, const ConvexPolygon& m) { return plane::ref_convex::ref_polygon_infinite_plane_collides(m.view(), q); }
bool exact(const Plane& q, const ConvexPolytope& m) { return polytope_plane(m.view(), q); }
bool exact(const Plane& q, const Plane& m) { return plane_plane(q, m); }
bool exact(const Plane& q, const Pointcloud& m) { return pointcloud::collides_query(m, q); }

// ---- The visit.

// The kinds in order, each whose bit is set running its step, up to the
// first hit. An empty collider answers at once.
template <Kind... Order, class Query>
bool visit_in_order(const Query& query, const Collider<>& c) {
  if (c.mask == 0) return false;
  return ((c.has(Order) && query.template step<Order>(c)) || ...);
}

// The query against a member of kind K, by its exact overload.
template <class Q>
auto exact_against(const Q& q) {
  return [&q](const auto& member) { return exact(q, member); };
}

// Sphere query. Capsules, cuboids and cylinders in eight-item groups behind
// the sphere test of their lanes; the sphere and point lanes are the answer
// themselves.
struct SphereQuery {
  const Sphere& q;

  template <Kind K>
  bool step(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (K == Kind::Spheres) {
      return lanes_admit(members, q);
    } else if constexpr (K == Kind::Points) {
      return lanes_admit(members.spheres, q);
    } else if constexpr (K == Kind::Capsules || K == Kind::Cuboids || K == Kind::Cylinders) {
      const soa::SpheresSoA& lanes = members.spheres;
      const auto group_mask = [&](std::size_t g) {
        return lanes::sphere_overlap_mask<lanes::kWidth>(lanes.xs() + g, lanes.ys() + g, lanes.zs() + g,
                                                         lanes.rs() + g, q.center.x, q.center.y, q.center.z,
                                                         q.radius);
      };
      return eight_item_groups(members, group_mask, exact_against(q));
    } else if constexpr (K == Kind::Pointclouds) {
      return soa::collides(members, q);
    } else if constexpr (is_unbounded(K)) {
      return item_scan(members, exact_against(q));
    } else {
      return gate(members, q, exact_against(q));
    }
  }

  bool run(const Collider<>& c) const {
    return visit_in_order<Kind::Spheres, Kind::Points, Kind::Capsules, Kind::Cuboids, Kind::Cylinders,
                          Kind::Segments, Kind::Polygons, Kind::Polytopes, Kind::Planes, Kind::Lines, Kind::Rays,
                          Kind::Pointclouds>(*this, c);
  }
};

// Capsule, cuboid, cylinder, polytope and polygon queries: every bounded
// kind behind one gate of the query's bounding sphere, the unbounded kinds
// item by item. Sphere members run the exact test on the lanes: all of them
// eight at a time, or (for the polytope and the polygon, whose tests do not
// fail on a NaN radius) the used ones one by one.
template <class Q>
struct SolidQuery {
  const Q& q;
  Sphere bound;

  static constexpr bool kSpheresOneByOne =
      std::is_same_v<Q, ConvexPolytope> || std::is_same_v<Q, ConvexPolygon>;

  template <Kind K>
  bool step(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (K == Kind::Spheres) {
      if constexpr (kSpheresOneByOne) return lane_loop(members, exact_against(q));
      else return lane_scan(members, exact_against(q));
    } else if constexpr (K == Kind::Pointclouds) {
      return soa::collides(members, q);
    } else if constexpr (is_unbounded(K)) {
      return item_scan(members, exact_against(q));
    } else {
      return gate(members, bound, exact_against(q));
    }
  }

  bool run(const Collider<>& c) const {
    if constexpr (std::is_same_v<Q, ConvexPolygon>) {
      // A polygon never reports a point.
      return visit_in_order<Kind::Spheres, Kind::Capsules, Kind::Cuboids, Kind::Cylinders, Kind::Segments,
                            Kind::Polygons, Kind::Polytopes, Kind::Planes, Kind::Lines, Kind::Rays,
                            Kind::Pointclouds>(*this, c);
    } else {
      return visit_in_order<Kind::Spheres, Kind::Points, Kind::Capsules, Kind::Cuboids, Kind::Cylinders,
                            Kind::Segments, Kind::Polygons, Kind::Polytopes, Kind::Planes, Kind::Lines, Kind::Rays,
                            Kind::Pointclouds>(*this, c);
    }
  }
};

// Plane query: no bounding sphere. Capsules, cuboids and cylinders in
// eight-item groups behind the plane test of their lanes, the rest item by
// item. Points inside the half-space are hits.
struct PlaneQuery {
  const Plane& q;

  template <Kind K>
  bool step(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (K == Kind::Spheres) {
      return lane_scan(members, [&](const Sphere& s) { return plane_sphere(q, s); });
    } else if constexpr (K == Kind::Capsules || K == Kind::Cuboids || K == Kind::Cylinders) {
      const soa::SpheresSoA& lanes = members.spheres;
      const auto group_mask = [&](std::size_t g) {
        return lanes::lane_mask<lanes::kWidth>([&](int l) {
          const std::size_t i = g + static_cast<std::size_t>(l);
          const Vec3 centre{lanes.xs()[i], lanes.ys()[i], lanes.zs()[i]};
          return dot(q.normal, centre) - q.d - lanes.rs()[i] <= 0.0f;
        });
      };
      return eight_item_groups(members, group_mask, exact_against(q));
    } else if constexpr (collider::is_broad_collection_v<decltype(members)>) {
      return item_scan(members.items, exact_against(q));
    } else {
      return item_scan(members, exact_against(q));
    }
  }

  bool run(const Collider<>& c) const {
    return visit_in_order<Kind::Spheres, Kind::Points, Kind::Capsules, Kind::Cuboids, Kind::Cylinders,
                          Kind::Segments, Kind::Polygons, Kind::Polytopes, Kind::Planes, Kind::Lines, Kind::Rays,
                          Kind::Pointclouds>(*this, c);
  }
};

// Line, ray and segment queries: never points, segments, lines or rays. A
// segment has a bounding sphere and gates every bounded kind with it; a line
// or a ray tests every member.
template <class L>
struct PieceQuery {
  const L& q;
  Piece piece;
  Sphere bound;

  static constexpr bool kGated = std::is_same_v<L, curvel::LineSegment>;

  template <Kind K>
  bool step(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (K == Kind::Spheres) {
      if (kGated && !lanes_admit(members, bound)) return false;
      return lane_scan(members, exact_against(piece));
    } else if constexpr (K == Kind::Pointclouds) {
      const auto cloud_hit = [&](const Pointcloud& cloud) { return pointcloud::collides_query(cloud, q); };
      if constexpr (kGated) return gate(members, bound, cloud_hit);
      else return item_scan(members.items, cloud_hit);
    } else if constexpr (is_unbounded(K)) {
      return item_scan(members, exact_against(piece));
    } else if constexpr (kGated) {
      return gate(members, bound, exact_against(piece));
    } else {
      return item_scan(members.items, exact_against(piece));
    }
  }

  bool run(const Collider<>& c) const {
    return visit_in_order<Kind::Spheres, Kind::Capsules, Kind::Cuboids, Kind::Cylinders, Kind::Polygons,
                          Kind::Polytopes, Kind::Planes, Kind::Pointclouds>(*this, c);
  }
};

template <class L>
PieceQuery<L> piece_query(const L& l) {
  if constexpr (std::is_same_v<L, curvel::LineSegment>) {
    return {l, piece_of(l), Bounded<curvel::LineSegment>::broadphase(l)};
  } else {
    return {l, piece_of(l), Sphere{}};
  }
}

}  // namespace

}  // namespace tangor::collider

namespace tangor {

using collider::SolidQuery;

bool query_collider(const Sphere& query, const Collider<Pointcloud>& collider) {
  return collider::SphereQuery{query}.run(collider);
}
bool query_collider(const Capsule& query, const Collider<Pointcloud>& collider) {
  return SolidQuery<Capsule>{query, query.broadphase()}.run(collider);
}
bool query_collider(const Cuboid& query, const Collider<Pointcloud>& collider) {
  return SolidQuery<Cuboid>{query, Bounded<Cuboid>::broadphase(query)}.run(collider);
}
bool query_collider(const Cylinder& query, const Collider<Pointcloud>& collider) {
  return SolidQuery<Cylinder>{query, query.broadphase()}.run(collider);
}
bool query_collider(const ConvexPolytope& query, const Collider<Pointcloud>& collider) {
  return SolidQuery<ConvexPolytope>{query, Bounded<ConvexPolytope>::broadphase(query)}.run(collider);
}
bool query_collider(const ConvexPolygon& query, const Collider<Pointcloud>& collider) {
  return SolidQuery<ConvexPolygon>{query, Bounded<ConvexPolygon>::broadphase(query)}.run(collider);
}
bool query_collider(const Plane& query, const Collider<Pointcloud>& collider) {
  return collider::PlaneQuery{query}.run(collider);
}
bool query_collider(const curvel::Line& query, const Collider<Pointcloud>& collider) {
  return collider::piece_query(query).run(collider);
}
bool query_collider(const curvel::Ray& query, const Collider<Pointcloud>& collider) {
  return collider::piece_query(query).run(collider);
}
bool query_collider(const curvel::LineSegment& query, const Collider<Pointcloud>& collider) {
  return collider::piece_query(query).run(collider);
}

}  // namespace tangor
