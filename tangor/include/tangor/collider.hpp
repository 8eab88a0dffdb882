#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "curvel/line.hpp"
#include "tangor/capsule.hpp"
#include "tangor/collider/query_index.hpp"
#include "tangor/convex_polytope/heap.hpp"
#include "tangor/cuboid.hpp"
#include "tangor/cylinder.hpp"
#include "tangor/line/line.hpp"
#include "tangor/plane/convex.hpp"
#include "tangor/plane/infinite.hpp"
#include "tangor/point.hpp"
#include "tangor/pointcloud/no_pcl.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/soa/broad_collection.hpp"
#include "tangor/soa/spheres_soa.hpp"
#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"

namespace tangor {

// The member kinds of a compound collider, valued by their bit in the kind
// mask. Bits 12 to 15 are never set.
enum class Kind : std::uint16_t {
  Capsules = 0x001,
  Cuboids = 0x002,
  Cylinders = 0x004,
  Planes = 0x008,
  Polygons = 0x010,
  Polytopes = 0x020,
  Points = 0x040,
  Spheres = 0x080,
  Lines = 0x100,
  Rays = 0x200,
  Segments = 0x400,
  Pointclouds = 0x800,
};

constexpr std::uint16_t bit(Kind kind) { return static_cast<std::uint16_t>(kind); }

// Planes, lines and rays have no bounding sphere: while one is held, the
// collider's bound has radius +inf.
inline constexpr std::uint16_t UNBOUNDED_KINDS = bit(Kind::Planes) | bit(Kind::Lines) | bit(Kind::Rays);

// Any number of shapes of twelve kinds, one collection per kind, with one
// bounding sphere per bounded member (the collection's lanes), an overall
// bounding sphere and the kind mask.
//
// Invariants: bit k of `mask` is set exactly when collection k holds a
// member; `bounding.radius` is +inf while a plane, line or ray is held;
// otherwise `bounding` encloses every member sphere that has no NaN (it is a
// conservative bound, not the smallest one); a collider without members has
// the all-zero `bounding`. Emptiness is read from `mask`, never from
// `bounding`, so a radius-0 sphere at the origin is an ordinary first member.
// PCL is Pointcloud, or NoPcl for a collider that can hold no cloud (a sweep).
template <class PCL = Pointcloud>
struct Collider {
  soa::BroadCollection<Capsule> capsules;
  soa::BroadCollection<Cuboid> cuboids;
  soa::BroadCollection<Cylinder> cylinders;
  std::vector<Plane> planes;
  soa::BroadCollection<ConvexPolygon> polygons;
  soa::BroadCollection<ConvexPolytope> polytopes;
  soa::BroadCollection<Point> points;
  soa::SpheresSoA spheres;
  std::vector<curvel::Line> lines;
  std::vector<curvel::Ray> rays;
  soa::BroadCollection<curvel::LineSegment> segments;
  soa::BroadCollection<PCL> pointclouds;
  Sphere bounding;
  std::uint16_t mask = 0;
  // Not part of the value: the queries' acceleration structure, built on
  // demand and dropped by the operations that move or replace members.
  collider::QueryIndex query_index;

  bool empty() const { return mask == 0; }
  bool has(Kind kind) const { return (mask & bit(kind)) != 0; }
  bool holds_unbounded() const { return (mask & UNBOUNDED_KINDS) != 0; }

  // Each addition merges the member sphere into `bounding` (the unbounded
  // kinds set its radius to +inf instead), appends the shape to its
  // collection and sets the kind's bit. Points enter only by `include` or
  // from the serialized form.
  void add(const Sphere& sphere);
  void add(Capsule capsule);
  void add(Cuboid cuboid);
  void add(Cylinder cylinder);
  void add(ConvexPolytope polytope);
  void add(ConvexPolygon polygon);
  void add(curvel::LineSegment segment);
  void add(PCL cloud);
  void add(Plane plane);
  void add(curvel::Line line);
  void add(curvel::Ray ray);

  // Moves every member of `other` behind this collider's own, keeping their
  // order; `other` ends empty.
  void include(Collider&& other);

  // Whether the sphere can touch a member, by bounding spheres alone; true
  // whenever a plane, line or ray is held.
  bool broad_overlaps_any(const Sphere& query) const;

  // `mask` and `bounding` recomputed from the collections: the member spheres
  // taken afresh from the items and grown in the order spheres, capsules,
  // cuboids, cylinders, polytopes, polygons, points, segments, pointclouds.
  void rebuild_bounding();

  // `bounding` replaced by a tighter sphere around every member sphere
  // without a NaN (the lanes as stored): eight fixed steps towards the centre
  // of the smallest enclosing sphere, then the radius that holds them all.
  void refine_bounding();

  // The moves of every shape, applied to every member. Under a rigid move the
  // lanes and the bound's centre move with the members. Under a move that is
  // not rigid (a quaternion of non-unit length, a matrix that scales or
  // shears) the lanes are taken afresh from the moved items and the bound is
  // rebuilt, so every bound still encloses what it bounds. A point cloud
  // takes the inverse of the move into its inverse_transform, as a
  // Pointcloud moved alone does (a singular move gives it a non-finite one).
  // `mask` never changes.
  void translate(Vec3 t);
  void rotate_quat(Quat q);
  void rotate_mat(const Mat3& m);
  void transform(const Affine3& a);
  // Every member about its own reference point (points stay as they are),
  // each point cloud by pointcloud::scaled (its pending move baked into its
  // points); lanes and bound are then rebuilt from the members. When the
  // tree of a scaled cloud refuses its points the cause is returned and the
  // collider is left as it was.
  [[nodiscard]] std::optional<pointcloud::capt::NewCaptError> scale(float f);

  // A copy of `bounding`.
  Sphere broadphase() const { return bounding; }
  // The world box of `bounding` (the cube around it, not the members' box);
  // +inf half extents about the bound's centre when unbounded.
  Cuboid aabb() const;
  Cuboid obb() const { return aabb(); }

  // The collider of the volume swept along t; none when a point cloud is held.
  std::optional<Collider<NoPcl>> try_stretch(Vec3 t) const;
};

// The merge of one sphere into a bound that already holds something: nothing
// changes when the member lies inside (r + dist <= R); the bound becomes the
// member when that encloses it (R + dist <= r); otherwise the radius becomes
// ((R + r) + dist)·0.5 and the centre moves towards the member by the growth
// (it stays when dist <= EPS). An infinite bound stays as it is. When
// r + dist or R is NaN the bound also stays: the half-way rule would turn it
// NaN, and a NaN bound never grows again and turns every collider pair apart.
void merge_bounding(Sphere& bound, const Sphere& member);

// A member well inside the bound, which merge_bounding leaves as it is, told
// without the square root. With the limit room²·0.999 finite and normal,
// each of the four roundings (room, its square, the product, the root) is
// within a factor 1 + 2^-24, so the rounded distance stays below
// (R − r)·0.9996 and r + dist rounds to at most R. Outside that range the
// square loses that precision (it overflows, or underflows into subnormals)
// and the merge decides. NaN fails every comparison.
inline bool well_inside(const Sphere& bound, const Sphere& member) {
  const Vec3 offset = member.center - bound.center;
  const float room = bound.radius - member.radius;
  const float limit = room * room * 0.999f;
  // One branch for the four tests: this runs once per sphere added.
  return (room >= 0.0f) & (limit >= FLT_MIN) & (limit <= FLT_MAX) & (dot(offset, offset) <= limit);
}

inline bool has_nan(const Sphere& s) {
  return std::isnan(s.center.x) || std::isnan(s.center.y) || std::isnan(s.center.z) || std::isnan(s.radius);
}

// The grow step of a running bound by one member sphere. The first member is
// taken whole. A member whose sphere has a NaN never enters a bound that holds
// a member without one, and the first member without one replaces a bound
// made of such members only: a NaN bound never grows again and keeps every
// collider pair apart, losing the valid members behind it. A bound made of
// NaN members only stays the first one's sphere. `unbounded`: the bound is
// +inf for a plane, line or ray held, whatever its centre, and stays so.
inline void grow_bound(Sphere& bound, const Sphere& member, bool first, bool unbounded) {
  if (first) {
    bound = member;
  } else if (well_inside(bound, member)) {
    // Nothing to merge. NaN fails well_inside, so the test below costs
    // nothing on the common path.
  } else if (!unbounded && has_nan(bound) && !has_nan(member)) {
    bound = member;
  } else {
    merge_bounding(bound, member);
  }
}

// Inline: building a collider sphere by sphere is a hot loop.
template <class PCL>
void Collider<PCL>::add(const Sphere& sphere) {
  grow_bound(bounding, sphere, empty(), holds_unbounded());
  spheres.push(sphere);
  mask |= bit(Kind::Spheres);
  query_index.note_growth(bit(Kind::Spheres), spheres.len);
}

// The collider of a sweep, which holds no point cloud, as a collider that
// can take them: the same members, bound and mask.
Collider<Pointcloud> with_pointclouds(Collider<NoPcl>&& swept);

// Whether some member of `b` touches some member of `a` (touching counts).
bool collides_other(const Collider<Pointcloud>& a, const Collider<Pointcloud>& b);

// Whether the shape touches some member of the collider. Each query visits
// the member kinds in its own fixed order, runs that kind's broad step and
// then the exact test of each member it lets through, and stops at the first
// hit; it never reads `bounding`. Nothing is allocated.
bool query_collider(const Sphere& query, const Collider<Pointcloud>& collider);
bool query_collider(const Capsule& query, const Collider<Pointcloud>& collider);
bool query_collider(const Cuboid& query, const Collider<Pointcloud>& collider);
bool query_collider(const Cylinder& query, const Collider<Pointcloud>& collider);
bool query_collider(const ConvexPolytope& query, const Collider<Pointcloud>& collider);
bool query_collider(const ConvexPolygon& query, const Collider<Pointcloud>& collider);
bool query_collider(const Plane& query, const Collider<Pointcloud>& collider);
bool query_collider(const curvel::Line& query, const Collider<Pointcloud>& collider);
bool query_collider(const curvel::Ray& query, const Collider<Pointcloud>& collider);
bool query_collider(const curvel::LineSegment& query, const Collider<Pointcloud>& collider);

extern template struct Collider<Pointcloud>;
extern template struct Collider<NoPcl>;

template <class PCL>
struct Bounded<Collider<PCL>> {
  static Sphere broadphase(const Collider<PCL>& c) { return c.broadphase(); }
  static Cuboid aabb(const Collider<PCL>& c) { return c.aabb(); }
};

template <class PCL>
struct Transformable<Collider<PCL>> {
  static void translate(Collider<PCL>& c, Vec3 t) { c.translate(t); }
  static void rotate_quat(Collider<PCL>& c, Quat q) { c.rotate_quat(q); }
  static void rotate_mat(Collider<PCL>& c, const Mat3& m) { c.rotate_mat(m); }
  static void transform(Collider<PCL>& c, const Affine3& a) { c.transform(a); }
  [[nodiscard]] static std::optional<pointcloud::capt::NewCaptError> scale(Collider<PCL>& c, float f) {
    return c.scale(f);
  }
};

}  // namespace tangor
