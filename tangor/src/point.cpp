#include "tangor/point.hpp"

#include "tangor/cuboid.hpp"

namespace tangor {

Cuboid Bounded<Point>::aabb(const Point& p) { return Cuboid::create(p.position, cuboid::IDENTITY_AXES, {}); }

}  // namespace tangor
