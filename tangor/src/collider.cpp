#include "tangor/collider.hpp"

#include <cmath>
#include <utility>

#include "collider/members.hpp"

namespace tangor {

void merge_bounding(Sphere& bound, const Sphere& member) {
  const Vec3 offset = member.center - bound.center;
  const float dist = length(offset);
  // Not greater also covers NaN: the bound stays, where the half-way rule
  // below would make it NaN for good. An infinite bound is never exceeded.
  if (!(member.radius + dist > bound.radius)) return;
  // The member encloses the bound: the half-way rule below would give a
  // sphere that does not enclose the member.
  if (bound.radius + dist <= member.radius) {
    bound = member;
    return;
  }
  // The three terms summed in this order: R + (r + dist) differs in the last
  // bit for about one growing merge in four.
  const float grown = ((bound.radius + member.radius) + dist) * 0.5f;
  // An infinite radius (the sum overflowed, or the offset's square did)
  // encloses everything from where the centre is; moving it by inf/inf or
  // d·inf would make it NaN or infinite, and then no query would reach the
  // members.
  if (dist > EPS && std::isfinite(grown)) bound.center = bound.center + offset * ((grown - bound.radius) / dist);
  bound.radius = grown;
}

namespace {

template <class PCL>
void grow_bounding(Collider<PCL>& c, const Sphere& member) {
  grow_bound(c.bounding, member, c.empty(), c.holds_unbounded());
}

template <class PCL, class T>
void add_bounded(Collider<PCL>& c, soa::BroadCollection<T>& collection, T item, Kind kind) {
  const Sphere member = Bounded<T>::broadphase(item);
  grow_bounding(c, member);
  collection.spheres.push(member);
  collection.items.push_back(std::move(item));
  c.mask |= bit(kind);
  c.query_index.note_growth(bit(kind), collection.items.size());
}

template <class PCL, class T>
void add_unbounded(Collider<PCL>& c, std::vector<T>& collection, T item, Kind kind) {
  c.bounding.radius = INF;
  collection.push_back(std::move(item));
  c.mask |= bit(kind);
}

template <class T>
void move_into(soa::BroadCollection<T>& to, soa::BroadCollection<T>& from) {
  if (from.items.empty()) return;
  // No exact reserve: it would defeat the vector's geometric growth and make
  // repeated includes quadratic.
  to.items.insert(to.items.end(), std::make_move_iterator(from.items.begin()),
                  std::make_move_iterator(from.items.end()));
  from.items.clear();
  to.spheres.append(from.spheres);
}

template <class T>
void move_into(std::vector<T>& to, std::vector<T>& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  from.clear();
}

}  // namespace

template <class PCL>
void Collider<PCL>::add(Capsule capsule) { add_bounded(*this, capsules, std::move(capsule), Kind::Capsules); }
template <class PCL>
void Collider<PCL>::add(Cuboid cuboid) { add_bounded(*this, cuboids, std::move(cuboid), Kind::Cuboids); }
template <class PCL>
void Collider<PCL>::add(Cylinder cylinder) { add_bounded(*this, cylinders, std::move(cylinder), Kind::Cylinders); }
template <class PCL>
void Collider<PCL>::add(ConvexPolytope polytope) {
  add_bounded(*this, polytopes, std::move(polytope), Kind::Polytopes);
}
template <class PCL>
void Collider<PCL>::add(ConvexPolygon polygon) { add_bounded(*this, polygons, std::move(polygon), Kind::Polygons); }
template <class PCL>
void Collider<PCL>::add(curvel::LineSegment segment) {
  add_bounded(*this, segments, std::move(segment), Kind::Segments);
}
template <class PCL>
void Collider<PCL>::add(PCL cloud) { add_bounded(*this, pointclouds, std::move(cloud), Kind::Pointclouds); }
template <class PCL>
void Collider<PCL>::add(Plane plane) { add_unbounded(*this, planes, plane, Kind::Planes); }
template <class PCL>
void Collider<PCL>::add(curvel::Line line) { add_unbounded(*this, lines, line, Kind::Lines); }
template <class PCL>
void Collider<PCL>::add(curvel::Ray ray) { add_unbounded(*this, rays, ray, Kind::Rays); }

template <class PCL>
void Collider<PCL>::include(Collider&& other) {
  if (&other == this) return;
  query_index.reset();
  other.query_index.reset();
  move_into(capsules, other.capsules);
  move_into(cuboids, other.cuboids);
  move_into(cylinders, other.cylinders);
  move_into(planes, other.planes);
  move_into(polygons, other.polygons);
  move_into(polytopes, other.polytopes);
  move_into(points, other.points);
  spheres.append(other.spheres);
  move_into(lines, other.lines);
  move_into(rays, other.rays);
  move_into(segments, other.segments);
  move_into(pointclouds, other.pointclouds);

  // An empty other brings no bound of its own (its all-zero sphere is not a
  // member), however it was moved before.
  if (!other.empty()) {
    if (other.bounding.radius == INF) {
      bounding.radius = INF;
    } else {
      grow_bounding(*this, other.bounding);
    }
  }
  mask |= other.mask;
  other.mask = 0;
  other.bounding = Sphere{};
}

template <class PCL>
bool Collider<PCL>::broad_overlaps_any(const Sphere& query) const {
  if (mask == 0) return false;
  if (holds_unbounded()) return true;
  for (Kind kind : collider::OVERLAP_ORDER) {
    const soa::SpheresSoA& lanes = collider::lanes_of(*this, kind);
    if (has(kind) && lanes.len > 0 && lanes.any_collides_sphere_f32x8(query)) return true;
  }
  return false;
}

template <class PCL>
void Collider<PCL>::rebuild_bounding() {
  mask = collider::mask_of_collections(*this);
  if (holds_unbounded()) {
    bounding = Sphere{Vec3{}, INF};
    return;
  }
  bool first = true;
  Sphere bound{};
  collider::for_each_fresh_member_sphere(*this, [&](const Sphere& member) {
    grow_bound(bound, member, first, false);
    first = false;
  });
  bounding = bound;
}

template <class PCL>
void Collider<PCL>::refine_bounding() {
  if (!planes.empty() || !lines.empty() || !rays.empty()) {
    bounding = Sphere{Vec3{}, INF};
    return;
  }
  // Members whose sphere has a NaN take no part, as in the grown bound: one
  // would make the mean NaN and the search's result with it.
  const auto each_member = [&](auto&& f) {
    collider::for_each_lane_sphere(*this, [&](const Sphere& member) {
      if (!has_nan(member)) f(member);
    });
  };
  // Sums in the member order; the mean divides by the count as an f32.
  std::size_t n = 0;
  Vec3 sum{};
  each_member([&](const Sphere& member) {
    sum += member.center;
    ++n;
  });
  if (n == 0) {
    // Members of NaN spheres only keep the grown bound.
    if (empty()) bounding = Sphere{};
    return;
  }
  const float count = static_cast<float>(n);
  Vec3 c{sum.x / count, sum.y / count, sum.z / count};
  for (int k = 0; k < 8; ++k) {
    float best = 0.0f;
    Vec3 farthest = c;
    each_member([&](const Sphere& member) {
      const float d = length(member.center - c);
      const float e = member.radius + d;
      if (e > best) {
        if (d > EPS) {
          farthest = member.center + (member.center - c) * (member.radius / d);
        } else {
          farthest = c + Vec3{member.radius, 0.0f, 0.0f};
        }
        best = e;
      }
    });
    const float s = 1.0f / (static_cast<float>(k) + 2.0f);
    c = c + (farthest - c) * s;
  }
  float radius = 0.0f;
  each_member([&](const Sphere& member) { radius = max(radius, member.radius + length(member.center - c)); });
  // An infinite member makes the search's centre or radius NaN; such a
  // sphere encloses nothing, so the grown bound is kept.
  if (std::isnan(radius) || std::isnan(c.x) || std::isnan(c.y) || std::isnan(c.z)) return;
  bounding = Sphere{c, radius};
}

template <class PCL>
Cuboid Collider<PCL>::aabb() const {
  const Vec3 c = bounding.center;
  const float r = bounding.radius;
  // −inf + inf would make the centre NaN: an unbounded box keeps the centre.
  if (std::isinf(r)) {
    Cuboid box = cuboid::aabb_from_bounds(c, c);
    box.half_extents = {INF, INF, INF};
    return box;
  }
  const Vec3 lo = c - curvel::splat(r);
  const Vec3 hi = curvel::splat(r) + c;
  return cuboid::aabb_from_bounds(lo, hi);
}

Collider<Pointcloud> with_pointclouds(Collider<NoPcl>&& swept) {
  Collider<Pointcloud> out;
  out.capsules = std::move(swept.capsules);
  out.cuboids = std::move(swept.cuboids);
  out.cylinders = std::move(swept.cylinders);
  out.planes = std::move(swept.planes);
  out.polygons = std::move(swept.polygons);
  out.polytopes = std::move(swept.polytopes);
  out.points = std::move(swept.points);
  out.spheres = std::move(swept.spheres);
  out.lines = std::move(swept.lines);
  out.rays = std::move(swept.rays);
  out.segments = std::move(swept.segments);
  out.bounding = swept.bounding;
  out.mask = swept.mask;
  // The moved-from arrays keep their lane counts: reset, the sweep is empty.
  swept = Collider<NoPcl>{};
  return out;
}

template struct Collider<Pointcloud>;
template struct Collider<NoPcl>;

}  // namespace tangor
