#include "tangor/line/segment.hpp"

#include "tangor/line/line.hpp"

namespace tangor {

bool Collides<curvel::LineSegment, Cuboid>::test(const curvel::LineSegment& s, const Cuboid& b) {
  return line::line_cuboid_collides(s.start, s.end - s.start, b, 0.0f, 1.0f);
}

bool Collides<curvel::LineSegment, Capsule>::test(const curvel::LineSegment& s, const Capsule& c) {
  return capsule::segment_segment_dist_sq(s.start, s.end - s.start, c.p1, c.dir) <= c.radius * c.radius;
}

}  // namespace tangor
