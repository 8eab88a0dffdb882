// Collider queries: another collider, a tighter bounding sphere, the sweep.
#include "colliders/collider.hpp"
#include "shapes/single_precision.hpp"

namespace vx::colliders {
namespace {

using D = bind::Declare<PyCollider>;
using Collider = tangor::Collider<>;

// The query of the shape's kind; a point cloud has none.
bool collides(const Collider& c, shapes::AnyShape shape) {
    return shapes::with_kind(shape, [&]<class T>(const T& query) -> bool {
        if constexpr (std::is_same_v<T, tangor::Pointcloud>)
            bind::raise_value_error(
                "Pointcloud cannot query a Collider<Pointcloud>; use individual shape queries instead");
        else
            return tangor::query_collider(query, c);
    });
}

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
        D::method<"collides($self, shape)", &collides>(),
        D::method<"collides_other($self, other)", &collides_other>(),
        D::method<"refine_bounding($self)", &refine_bounding>(),
        D::method<"try_stretch_d($self, translation)", &try_stretch_d>(),
    };
    return t;
}

}  // namespace vx::colliders
