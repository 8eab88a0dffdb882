#include "shapes/transforms.hpp"

#include "shapes/pointcloud.hpp"

namespace vx::shapes {

using tangor::Pointcloud;
using tangor::pointcloud::cofactor_inverse;
using tangor::pointcloud::compose_inverse;

namespace {

// The inverse of x ↦ M·x + t as (M⁻¹, −(M⁻¹·t)); a zero t still goes
// through the product, so a rotation's inverse carries −0 components.
curvel::Affine3 inverse_of_move(const curvel::Affine3& move) {
    const curvel::Mat3 inv = cofactor_inverse(move.matrix3);
    return {inv, -(inv * move.translation)};
}

Pointcloud folded(Pointcloud c, const curvel::Affine3& inverse) {
    compose_inverse(c, inverse);
    return c;
}

}  // namespace

Pointcloud ClassMoves<Pointcloud>::scaled(const Pointcloud& c, float factor) {
    return built_cloud(tangor::pointcloud::scaled(c, factor));
}

// The library folds (identity, −t) as it stands, not a general inverse: an
// infinite offset would meet the identity's zeros there.
Pointcloud ClassMoves<Pointcloud>::translated(const Pointcloud& c, curvel::Vec3 offset) {
    Pointcloud out = c;
    tangor::translate(out, offset);
    return out;
}

Pointcloud ClassMoves<Pointcloud>::rotated_mat(const Pointcloud& c, curvel::Mat3 mat) {
    return folded(c, inverse_of_move({mat, {}}));
}

// Through the unit-quaternion matrix, which differs from the vector rotation
// of the other kinds when q is not unit.
Pointcloud ClassMoves<Pointcloud>::rotated_quat(const Pointcloud& c, curvel::Quat quat) {
    return rotated_mat(c, curvel::mat3_from_quat(quat));
}

Pointcloud ClassMoves<Pointcloud>::transformed(const Pointcloud& c, curvel::Affine3 mat) {
    return folded(c, inverse_of_move(mat));
}

}  // namespace vx::shapes
