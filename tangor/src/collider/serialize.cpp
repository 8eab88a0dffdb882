#include "tangor/collider/serialize.hpp"

namespace vxpickle {

namespace {

template <class PCL>
using C = tangor::Collider<PCL>;

template <class PCL>
constexpr auto collider_form = record_form<C<PCL>>(
    "ColliderHelper", member<&C<PCL>::capsules>("capsules"), member<&C<PCL>::cuboids>("cuboids"),
    member<&C<PCL>::cylinders>("cylinders"), member<&C<PCL>::planes>("planes"),
    member<&C<PCL>::polygons>("polygons"), member<&C<PCL>::polytopes>("polytopes"),
    member<&C<PCL>::points>("points"), member<&C<PCL>::spheres>("spheres"), member<&C<PCL>::lines>("lines"),
    member<&C<PCL>::rays>("rays"), member<&C<PCL>::segments>("segments"),
    member<&C<PCL>::pointclouds>("pointclouds"));

}  // namespace

template <class PCL>
void Codec<C<PCL>>::write(Writer& w, const C<PCL>& collider) {
  collider_form<PCL>.write(w, collider);
}

template <class PCL>
C<PCL> Codec<C<PCL>>::read(const Value& value) {
  C<PCL> collider = collider_form<PCL>.read(value);
  collider.rebuild_bounding();
  return collider;
}

template struct Codec<tangor::Collider<tangor::Pointcloud>>;
template struct Codec<tangor::Collider<tangor::NoPcl>>;

}  // namespace vxpickle
