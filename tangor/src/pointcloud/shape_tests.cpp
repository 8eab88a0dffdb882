#include "tangor/pointcloud/shape_tests.hpp"

#include <cmath>
#include <vector>

#include "tangor/plane/ref_convex.hpp"
#include "tangor/pointcloud/point_scan.hpp"
#include "tangor/util.hpp"

namespace tangor::pointcloud {

namespace {

// The shape as the cloud's own frame sees it.
template <class Shape>
Shape in_cloud_frame(const Pointcloud& cloud, const Shape& shape) {
  Shape mapped = shape;
  if (cloud.inverse_transform) Transformable<Shape>::transform(mapped, *cloud.inverse_transform);
  return mapped;
}

// A line piece maps its origin as a point and its direction (for a segment
// end − start, taken before the map) as a vector.
util::LinePiece in_cloud_frame(const Pointcloud& cloud, util::LinePiece piece) {
  if (cloud.inverse_transform) {
    piece.origin = curvel::transform_point(*cloud.inverse_transform, piece.origin);
    piece.dir = curvel::transform_vector(*cloud.inverse_transform, piece.dir);
  }
  return piece;
}

// True when the tree shows that no point comes near `bound` (in the cloud's
// frame). Outside r_range the tree may miss points, so it rules nothing out.
bool tree_rules_out(const Pointcloud& cloud, const Sphere& bound) {
  const float effective = bound.radius + cloud.tree.r_point;
  if (!(effective >= cloud.r_range.first && effective <= cloud.r_range.second)) return false;
  return !cloud.tree.collides({bound.center.x, bound.center.y, bound.center.z}, bound.radius);
}

float squared(float v) { return v * v; }

bool scan(const Pointcloud& cloud, const Plane& plane) {
  const float limit = plane.d + cloud.point_radius;
  return any_point_hits(cloud.spheres, [&](float x, float y, float z) {
    return dot(plane.normal, Vec3{x, y, z}) <= limit;
  });
}

bool scan(const Pointcloud& cloud, const Capsule& capsule) {
  const float reach_sq = squared(capsule.radius + cloud.point_radius);
  return any_point_hits(cloud.spheres, [&](float x, float y, float z) {
    const Vec3 p{x, y, z};
    const float s = lanes::clamp(dot(p - capsule.p1, capsule.dir) * capsule.rdv, 0.0f, 1.0f);
    const Vec3 gap = p - (capsule.p1 + capsule.dir * s);
    return dot(gap, gap) <= reach_sq;
  });
}

// max(e, 0) that keeps a NaN: a point with a NaN coordinate must not hit.
float excess_over(float e) { return lanes::pick(e < 0.0f, 0.0f, e); }

bool scan(const Pointcloud& cloud, const Cuboid& box) {
  const float reach_sq = squared(cloud.point_radius);
  return any_point_hits(cloud.spheres, [&](float x, float y, float z) {
    const Vec3 d = Vec3{x, y, z} - box.center;
    const float e0 = excess_over(std::fabs(dot(d, box.axes[0])) - box.half_extents[0]);
    const float e1 = excess_over(std::fabs(dot(d, box.axes[1])) - box.half_extents[1]);
    const float e2 = excess_over(std::fabs(dot(d, box.axes[2])) - box.half_extents[2]);
    return e0 * e0 + e1 * e1 + e2 * e2 <= reach_sq;
  });
}

// The squared distance to the solid cylinder is a² when ρ² <= R², else
// a² + (ρ − R)² (ρ²: from the axis line, a²: beyond the nearer cap). Compared
// with rp² without the square root, which keeps the lanes vectorisable, and
// used for every point so that lanes and tail agree:
//   within the span (0 <= s <= 1): ρ² <= (R + rp)²;
//   beyond it, with q = R² + ρ² + a² − rp²: (ρ² <= R² and a² <= rp²), or q <= 0,
//   or 4·R²·ρ² >= q².
bool scan(const Pointcloud& cloud, const Cylinder& cylinder) {
  const float R = cylinder.radius;
  const float rp = cloud.point_radius;
  const float R_sq = R * R;
  const float rp_sq = rp * rp;
  const float span_reach_sq = squared(R + rp);
  const float dir_sq = dot(cylinder.dir, cylinder.dir);
  return any_point_hits(cloud.spheres, [&](float x, float y, float z) {
    const Vec3 rel = Vec3{x, y, z} - cylinder.p1;
    const float s = dot(rel, cylinder.dir) * cylinder.rdv;
    const Vec3 radial = rel - cylinder.dir * s;
    const float rho_sq = dot(radial, radial);
    const float a_sq = squared(s - lanes::clamp(s, 0.0f, 1.0f)) * dir_sq;
    const float q = R_sq + rho_sq + a_sq - rp_sq;
    const bool within_span = (s >= 0.0f) & (s <= 1.0f);
    const bool span_hit = rho_sq <= span_reach_sq;
    const bool cap_hit = ((rho_sq <= R_sq) & (a_sq <= rp_sq)) | (q <= 0.0f) | (4.0f * R_sq * rho_sq >= q * q);
    return (within_span & span_hit) | (!within_span & cap_hit);
  });
}

bool scan(const Pointcloud& cloud, const ConvexPolygon& polygon) {
  const plane::ref_convex::RefConvexPolygon view = polygon.view();
  const float reach_sq = squared(cloud.point_radius);
  return any_point_hits(cloud.spheres, [&](float x, float y, float z) {
    const Vec3 p{x, y, z};
    const float h = dot(p - view.center, view.normal);
    const Vec2 in_plane = view.in_plane(p);
    float dist_sq = h * h;
    if (!view.contains_2d(in_plane))
      dist_sq = h * h + plane::ref_convex::RefConvexPolygon::closest_edge_dist_sq_2d(view.vertices_2d, in_plane);
    return dist_sq <= reach_sq;
  });
}

bool scan(const Pointcloud& cloud, const util::LinePiece& piece) {
  const float reach_sq = squared(cloud.point_radius);
  const float dir_sq = dot(piece.dir, piece.dir);
  const float w = dir_sq > EPS ? 1.0f / dir_sq : 0.0f;
  return any_point_hits(cloud.spheres, [&](float x, float y, float z) {
    const Vec3 p{x, y, z};
    const float s = lanes::clamp(dot(p - piece.origin, piece.dir) * w, piece.t_min, piece.t_max);
    const Vec3 gap = p - (piece.origin + piece.dir * s);
    return dot(gap, gap) <= reach_sq;
  });
}

// Points inside every face plane; plane_at(i) gives face i in the cloud's
// frame, so a moved cloud maps its faces as it goes, with nothing allocated.
template <class PlaneAt>
bool scan_planes(const Pointcloud& cloud, std::size_t count, PlaneAt plane_at) {
  const float rp = cloud.point_radius;
  const auto inside_all = [&](float x, float y, float z) {
    for (std::size_t i = 0; i < count; ++i) {
      const Plane plane = plane_at(i);
      if (!(dot(plane.normal, Vec3{x, y, z}) - plane.d <= rp)) return false;
    }
    return true;
  };
  // Plane by plane over the whole group, so each step is one lane kernel.
  const auto group_inside_all = [&](const float* x, const float* y, const float* z) {
    unsigned inside = (1u << lanes::kWidth) - 1;
    for (std::size_t i = 0; i < count; ++i) {
      const Plane plane = plane_at(i);
      inside &= lanes::lane_mask<lanes::kWidth>([&](int l) {
        return dot(plane.normal, Vec3{x[l], y[l], z[l]}) - plane.d <= rp;
      });
      if (inside == 0) break;
    }
    return inside;
  };
  return any_point_hits(cloud.spheres, group_inside_all, inside_all);
}


}  // namespace

bool collides_query(const Pointcloud& cloud, const Plane& plane) {
  return scan(cloud, in_cloud_frame(cloud, plane));
}

bool collides_query(const Pointcloud& cloud, const ConvexPolygon& polygon) {
  return scan(cloud, in_cloud_frame(cloud, polygon));
}

bool collides_query(const Pointcloud& cloud, const Capsule& capsule) {
  return scan(cloud, in_cloud_frame(cloud, capsule));
}

bool collides_query(const Pointcloud& cloud, const Cuboid& box) {
  return scan(cloud, in_cloud_frame(cloud, box));
}

bool collides_query(const Pointcloud& cloud, const Cylinder& cylinder) {
  return scan(cloud, in_cloud_frame(cloud, cylinder));
}

bool collides_query(const Pointcloud& cloud, const util::LinePiece& piece) {
  return scan(cloud, in_cloud_frame(cloud, piece));
}

bool collides_query(const Pointcloud& cloud, std::span<const Plane> polytope_planes) {
  if (cloud.spheres.len == 0) return false;
  if (!cloud.inverse_transform)
    return scan_planes(cloud, polytope_planes.size(), [&](std::size_t i) { return polytope_planes[i]; });
  const Affine3& to_cloud = *cloud.inverse_transform;
  return scan_planes(cloud, polytope_planes.size(), [&](std::size_t i) {
    Plane plane = polytope_planes[i];
    Transformable<Plane>::transform(plane, to_cloud);
    return plane;
  });
}

bool collides_ball(const Pointcloud& cloud, const Sphere& ball) {
  const Vec3 centre =
      cloud.inverse_transform ? curvel::transform_point(*cloud.inverse_transform, ball.center) : ball.center;
  return cloud.touches_ball_locally(centre, ball.radius);
}

namespace {

// The shape mapped into the cloud's frame, turned away when the tree shows
// that no point comes near its bounding sphere, then scanned.
template <class Shape>
bool mapped_tree_then_scan(const Pointcloud& cloud, const Shape& shape) {
  const Shape mapped = in_cloud_frame(cloud, shape);
  if (tree_rules_out(cloud, Bounded<Shape>::broadphase(mapped))) return false;
  return scan(cloud, mapped);
}

}  // namespace

bool tree_then_scan(const Pointcloud& cloud, const Capsule& capsule) { return mapped_tree_then_scan(cloud, capsule); }
bool tree_then_scan(const Pointcloud& cloud, const Cuboid& box) { return mapped_tree_then_scan(cloud, box); }
bool tree_then_scan(const Pointcloud& cloud, const Cylinder& cylinder) { return mapped_tree_then_scan(cloud, cylinder); }

bool tree_then_scan(const Pointcloud& cloud, const convex_polytope::refer::RefConvexPolytope& polytope) {
  const Cuboid obb = in_cloud_frame(cloud, polytope.obb);
  if (tree_rules_out(cloud, Bounded<Cuboid>::broadphase(obb))) return false;
  return collides_query(cloud, polytope.planes);
}

}  // namespace tangor::pointcloud
