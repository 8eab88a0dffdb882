#include "tangor/pointcloud/cloud_collection.hpp"

#include <optional>

#include "tangor/pairs.hpp"
#include "tangor/pointcloud/shape_tests.hpp"

namespace tangor::pointcloud {

bool clouds_collide(const Pointcloud& query, const Pointcloud& stored) {
  if (query.spheres.len == 0 || stored.spheres.len == 0) return false;
  const bool query_is_target = query.spheres.len > stored.spheres.len;
  const Pointcloud& target = query_is_target ? query : stored;
  const Pointcloud& source = query_is_target ? stored : query;

  // One map from the source's frame to the target's, composed once.
  std::optional<Affine3> source_to_target;
  if (source.inverse_transform) source_to_target = inverse_of_move(*source.inverse_transform);
  if (target.inverse_transform)
    source_to_target = source_to_target ? *target.inverse_transform * *source_to_target
                                        : *target.inverse_transform;
  const auto to_target = [&](Vec3 p) {
    return source_to_target ? curvel::transform_point(*source_to_target, p) : p;
  };

  // The target's tree adds its own point radius: passing the source's makes
  // the threshold the sum of the two, counted once each.
  const float radius = source.point_radius;
  const float effective = radius + target.tree.r_point;
  const bool tree_exact = effective >= target.r_range.first && effective <= target.r_range.second;

  const soa::SpheresSoA& points = source.spheres;
  const std::size_t grouped = points.len / lanes::kWidth * lanes::kWidth;
  std::array<lanes::Row, 3> centres;
  lanes::Row radii;
  radii.fill(radius);
  for (std::size_t g = 0; g < grouped; g += lanes::kWidth) {
    for (int l = 0; l < lanes::kWidth; ++l) {
      const Vec3 mapped = to_target({points.xs()[g + l], points.ys()[g + l], points.zs()[g + l]});
      centres[0][l] = mapped.x;
      centres[1][l] = mapped.y;
      centres[2][l] = mapped.z;
    }
    if (target.tree.collides_simd(centres, radii)) return true;
    if (tree_exact) continue;
    for (int l = 0; l < lanes::kWidth; ++l)
      if (target.touches_ball_locally({centres[0][l], centres[1][l], centres[2][l]}, radius)) return true;
  }
  for (std::size_t i = grouped; i < points.len; ++i) {
    const Vec3 mapped = to_target({points.xs()[i], points.ys()[i], points.zs()[i]});
    if (target.touches_ball_locally(mapped, radius)) return true;
  }
  return false;
}

}  // namespace tangor::pointcloud

namespace tangor::soa {

namespace {

// The query's bounding sphere against all the clouds' spheres at once, then
// the member test of every cloud in order.
template <class Query>
bool broad_then_exact(const BroadCollection<Pointcloud>& clouds, const Query& query) {
  if (clouds.spheres.len == 0) return false;
  if (!clouds.spheres.any_collides_sphere_f32x8(Bounded<Query>::broadphase(query))) return false;
  for (const Pointcloud& cloud : clouds.items)
    if (collides_member(query, cloud)) return true;
  return false;
}

}  // namespace

bool collides(const BroadCollection<Pointcloud>& clouds, const Sphere& query) { return broad_then_exact(clouds, query); }
bool collides(const BroadCollection<Pointcloud>& clouds, const Capsule& query) { return broad_then_exact(clouds, query); }
bool collides(const BroadCollection<Pointcloud>& clouds, const Cylinder& query) {
  return broad_then_exact(clouds, query);
}
bool collides(const BroadCollection<Pointcloud>& clouds, const Cuboid& query) { return broad_then_exact(clouds, query); }
bool collides(const BroadCollection<Pointcloud>& clouds, const ConvexPolygon& query) {
  return broad_then_exact(clouds, query);
}
bool collides(const BroadCollection<Pointcloud>& clouds, const ConvexPolytope& query) {
  return broad_then_exact(clouds, query);
}
bool collides(const BroadCollection<Pointcloud>& clouds, const Pointcloud& query) {
  return broad_then_exact(clouds, query);
}

}  // namespace tangor::soa
