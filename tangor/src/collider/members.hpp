#pragma once

// Walks over a collider's collections in a stated kind order. The orders
// differ between operations and are part of their results (the first member
// of a merge, the first hit of a walk), so each caller names its own.

#include <array>
#include <type_traits>

#include "tangor/collider.hpp"

namespace tangor::collider {

// The order of the fields, of the moves and of the serialized form.
inline constexpr std::array<Kind, 12> DECLARED_ORDER{
    Kind::Capsules, Kind::Cuboids, Kind::Cylinders, Kind::Planes,   Kind::Polygons, Kind::Polytopes,
    Kind::Points,   Kind::Spheres, Kind::Lines,     Kind::Rays,     Kind::Segments, Kind::Pointclouds};

// The bounded kinds in the order in which their member spheres are merged
// into a rebuilt or refined bound.
inline constexpr std::array<Kind, 9> BOUNDING_ORDER{Kind::Spheres,  Kind::Capsules, Kind::Cuboids,
                                                    Kind::Cylinders, Kind::Polytopes, Kind::Polygons,
                                                    Kind::Points,   Kind::Segments, Kind::Pointclouds};

// The bounded kinds in the order of the broad overlap test.
inline constexpr std::array<Kind, 9> OVERLAP_ORDER{Kind::Spheres,  Kind::Capsules, Kind::Cuboids,
                                                   Kind::Cylinders, Kind::Polygons, Kind::Polytopes,
                                                   Kind::Points,   Kind::Segments, Kind::Pointclouds};

template <class T>
struct is_broad_collection : std::false_type {};
template <class T>
struct is_broad_collection<soa::BroadCollection<T>> : std::true_type {};
template <class T>
inline constexpr bool is_broad_collection_v = is_broad_collection<std::remove_cvref_t<T>>::value;

template <class T>
inline constexpr bool is_sphere_lanes_v = std::is_same_v<std::remove_cvref_t<T>, soa::SpheresSoA>;

// f(collection) with the collection of one kind: a BroadCollection, the
// SpheresSoA of `spheres`, or the plain vector of an unbounded kind.
template <class C, class F>
decltype(auto) with_collection(C& c, Kind kind, F&& f) {
  switch (kind) {
    case Kind::Capsules: return f(c.capsules);
    case Kind::Cuboids: return f(c.cuboids);
    case Kind::Cylinders: return f(c.cylinders);
    case Kind::Planes: return f(c.planes);
    case Kind::Polygons: return f(c.polygons);
    case Kind::Polytopes: return f(c.polytopes);
    case Kind::Points: return f(c.points);
    case Kind::Spheres: return f(c.spheres);
    case Kind::Lines: return f(c.lines);
    case Kind::Rays: return f(c.rays);
    case Kind::Segments: return f(c.segments);
    case Kind::Pointclouds: break;
  }
  return f(c.pointclouds);
}

// The collection of a kind known at compile time.
template <Kind K, class C>
auto& collection_of(C& c) {
  if constexpr (K == Kind::Capsules) return c.capsules;
  else if constexpr (K == Kind::Cuboids) return c.cuboids;
  else if constexpr (K == Kind::Cylinders) return c.cylinders;
  else if constexpr (K == Kind::Planes) return c.planes;
  else if constexpr (K == Kind::Polygons) return c.polygons;
  else if constexpr (K == Kind::Polytopes) return c.polytopes;
  else if constexpr (K == Kind::Points) return c.points;
  else if constexpr (K == Kind::Spheres) return c.spheres;
  else if constexpr (K == Kind::Lines) return c.lines;
  else if constexpr (K == Kind::Rays) return c.rays;
  else if constexpr (K == Kind::Segments) return c.segments;
  else return c.pointclouds;
}

inline constexpr bool is_unbounded(Kind kind) { return (bit(kind) & UNBOUNDED_KINDS) != 0; }

// The member count of a collection of any form.
template <class Collection>
std::size_t member_count(const Collection& collection) {
  if constexpr (is_sphere_lanes_v<Collection>) {
    return collection.len;
  } else if constexpr (is_broad_collection_v<Collection>) {
    return collection.items.size();
  } else {
    return collection.size();
  }
}

// The lanes of a bounded kind (the member spheres as stored).
template <class C>
const soa::SpheresSoA& lanes_of(const C& c, Kind kind) {
  return with_collection(c, kind, [&](const auto& collection) -> const soa::SpheresSoA& {
    using Collection = std::remove_cvref_t<decltype(collection)>;
    if constexpr (is_sphere_lanes_v<Collection>) {
      return collection;
    } else if constexpr (is_broad_collection_v<Collection>) {
      return collection.spheres;
    } else {
      // Unbounded kinds have no lanes; no order above names them.
      return c.spheres;
    }
  });
}

// The OR of the bits of the non-empty collections.
template <class C>
std::uint16_t mask_of_collections(const C& c) {
  std::uint16_t mask = 0;
  for (Kind kind : DECLARED_ORDER)
    if (with_collection(c, kind, [](const auto& collection) { return member_count(collection); }) != 0)
      mask |= bit(kind);
  return mask;
}

// f(member sphere) for every bounded member in BOUNDING_ORDER, each sphere
// computed afresh from its item (a sphere of `spheres` is its own).
template <class C, class F>
void for_each_fresh_member_sphere(const C& c, F&& f) {
  for (Kind kind : BOUNDING_ORDER) {
    with_collection(c, kind, [&](const auto& collection) {
      using Collection = std::remove_cvref_t<decltype(collection)>;
      if constexpr (is_sphere_lanes_v<Collection>) {
        for (std::size_t i = 0; i < collection.len; ++i) f(collection.sphere(i));
      } else if constexpr (is_broad_collection_v<Collection>) {
        using Item = typename decltype(collection.items)::value_type;
        for (const Item& item : collection.items) f(Bounded<Item>::broadphase(item));
      }
    });
  }
}

// f(member sphere) for every used lane of the bounded kinds in BOUNDING_ORDER.
template <class C, class F>
void for_each_lane_sphere(const C& c, F&& f) {
  for (Kind kind : BOUNDING_ORDER) {
    const soa::SpheresSoA& lanes = lanes_of(c, kind);
    for (std::size_t i = 0; i < lanes.len; ++i) f(lanes.sphere(i));
  }
}

// Lanes 0 .. len−1 of every bounded collection set afresh from its items
// (the `spheres` lanes are the items and stay).
template <class C>
void recompute_lanes(C& c) {
  for (Kind kind : BOUNDING_ORDER) {
    with_collection(c, kind, [&](auto& collection) {
      using Collection = std::remove_cvref_t<decltype(collection)>;
      if constexpr (is_broad_collection_v<Collection>) {
        using Item = typename decltype(collection.items)::value_type;
        soa::SpheresSoA& lanes = collection.spheres;
        for (std::size_t i = 0; i < collection.items.size(); ++i) {
          const Sphere s = Bounded<Item>::broadphase(collection.items[i]);
          lanes.xs()[i] = s.center.x;
          lanes.ys()[i] = s.center.y;
          lanes.zs()[i] = s.center.z;
          lanes.rs()[i] = s.radius;
        }
      }
    });
  }
}

}  // namespace tangor::collider
