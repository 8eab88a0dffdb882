// Collider queries: another collider, a tighter bounding sphere, the sweep.
#include "colliders/collider.hpp"
#include "shapes/single_precision.hpp"

namespace vx::colliders {
namespace {

using D = bind::Declare<PyCollider>;
using Collider = tangor::Collider<>;

// Both colliders are read in place: `other` under its own shared borrow, so
// c.collides_other(c) is allowed.
bool collides_other(const Collider& c, bind::SharedRef<PyCollider> other) { return tangor::collides_other(c, *other); }

void refine_bounding(Collider& c) { c.refine_bounding(); }

// None when a point cloud is held (a cloud has no sweep).
std::optional<Collider> try_stretch_d(const Collider& c, curvel::Vec3 translation) {
    std::optional<tangor::Collider<tangor::NoPcl>> swept = c.try_stretch(translation);
    if (!swept) return std::nullopt;
    return tangor::with_pointclouds(std::move(*swept));
}

}  // namespace

const bind::MethodTable& query_methods() {
    static const bind::MethodTable t = {
        D::method<"collides_other($self, other)", &collides_other>(),
        D::method<"refine_bounding($self)", &refine_bounding>(),
        D::method<"try_stretch_d($self, translation)", &try_stretch_d>(),
    };
    return t;
}

}  // namespace vx::colliders
