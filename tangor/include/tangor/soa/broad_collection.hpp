#pragma once

#include <optional>
#include <utility>
#include <vector>

// The item codecs are declared before the collection's codec below uses them.
#include "tangor/pointcloud/no_pcl.hpp"
#include "tangor/pointcloud/pointcloud.hpp"
#include "tangor/serialize.hpp"
#include "tangor/soa/spheres_soa.hpp"
#include "tangor/traits.hpp"
#include "vxpickle/codec.hpp"

namespace tangor::soa {

// The items of one kind with one bounding sphere per item: lane i of
// `spheres` is Bounded<T>::broadphase of items[i], taken when the item
// entered and never recomputed here.
template <class T>
struct BroadCollection {
  std::vector<T> items;
  SpheresSoA spheres;

  // The sphere array is written once at its final capacity.
  static BroadCollection create(std::vector<T> items) {
    BroadCollection out;
    std::vector<Sphere> bounds;
    bounds.reserve(items.size());
    for (const T& item : items) bounds.push_back(Bounded<T>::broadphase(item));
    out.spheres = SpheresSoA::from_slice(bounds);
    out.items = std::move(items);
    return out;
  }

  void push(T item) {
    spheres.push(Bounded<T>::broadphase(item));
    items.push_back(std::move(item));
  }

  template <class Items>
  void extend(Items&& more) {
    for (auto&& item : more) push(item);
  }

  // The form of the collider sweep: a block of optional items that ends at
  // the first absent one.
  template <class OptionalItems>
  void extend_until_absent(OptionalItems&& more) {
    for (auto&& item : more) {
      if (!item) return;
      push(*item);
    }
  }

  std::size_t size() const { return items.size(); }
  bool empty() const { return items.empty(); }
};

}  // namespace tangor::soa

namespace vxpickle {

// A collection is stored as the plain list of its items, each in its own
// form; the spheres are computed again on reading.
template <class T>
struct Codec<tangor::soa::BroadCollection<T>> {
  static void write(Writer& w, const tangor::soa::BroadCollection<T>& collection) {
    ListOf<Codec<T>>::write(w, collection.items);
  }
  static tangor::soa::BroadCollection<T> read(const Value& value) {
    return tangor::soa::BroadCollection<T>::create(ListOf<Codec<T>>::read(value));
  }
};

}  // namespace vxpickle
