// The single-shape queries of the compound collider. Every query kind is one
// template below with its visit order and its broad step per member kind;
// the exact test of each (query, member) pair is the pair catalogue's member
// form.

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "collider/broad_steps.hpp"
#include "collider/index_data.hpp"
#include "collider/members.hpp"
#include "collider/reach.hpp"
#include "tangor/collider.hpp"
#include "tangor/pairs.hpp"
#include "tangor/pointcloud/cloud_collection.hpp"

namespace tangor::collider {

namespace {


// ---- The accelerated path.
//
// A member may be skipped only where its exact test cannot answer true: the
// tree keeps, per member, a sphere holding the member's lane (so that every
// lane the specified gate or group test would pass is visited, and that test
// is then run exactly as specified on it) and the member's reach (reach.hpp):
// every witness point of contact that the member's tests can find. For a
// well-formed query with reach (c, rho) and a well-formed member with reach
// (c', rho', kappa'), the exact test of each (query, member) pair answers
// true only when, up to rounding,
//
//   tight:         |c − c'| <= rho + rho'
//   member faces:  |c − c'| <= kappa'·rho + rho'
//   query faces:   |c − c'| <= rho + kappa·rho'
//
// Pair table (query rows, member columns; t tight, m member faces, q query
// faces, - the kind is never visited by that query, s the specified path):
//
//              spheres points capsules cuboids cylinders segments polygons polytopes clouds
//   Sphere        t      t       t        t        t         t        t         m       s
//   Capsule       t      t       t        t        t         t        t         m       s
//   Cuboid        t      t       t        t        t         t        t         m       s
//   Cylinder      t      t       t        t        t         t        t         m       s
//   Polytope      t      t       q        q        q         t        t         q       s
//   Polygon       t      -       t        t        t         t        t         t       s
//   Segment       t      -       t        t        t         -        t         t       s
//   Plane, Line, Ray: s (no bounding sphere; every member is tested).
//
// Why, per kind of test:
// - Witness tests (t): the test answers true only with a point pair within
//   the sum of the radii: the nearest point of a clamped axis or segment
//   (capsules, segments, line pieces), the excess over a box in an
//   orthonormal frame (cuboids), a point of the cylinder's axis segment or
//   rim within reach (the cylinder tests, whose axial parameter is clamped
//   or checked, with rdv 0 or within rounding of 1/|dir|²), the slab range
//   inside a box (line and cuboid; a polytope's obb before its faces), a
//   point whose in-plane coordinates pass a polygon's edge test (its region
//   verified to lie within the bounding radius), a vertex contained in the
//   other shape. Every such point lies in the shape's reach.
// - Own reject (t): polygon pairs with cuboids, polygons and polytopes, the
//   non-axis-aligned box pair, and the per-item bounding check of the sphere
//   and capsule polygon cells first compare the two bounding spheres, which
//   are the reaches.
// - Faces (m, q): a polytope's face planes alone (sphere, capsule, cuboid
//   and cylinder against a polytope; a polytope query against capsules,
//   cuboids, cylinders and polytopes) admit a centre pushed out by the other
//   shape's radius beyond every face: within radius + kappa·push of the
//   polytope's reach centre, kappa verified from the face planes'
//   corners (reach.cpp). A polytope query against a polytope uses the
//   query's faces against the member's vertices.
// Members or queries that are not well formed (negative radii, stale derived
// fields, non-orthonormal frames, open or degenerate face planes, values
// beyond 1e18) have no reach: such a member is visited by every query, such
// a query takes the specified path. The bounds are widened by 2^-6 of the
// radii and 2^-14 of the coordinates' size, far beyond the rounding of the
// tests. Point clouds, planes, lines and rays always take the specified
// path.

// Relative room of the radii: far beyond the rounding of any test.
constexpr double kRadiusRoom = 1.0 + 0x1p-6;
// Room relative to the query's size, for the rounding of its coordinates,
// and an absolute floor (the edge slack of the polygon test and squares
// that would underflow).
constexpr double kCoordinateRoom = 0x1p-14;
constexpr double kFloor = 0x1p-16;

float rounded_up(double v) {
  const float f = static_cast<float>(v);
  return static_cast<double>(f) >= v ? f : std::nextafter(f, INF);
}

// The query's side of the accelerated path: the index and the query's reach.
struct Acceleration {
  const IndexData* index = nullptr;
  Reach reach;

  template <class Q>
  static Acceleration for_query(const Q& q, const Collider<>& c) {
    const std::optional<Reach> reach = reach_of(q);
    if (!reach || c.mask == 0) return {};
    const IndexData* index = index_of(c);
    if (index == nullptr) return {};
    return {index, *reach};
  }

  // The kind's index when it covers the kind as it now is (kinds that were
  // small at the build take the specified path).
  const KindIndex* kind(Kind k, std::size_t count) const {
    if (index == nullptr) return nullptr;
    const KindIndex& ki = index->of(k);
    return ki.covered != 0 && count >= ki.covered ? &ki : nullptr;
  }

  // One probe for every kind: each lane's kappa multiplies the query's
  // radius (1 but for polytopes), and the query's kappa (1 but for a
  // polytope query) the lane's radius. Both widen the tight bound, so one
  // probe serves every pair of the table.
  TreeProbe probe() const {
    const double size = std::max({std::fabs(reach.x), std::fabs(reach.y), std::fabs(reach.z)}) + reach.radius;
    return {static_cast<float>(reach.x), static_cast<float>(reach.y), static_cast<float>(reach.z),
            rounded_up(kRadiusRoom * reach.radius), rounded_up(kCoordinateRoom * size + kFloor),
            rounded_up(kRadiusRoom * reach.kappa)};
  }
};

// The lanes of a kind: the spheres themselves, or a collection's.
template <class Members>
const soa::SpheresSoA& lanes_of_members(const Members& members) {
  if constexpr (is_sphere_lanes_v<Members>) {
    return members;
  } else {
    return members.spheres;
  }
}

// Member i's lane against the bound by the specified lane rule.
inline bool lane_admits(const soa::SpheresSoA& lanes, std::size_t i, const Sphere& bound) {
  return lanes::sphere_overlap(lanes.xs(), lanes.ys(), lanes.zs(), lanes.rs(), bound.center.x, bound.center.y,
                               bound.center.z, bound.radius)(static_cast<int>(i));
}

// The collection gate on one member at a time: true once some visited lane
// admits the bound and some visited member passes its exact test.
template <class Exact>
auto gate_handler(const soa::SpheresSoA& lanes, const Sphere& bound, Exact exact) {
  return [&lanes, bound, exact, admitted = false, hit = false](std::size_t i) mutable {
    if (!admitted) admitted = lane_admits(lanes, i, bound);
    if (!hit) hit = exact(i);
    return admitted && hit;
  };
}

// A kind that no query asks through the index.
inline auto no_handler() {
  return [](std::size_t) { return false; };
}

// The item test of member i of a collection, or of lane i of the spheres.
template <class Collection, class Q>
auto exact_member(const Collection& members, const Q& q) {
  return [&members, &q](std::size_t i) {
    if constexpr (is_sphere_lanes_v<Collection>) {
      return collides_member(q, members.sphere(i));
    } else {
      return collides_member(q, members.items[i]);
    }
  };
}

// ---- The visit.

// The kinds the index can hold: every bounded kind but point clouds, whose
// own tree answers for their points.
constexpr bool indexable_kind(Kind kind) { return kind != Kind::Pointclouds && !is_unbounded(kind); }

// The kinds in order, each whose bit is set running its step, up to the
// first hit. An empty collider answers at once.
// The kinds indexed for this query: handled by one descent of the tree, each
// member it reaches given to its kind's handler (which applies the kind's
// specified rule: lanes alone, groups of eight, or the collection gate).
template <Kind... Order, class Query, std::size_t... I>
bool indexed_kinds(const Query& query, const Collider<>& c, std::uint16_t indexed, std::index_sequence<I...>) {
  auto handlers = std::make_tuple(query.template handler<Order>(c)...);
  const IndexData& index = *query.accel.index;
  const bool outside = (((indexed & bit(Order)) != 0 &&
                         each_outside(index.of(Order), member_count(collection_of<Order>(c)), std::get<I>(handlers))) ||
                        ...);
  if (outside) return true;
  return index.tree.any<true>(query.accel.probe(), [&](std::uint32_t packed) {
    const unsigned slot = packed >> kIdBits;
    const std::size_t id = packed & kIdMask;
    return ((slot == slot_of(Order) && (indexed & bit(Order)) != 0 && std::get<I>(handlers)(id)) || ...);
  });
}

// The kinds in order, each whose bit is set running its step, up to the
// first hit; the kinds that the index covers are answered together after
// the others (the answer does not depend on the order). An empty collider
// answers at once.
template <Kind... Order, class Query>
bool visit_in_order(const Query& query, const Collider<>& c) {
  if (c.mask == 0) return false;
  std::uint16_t indexed = 0;
  if (query.accel.index != nullptr) {
    ((indexed |= Query::template kIndexable<Order> && c.has(Order) &&
                         query.accel.kind(Order, member_count(collection_of<Order>(c))) != nullptr
                     ? bit(Order)
                     : std::uint16_t{0}),
     ...);
  }
  if (((c.has(Order) && (indexed & bit(Order)) == 0 && query.template step<Order>(c)) || ...)) return true;
  if (indexed == 0) return false;
  return indexed_kinds<Order...>(query, c, indexed, std::make_index_sequence<sizeof...(Order)>{});
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
  Acceleration accel;

  // The lanes of the group of eight at g that the query's sphere meets.
  auto group_mask(const soa::SpheresSoA& lanes) const {
    return [&lanes, this](std::size_t g) {
      return lanes::sphere_overlap_mask<lanes::kWidth>(lanes.xs() + g, lanes.ys() + g, lanes.zs() + g, lanes.rs() + g,
                                                       q.center.x, q.center.y, q.center.z, q.radius);
    };
  }

  template <Kind K>
  bool step(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (K == Kind::Spheres) {
      return lanes_admit(members, q);
    } else if constexpr (K == Kind::Points) {
      return lanes_admit(members.spheres, q);
    } else if constexpr (K == Kind::Capsules || K == Kind::Cuboids || K == Kind::Cylinders) {
      return eight_item_groups(members, group_mask(members.spheres), exact_against(q));
    } else if constexpr (K == Kind::Pointclouds) {
      return soa::collides(members, q);
    } else if constexpr (is_unbounded(K)) {
      return item_scan(members, exact_against(q));
    } else {
      return gate(members, q, exact_against(q));
    }
  }

  template <Kind K>
  static constexpr bool kIndexable = indexable_kind(K);

  template <Kind K>
  auto handler(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (!kIndexable<K>) {
      return no_handler();
    } else if constexpr (K == Kind::Spheres || K == Kind::Points) {
      const soa::SpheresSoA& lanes = lanes_of_members(members);
      return [&lanes, this](std::size_t i) { return lane_admits(lanes, i, q); };
    } else if constexpr (K == Kind::Capsules || K == Kind::Cuboids || K == Kind::Cylinders) {
      // Member i runs its test when its group of eight has a lane that
      // passes, or when it is one of the last n mod 8.
      const std::size_t grouped = members.items.size() / lanes::kWidth * lanes::kWidth;
      return [grouped, mask = group_mask(members.spheres), exact = exact_member(members, q)](std::size_t i) {
        return (i >= grouped || mask(i / lanes::kWidth * lanes::kWidth) != 0) && exact(i);
      };
    } else {
      return gate_handler(members.spheres, q, exact_member(members, q));
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
  Acceleration accel;

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

  template <Kind K>
  static constexpr bool kIndexable = indexable_kind(K);

  // Sphere members run the exact test on their lanes, with no gate.
  template <Kind K>
  auto handler(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (!kIndexable<K>) {
      return no_handler();
    } else if constexpr (K == Kind::Spheres) {
      return exact_member(members, q);
    } else {
      return gate_handler(members.spheres, bound, exact_member(members, q));
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
  Acceleration accel;

  template <Kind K>
  static constexpr bool kIndexable = false;
  template <Kind K>
  auto handler(const Collider<>&) const {
    return no_handler();
  }

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
  Acceleration accel;

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

  template <Kind K>
  static constexpr bool kIndexable = kGated && indexable_kind(K);

  // A segment gates every kind with its bound, the spheres included.
  template <Kind K>
  auto handler(const Collider<>& c) const {
    const auto& members = collection_of<K>(c);
    if constexpr (!kIndexable<K>) {
      return no_handler();
    } else {
      return gate_handler(lanes_of_members(members), bound, exact_member(members, piece));
    }
  }

  bool run(const Collider<>& c) const {
    return visit_in_order<Kind::Spheres, Kind::Capsules, Kind::Cuboids, Kind::Cylinders, Kind::Polygons,
                          Kind::Polytopes, Kind::Planes, Kind::Pointclouds>(*this, c);
  }
};

}  // namespace

}  // namespace tangor::collider

namespace tangor {

using collider::Acceleration;

namespace collider {

// The query with the given acceleration (none: the specified path).
bool run_query(const Sphere& q, const Collider<Pointcloud>& c, const Acceleration& a) { return SphereQuery{q, a}.run(c); }
bool run_query(const Capsule& q, const Collider<Pointcloud>& c, const Acceleration& a) {
  return SolidQuery<Capsule>{q, q.broadphase(), a}.run(c);
}
bool run_query(const Cuboid& q, const Collider<Pointcloud>& c, const Acceleration& a) {
  return SolidQuery<Cuboid>{q, Bounded<Cuboid>::broadphase(q), a}.run(c);
}
bool run_query(const Cylinder& q, const Collider<Pointcloud>& c, const Acceleration& a) {
  return SolidQuery<Cylinder>{q, q.broadphase(), a}.run(c);
}
bool run_query(const ConvexPolytope& q, const Collider<Pointcloud>& c, const Acceleration& a) {
  return SolidQuery<ConvexPolytope>{q, Bounded<ConvexPolytope>::broadphase(q), a}.run(c);
}
bool run_query(const ConvexPolygon& q, const Collider<Pointcloud>& c, const Acceleration& a) {
  return SolidQuery<ConvexPolygon>{q, Bounded<ConvexPolygon>::broadphase(q), a}.run(c);
}
bool run_query(const Plane& q, const Collider<Pointcloud>& c, const Acceleration&) { return PlaneQuery{q, {}}.run(c); }
template <class L>
bool run_query(const L& q, const Collider<Pointcloud>& c, const Acceleration& a) {
  if constexpr (std::is_same_v<L, curvel::LineSegment>) {
    return PieceQuery<L>{util::line_piece(q), Bounded<curvel::LineSegment>::broadphase(q), a}.run(c);
  } else {
    return PieceQuery<L>{util::line_piece(q), Sphere{}, {}}.run(c);
  }
}

template <class Q>
bool specified_query(const Q& query, const Collider<Pointcloud>& c) {
  return run_query(query, c, Acceleration{});
}

template bool specified_query(const Sphere&, const Collider<Pointcloud>&);
template bool specified_query(const Capsule&, const Collider<Pointcloud>&);
template bool specified_query(const Cuboid&, const Collider<Pointcloud>&);
template bool specified_query(const Cylinder&, const Collider<Pointcloud>&);
template bool specified_query(const ConvexPolytope&, const Collider<Pointcloud>&);
template bool specified_query(const ConvexPolygon&, const Collider<Pointcloud>&);
template bool specified_query(const Plane&, const Collider<Pointcloud>&);
template bool specified_query(const curvel::Line&, const Collider<Pointcloud>&);
template bool specified_query(const curvel::Ray&, const Collider<Pointcloud>&);
template bool specified_query(const curvel::LineSegment&, const Collider<Pointcloud>&);

}  // namespace collider

bool query_collider(const Sphere& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration::for_query(query, collider));
}
bool query_collider(const Capsule& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration::for_query(query, collider));
}
bool query_collider(const Cuboid& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration::for_query(query, collider));
}
bool query_collider(const Cylinder& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration::for_query(query, collider));
}
bool query_collider(const ConvexPolytope& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration::for_query(query, collider));
}
bool query_collider(const ConvexPolygon& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration::for_query(query, collider));
}
bool query_collider(const Plane& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration{});
}
bool query_collider(const curvel::Line& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration{});
}
bool query_collider(const curvel::Ray& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration{});
}
bool query_collider(const curvel::LineSegment& query, const Collider<Pointcloud>& collider) {
  return collider::run_query(query, collider, Acceleration::for_query(query, collider));
}

}  // namespace tangor
