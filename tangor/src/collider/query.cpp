// The single-shape queries of the compound collider. Every query kind is one
// template below with its visit order and its broad step per member kind;
// the exact test of each (query, member) pair is the pair catalogue's member
// form.

#include <type_traits>

#include "collider/broad_steps.hpp"
#include "collider/members.hpp"
#include "tangor/collider.hpp"
#include "tangor/pairs.hpp"
#include "tangor/pointcloud/cloud_collection.hpp"

namespace tangor::collider {

namespace {

// ---- The visit.

// The kinds in order, each whose bit is set running its step, up to the
// first hit. An empty collider answers at once.
template <Kind... Order, class Query>
bool visit_in_order(const Query& query, const Collider<>& c) {
  if (c.mask == 0) return false;
  return ((c.has(Order) && query.template step<Order>(c)) || ...);
}

// The query against one member, by the catalogue.
template <class Q>
auto exact_against(const Q& q) {
  return [&q](const auto& member) { return collides_member(q, member); };
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
      return lane_scan(members, exact_against(q));
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
  util::LinePiece piece;
  Sphere bound;

  static constexpr bool kGated = std::is_same_v<L, curvel::LineSegment>;

  template <Kind K>
  bool step(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (K == Kind::Spheres) {
      if (kGated && !lanes_admit(members, bound)) return false;
      return lane_scan(members, exact_against(piece));
    } else if constexpr (K == Kind::Pointclouds) {
      if constexpr (kGated) return gate(members, bound, exact_against(piece));
      else return item_scan(members.items, exact_against(piece));
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
    return {util::line_piece(l), Bounded<curvel::LineSegment>::broadphase(l)};
  } else {
    return {util::line_piece(l), Sphere{}};
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
