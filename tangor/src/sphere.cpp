#include "tangor/sphere.hpp"

#include "tangor/cuboid.hpp"

namespace tangor {

Cuboid Bounded<Sphere>::aabb(const Sphere& s) {
  return Cuboid::create(s.center, cuboid::IDENTITY_AXES, {s.radius, s.radius, s.radius});
}

}  // namespace tangor
