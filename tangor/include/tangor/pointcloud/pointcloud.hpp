#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "tangor/cuboid.hpp"
#include "tangor/pointcloud/capt.hpp"
#include "tangor/soa/spheres_soa.hpp"
#include "tangor/sphere.hpp"
#include "tangor/traits.hpp"
#include "vxpickle/codec.hpp"

namespace tangor::pointcloud {

// Points thickened into balls of one radius, kept twice: in the point tree,
// which answers "is any point near this centre" by one descent, and in a
// sphere array (lane i = point i, radius point_radius) that the exhaustive
// scans walk eight points at a time. The points live in the cloud's own
// frame; inverse_transform, when present, maps world coordinates into it.
struct Pointcloud {
  capt::Capt tree;
  soa::SpheresSoA spheres;
  float point_radius = 0.0f;
  capt::RadiusRange r_range{0.0f, 0.0f};
  std::optional<Affine3> inverse_transform;

  // Fails (nothing is built) on a non-finite coordinate, on more points than
  // the tree's 32-bit indices address, when the tree would not fit in
  // physical memory, or when memory runs out.
  static std::variant<Pointcloud, capt::NewCaptError> try_create(
      std::span<const capt::Point3> points, capt::RadiusRange r_range, float point_radius);

  // Whether some point lies within radius + r_point of centre, both in the
  // cloud's own frame. Exact for every radius: where the effective radius
  // lies outside r_range, a "no" from the tree is checked by a scan.
  bool touches_ball_locally(Vec3 centre, float radius) const;
};

// The caller-facing text of a construction failure; the two errors of the
// tree's index range share one message.
std::string_view construction_error_message(capt::NewCaptError error);

// The cloud scaled by s about the origin of the frame its points are stored
// in: every point and its lane radius, point_radius and both ends of r_range
// times s. A pending inverse_transform is then baked into the points (each
// is carried to the world by the inverse of the map, so the result has none)
// and the tree is rebuilt over the points in their order. When the tree
// refuses the points (a non-finite coordinate, too many points) or memory
// runs out, the cause is returned and nothing is built.
std::variant<Pointcloud, capt::NewCaptError> scaled(const Pointcloud& cloud, float s);

// The cofactor inverse with det = x·(y × z) over the columns, each row a
// cross product times 1/det (no check for a zero determinant: a singular
// matrix gives infinities or NaN). Every inverse a cloud forms is this one,
// so a cloud moved alone and one moved inside a collider carry the same bits.
Mat3 cofactor_inverse(const Mat3& m);

// The inverse of x ↦ M·x + t: (M⁻¹, −(M⁻¹·t)). A zero t still goes through
// the product, so a rotation's inverse carries −0 components (and a singular
// M NaN ones).
Affine3 inverse_of_move(const Affine3& move);

// Folds a move of the cloud into inverse_transform: with T the inverse of the
// move, the new map is old·T (T alone when there was none).
void compose_inverse(Pointcloud& cloud, const Affine3& undo);

// Matrix that bounds how far a linear map stretches any vector: the square
// root of the largest absolute row sum of mᵀm (at least its largest singular
// value; 1 for a rotation).
float stretch_bound(const Mat3& m);

}  // namespace tangor::pointcloud

namespace tangor::serial {

// The record {"tree", "spheres", "point_radius", "r_range",
// "inverse_transform"}; a missing "inverse_transform" reads as absent. The
// tree and the sphere array are checked on reading for the invariants that
// their queries rely on.
extern const vxpickle::RecordForm<pointcloud::Pointcloud, 5> pointcloud_form;

}  // namespace tangor::serial

namespace vxpickle {

template <>
struct Codec<tangor::pointcloud::Pointcloud> : RecordCodec<tangor::serial::pointcloud_form> {};
// The tree as its record CaptData, leaf boxes as AabbData.
template <>
struct Codec<tangor::pointcloud::capt::Capt> {
  static void write(Writer& w, const tangor::pointcloud::capt::Capt& tree);
  static tangor::pointcloud::capt::Capt read(const Value& value);
};

}  // namespace vxpickle

namespace tangor {

using pointcloud::Pointcloud;

// Bounds in world coordinates: the bounds of the stored points, carried
// through the inverse of inverse_transform when the cloud has one.
template <>
struct Bounded<Pointcloud> {
  static Sphere broadphase(const Pointcloud& cloud);
  static Cuboid aabb(const Pointcloud& cloud);
};

// The affine moves touch neither the points nor the tree: they fold the
// inverse of the move into inverse_transform. scale is pointcloud::scaled in
// place; it reports a refusal of the tree and then leaves the cloud as it
// was.
template <>
struct Transformable<Pointcloud> {
  static void translate(Pointcloud& cloud, Vec3 t);
  // Through the rotation matrix of q.
  static void rotate_quat(Pointcloud& cloud, Quat q);
  static void rotate_mat(Pointcloud& cloud, const Mat3& m);
  static void transform(Pointcloud& cloud, const Affine3& a);
  [[nodiscard]] static std::optional<pointcloud::capt::NewCaptError> scale(Pointcloud& cloud, float f);
};

}  // namespace tangor
