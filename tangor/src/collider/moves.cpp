#include <cmath>
#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

#include "collider/members.hpp"
#include "tangor/collider.hpp"

namespace tangor {

namespace {

// How far the Gram matrix of a linear part (or the squared length of a
// quaternion) may stray from the identity (from 1) for the move to count as
// rigid. Unit quaternions and rotation matrices rounded to f32 stay within
// a few 1e-7; anything beyond 1e-5 is a deliberate scaling or shearing.
constexpr float RIGID_TOLERANCE = 1e-5f;

bool near(float value, float target) { return std::fabs(value - target) <= RIGID_TOLERANCE; }

// Columns of unit length and pairwise orthogonal (a rotation or a
// reflection): distances are kept, so lanes and bound move exactly with their
// members. NaN entries fail.
bool is_rigid(const Mat3& m) {
  return near(dot(m.x_axis, m.x_axis), 1.0f) && near(dot(m.y_axis, m.y_axis), 1.0f) &&
         near(dot(m.z_axis, m.z_axis), 1.0f) && near(dot(m.x_axis, m.y_axis), 0.0f) &&
         near(dot(m.x_axis, m.z_axis), 0.0f) && near(dot(m.y_axis, m.z_axis), 0.0f);
}

bool is_rigid(Quat q) { return near(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f); }

struct Translation {
  Vec3 t;
  template <class T>
  void item(T& x) const { Transformable<T>::translate(x, t); }
  Vec3 point(Vec3 p) const { return p + t; }
  bool rigid() const { return true; }
};

// Items and the bound's centre by the vector formula, lanes and clouds by the
// rotation matrix of q; the two agree for a unit q.
struct QuatRotation {
  Quat q;
  template <class T>
  void item(T& x) const { Transformable<T>::rotate_quat(x, q); }
  Vec3 point(Vec3 p) const { return curvel::rotate(q, p); }
  bool rigid() const { return is_rigid(q); }
};

struct MatRotation {
  const Mat3& m;
  template <class T>
  void item(T& x) const { Transformable<T>::rotate_mat(x, m); }
  Vec3 point(Vec3 p) const { return m * p; }
  bool rigid() const { return is_rigid(m); }
};

struct AffineMove {
  const Affine3& a;
  template <class T>
  void item(T& x) const { Transformable<T>::transform(x, a); }
  Vec3 point(Vec3 p) const { return curvel::transform_point(a, p); }
  bool rigid() const { return is_rigid(a.matrix3); }
};

// After a move that is not rigid, or a scale: every lane taken afresh from its
// item, and a bound that encloses them again (an unbounded one stays +inf
// about `centre`).
template <class PCL>
void rebound(Collider<PCL>& c, Vec3 centre) {
  collider::recompute_lanes(c);
  if (c.empty()) return;
  if (c.holds_unbounded()) {
    c.bounding = Sphere{centre, INF};
  } else {
    c.rebuild_bounding();
  }
}

template <class PCL, class Move>
void apply_move(Collider<PCL>& c, const Move& move) {
  c.query_index.reset();
  const bool rigid = move.rigid();
  for (Kind kind : collider::DECLARED_ORDER) {
    if (!c.has(kind)) continue;
    collider::with_collection(c, kind, [&](auto& collection) {
      using Collection = std::remove_cvref_t<decltype(collection)>;
      if constexpr (collider::is_sphere_lanes_v<Collection>) {
        // The spheres are their own lanes.
        move.item(collection);
      } else if constexpr (collider::is_broad_collection_v<Collection>) {
        for (auto& item : collection.items) move.item(item);
        if (rigid) move.item(collection.spheres);
      } else {
        for (auto& item : collection) move.item(item);
      }
    });
  }
  // An empty collider keeps its all-zero bound: there is nothing to move.
  if (c.empty()) return;
  if (rigid) {
    c.bounding.center = move.point(c.bounding.center);
  } else {
    rebound(c, move.point(c.bounding.center));
  }
}

}  // namespace

template <class PCL>
void Collider<PCL>::translate(Vec3 t) { apply_move(*this, Translation{t}); }
template <class PCL>
void Collider<PCL>::rotate_quat(Quat q) { apply_move(*this, QuatRotation{q}); }
template <class PCL>
void Collider<PCL>::rotate_mat(const Mat3& m) { apply_move(*this, MatRotation{m}); }
template <class PCL>
void Collider<PCL>::transform(const Affine3& a) { apply_move(*this, AffineMove{a}); }

template <class PCL>
std::optional<pointcloud::capt::NewCaptError> Collider<PCL>::scale(float f) {
  query_index.reset();
  if constexpr (std::is_same_v<PCL, Pointcloud>) {
    // Every cloud is rebuilt before anything changes, so that a refusal
    // leaves the collider as it was.
    std::vector<Pointcloud> clouds;
    clouds.reserve(pointclouds.items.size());
    for (const Pointcloud& cloud : pointclouds.items) {
      auto result = pointcloud::scaled(cloud, f);
      if (auto* error = std::get_if<pointcloud::capt::NewCaptError>(&result)) return *error;
      clouds.push_back(std::get<Pointcloud>(std::move(result)));
    }
    pointclouds.items = std::move(clouds);
  }
  for (Kind kind : collider::DECLARED_ORDER) {
    collider::with_collection(*this, kind, [&](auto& collection) {
      using Collection = std::remove_cvref_t<decltype(collection)>;
      if constexpr (collider::is_sphere_lanes_v<Collection>) {
        Transformable<soa::SpheresSoA>::scale(collection, f);
      } else if constexpr (collider::is_broad_collection_v<Collection>) {
        using Item = typename decltype(collection.items)::value_type;
        // The clouds are scaled above.
        if constexpr (!std::is_same_v<Item, PCL>)
          for (Item& item : collection.items) Transformable<Item>::scale(item, f);
      } else {
        using Item = typename Collection::value_type;
        for (Item& item : collection) Transformable<Item>::scale(item, f);
      }
    });
  }
  rebound(*this, bounding.center);
  return std::nullopt;
}

#define TANGOR_COLLIDER_MOVES(PCL)                         \
  template void Collider<PCL>::translate(Vec3);            \
  template void Collider<PCL>::rotate_quat(Quat);          \
  template void Collider<PCL>::rotate_mat(const Mat3&);    \
  template void Collider<PCL>::transform(const Affine3&);  \
  template std::optional<pointcloud::capt::NewCaptError> Collider<PCL>::scale(float);

TANGOR_COLLIDER_MOVES(Pointcloud)
TANGOR_COLLIDER_MOVES(NoPcl)

#undef TANGOR_COLLIDER_MOVES

}  // namespace tangor
