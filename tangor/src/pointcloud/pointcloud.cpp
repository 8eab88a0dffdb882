#include "tangor/pointcloud/pointcloud.hpp"

#include <array>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "tangor/pointcloud/point_scan.hpp"

namespace tangor::pointcloud {

std::variant<Pointcloud, capt::NewCaptError> Pointcloud::try_create(
    std::span<const capt::Point3> points, capt::RadiusRange r_range, float point_radius) {
  auto built = capt::Capt::try_with_point_radius(points, r_range, point_radius);
  if (auto* error = std::get_if<capt::NewCaptError>(&built)) return *error;
  try {
    Pointcloud cloud;
    cloud.tree = std::get<capt::Capt>(std::move(built));
    // One allocation at the final capacity: the same lanes as pushing the
    // points one by one, without copying the array at every sixteenth point.
    std::vector<Sphere> balls;
    balls.reserve(points.size());
    for (const capt::Point3& p : points) balls.push_back({{p[0], p[1], p[2]}, point_radius});
    cloud.spheres = soa::SpheresSoA::from_slice(balls);
    cloud.point_radius = point_radius;
    cloud.r_range = r_range;
    return cloud;
  } catch (const std::bad_alloc&) {
    return capt::NewCaptError::OutOfMemory;
  }
}

bool Pointcloud::touches_ball_locally(Vec3 centre, float radius) const {
  if (tree.collides({centre.x, centre.y, centre.z}, radius)) return true;
  const float effective = radius + tree.r_point;
  if (effective >= r_range.first && effective <= r_range.second) return false;
  const float reach = radius + tree.r_point;
  const float reach_sq = reach * reach;
  return any_point_hits(spheres, [&](float x, float y, float z) {
    const float dx = x - centre.x;
    const float dy = y - centre.y;
    const float dz = z - centre.z;
    return dx * dx + dy * dy + dz * dz <= reach_sq;
  });
}

std::string_view construction_error_message(capt::NewCaptError error) {
  if (error == capt::NewCaptError::OutOfMemory) return "out of memory while building the point tree";
  if (error == capt::NewCaptError::ExceedsPhysicalMemory) return "the point tree would not fit in physical memory";
  return "index type I must be able to support all points in CAPT during construction";
}

Mat3 cofactor_inverse(const Mat3& m) {
  const Vec3 row0 = cross(m.y_axis, m.z_axis);
  const Vec3 row1 = cross(m.z_axis, m.x_axis);
  const Vec3 row2 = cross(m.x_axis, m.y_axis);
  const float inv_det = 1.0f / dot(m.x_axis, row0);
  return curvel::transpose(Mat3{row0 * inv_det, row1 * inv_det, row2 * inv_det});
}

Affine3 inverse_of_move(const Affine3& move) {
  const Mat3 inverse = cofactor_inverse(move.matrix3);
  return {inverse, -(inverse * move.translation)};
}

std::variant<Pointcloud, capt::NewCaptError> scaled(const Pointcloud& cloud, float s) {
  try {
    soa::SpheresSoA spheres = cloud.spheres;
    const std::size_t n = spheres.len;
    for (std::size_t i = 0; i < n; ++i) {
      spheres.xs()[i] *= s;
      spheres.ys()[i] *= s;
      spheres.zs()[i] *= s;
      spheres.rs()[i] *= s;
    }
    const float point_radius = cloud.point_radius * s;
    const capt::RadiusRange r_range{cloud.r_range.first * s, cloud.r_range.second * s};
    if (cloud.inverse_transform && n > 0) {
      // A⁻¹·p + (−(A⁻¹·a)) is A⁻¹·p − A⁻¹·a to the bit.
      const Affine3 forward = inverse_of_move(*cloud.inverse_transform);
      for (std::size_t i = 0; i < n; ++i) {
        const Vec3 p = curvel::transform_point(forward, {spheres.xs()[i], spheres.ys()[i], spheres.zs()[i]});
        spheres.xs()[i] = p.x;
        spheres.ys()[i] = p.y;
        spheres.zs()[i] = p.z;
      }
    }
    std::vector<capt::Point3> points(n);
    for (std::size_t i = 0; i < n; ++i) points[i] = {spheres.xs()[i], spheres.ys()[i], spheres.zs()[i]};
    auto built = capt::Capt::try_with_point_radius(points, r_range, point_radius);
    if (auto* error = std::get_if<capt::NewCaptError>(&built)) return *error;
    Pointcloud out;
    out.tree = std::get<capt::Capt>(std::move(built));
    out.spheres = std::move(spheres);
    out.point_radius = point_radius;
    out.r_range = r_range;
    return out;
  } catch (const std::bad_alloc&) {
    return capt::NewCaptError::OutOfMemory;
  }
}

void compose_inverse(Pointcloud& cloud, const Affine3& undo) {
  cloud.inverse_transform = cloud.inverse_transform ? *cloud.inverse_transform * undo : undo;
}

float stretch_bound(const Mat3& m) {
  const std::array<Vec3, 3> columns{m.x_axis, m.y_axis, m.z_axis};
  float largest_row_sum = 0.0f;
  for (int i = 0; i < 3; ++i) {
    float row_sum = 0.0f;
    for (int j = 0; j < 3; ++j) row_sum += std::fabs(dot(columns[i], columns[j]));
    // Not max(): a NaN row must make the bound NaN, not be skipped.
    if (!(row_sum <= largest_row_sum)) largest_row_sum = row_sum;
  }
  return std::sqrt(largest_row_sum);
}

namespace {

struct PointBox {
  Vec3 lo{INF, INF, INF};
  Vec3 hi{-INF, -INF, -INF};
};

// The box of the stored points (lanes 0 .. len−1), in the cloud's frame.
PointBox stored_point_box(const Pointcloud& cloud) {
  PointBox box;
  const soa::SpheresSoA& s = cloud.spheres;
  for (std::size_t i = 0; i < s.len; ++i) {
    const Vec3 p{s.xs()[i], s.ys()[i], s.zs()[i]};
    box.lo = curvel::min(box.lo, p);
    box.hi = curvel::max(box.hi, p);
  }
  return box;
}

Cuboid axis_box(Vec3 lo, Vec3 hi) {
  Cuboid box;
  box.center = (lo + hi) * 0.5f;
  const Vec3 half = (hi - lo) * 0.5f;
  box.half_extents = {half.x, half.y, half.z};
  return box;
}

// The map from the cloud's frame to the world, when inverse_transform has a
// finite inverse. A singular move leaves a non-finite inverse_transform (its
// 1/det is infinite), on which every query lands on NaN or infinite
// coordinates and reaches no point.
std::optional<Affine3> world_map(const Affine3& inverse_transform) {
  const Affine3 forward = inverse_of_move(inverse_transform);
  const Mat3& m = forward.matrix3;
  if (curvel::is_finite(m.x_axis) && curvel::is_finite(m.y_axis) && curvel::is_finite(m.z_axis) &&
      curvel::is_finite(forward.translation))
    return forward;
  return std::nullopt;
}

}  // namespace

}  // namespace tangor::pointcloud

namespace tangor {

using pointcloud::Pointcloud;

Sphere Bounded<Pointcloud>::broadphase(const Pointcloud& cloud) {
  if (cloud.spheres.len == 0) return {};
  const pointcloud::PointBox box = pointcloud::stored_point_box(cloud);
  const Sphere own{(box.lo + box.hi) * 0.5f, length(box.hi - box.lo) * 0.5f + cloud.point_radius};
  if (!cloud.inverse_transform) return own;
  // The bound must hold in the world, where the queries are: map the centre
  // forward and widen the radius by what the forward map can stretch.
  // Without a finite map no query reaches the cloud, so any finite bound
  // holds it: that of the stored points, as without a map (a NaN one would
  // turn a collider's bound NaN for good when the cloud comes first).
  const std::optional<Affine3> forward = pointcloud::world_map(*cloud.inverse_transform);
  if (!forward) return own;
  return {curvel::transform_point(*forward, own.center),
          own.radius * pointcloud::stretch_bound(forward->matrix3)};
}

Cuboid Bounded<Pointcloud>::aabb(const Pointcloud& cloud) {
  if (cloud.spheres.len == 0) return pointcloud::axis_box({}, {});
  const pointcloud::PointBox box = pointcloud::stored_point_box(cloud);
  const Vec3 grow = curvel::splat(cloud.point_radius);
  const Vec3 lo = box.lo - grow;
  const Vec3 hi = box.hi + grow;
  if (!cloud.inverse_transform) return pointcloud::axis_box(lo, hi);
  // The image of the box is the parallelepiped of its mapped corners; without
  // a finite map, the stored points' box (see broadphase).
  const std::optional<Affine3> forward = pointcloud::world_map(*cloud.inverse_transform);
  if (!forward) return pointcloud::axis_box(lo, hi);
  Vec3 world_lo{INF, INF, INF};
  Vec3 world_hi{-INF, -INF, -INF};
  for (int corner = 0; corner < 8; ++corner) {
    const Vec3 p{corner & 1 ? hi.x : lo.x, corner & 2 ? hi.y : lo.y, corner & 4 ? hi.z : lo.z};
    const Vec3 mapped = curvel::transform_point(*forward, p);
    world_lo = util::min_first(world_lo, mapped);
    world_hi = util::max_first(world_hi, mapped);
  }
  return pointcloud::axis_box(world_lo, world_hi);
}

// (identity, −t) as it stands, not a general inverse: an infinite offset
// would meet the identity's zeros there.
void Transformable<Pointcloud>::translate(Pointcloud& cloud, Vec3 t) {
  pointcloud::compose_inverse(cloud, Affine3{Mat3{}, -t});
}

void Transformable<Pointcloud>::rotate_quat(Pointcloud& cloud, Quat q) {
  rotate_mat(cloud, curvel::mat3_from_quat(q));
}

void Transformable<Pointcloud>::rotate_mat(Pointcloud& cloud, const Mat3& m) {
  pointcloud::compose_inverse(cloud, pointcloud::inverse_of_move(Affine3{m, Vec3{}}));
}

void Transformable<Pointcloud>::transform(Pointcloud& cloud, const Affine3& a) {
  pointcloud::compose_inverse(cloud, pointcloud::inverse_of_move(a));
}

std::optional<pointcloud::capt::NewCaptError> Transformable<Pointcloud>::scale(Pointcloud& cloud, float f) {
  auto result = pointcloud::scaled(cloud, f);
  if (auto* error = std::get_if<pointcloud::capt::NewCaptError>(&result)) return *error;
  cloud = std::get<Pointcloud>(std::move(result));
  return std::nullopt;
}

}  // namespace tangor
