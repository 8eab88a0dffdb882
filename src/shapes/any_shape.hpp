#pragma once
// One shape of any of the eleven kinds, held by value, and the converter that
// every "any shape" parameter uses. The alternatives are in the variant order
// of the Shape union, which every choice over the kinds follows.
//
// The converter takes a Shape variant object (its payload), an instance of
// one of the eleven shape classes (its value), then a duck-typed sphere,
// capsule, cuboid or cylinder, in that order; anything else raises TypeError
// "expected a Shape (Sphere, Cuboid, Cylinder, etc.)". The refusals of the
// probes are discarded (ordinary errors only). Two parameter types use it:
// AnyShape, a copy to keep, and ShapeArg, the same shape read in place for
// the length of the call. As a result, an AnyShape becomes a new object of
// its plain class (Sphere, ...); shape_union.hpp makes Shape variant objects.
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>

#include "shapes/capsule.hpp"
#include "shapes/convex_polygon.hpp"
#include "shapes/convex_polytope.hpp"
#include "shapes/cuboid.hpp"
#include "shapes/cylinder.hpp"
#include "shapes/line.hpp"
#include "shapes/line_segment.hpp"
#include "shapes/plane.hpp"
#include "shapes/pointcloud.hpp"
#include "shapes/ray.hpp"
#include "shapes/sphere.hpp"

namespace vx::shapes {

using AnyShape = std::variant<tangor::Sphere, tangor::Capsule, tangor::Cuboid, tangor::Cylinder, tangor::ConvexPolytope,
                              tangor::ConvexPolygon, curvel::Line, curvel::Ray, curvel::LineSegment, tangor::Plane,
                              tangor::Pointcloud>;

inline constexpr std::size_t kind_count = std::variant_size_v<AnyShape>;

template <std::size_t K>
using KindValue = std::variant_alternative_t<K, AnyShape>;
// The shape class of kind K (PySphere for 0).
template <std::size_t K>
using PlainClass = typename bind::ClassOf<KindValue<K>>::type;

// The position of a library value's kind in the variant order.
template <class V, std::size_t K = 0>
constexpr std::size_t kind_index() {
    static_assert(K < kind_count, "not one of the eleven shape kinds");
    if constexpr (std::is_same_v<V, KindValue<K>>)
        return K;
    else
        return kind_index<V, K + 1>();
}

// f(payload) for the payload of `shape`, chosen by a switch on its kind: one
// jump, and every call a direct (usually inlined) one.
template <class S, class F>
decltype(auto) with_kind(S&& shape, F&& f) {
    switch (shape.index()) {
        case 0: return f(*std::get_if<0>(&shape));
        case 1: return f(*std::get_if<1>(&shape));
        case 2: return f(*std::get_if<2>(&shape));
        case 3: return f(*std::get_if<3>(&shape));
        case 4: return f(*std::get_if<4>(&shape));
        case 5: return f(*std::get_if<5>(&shape));
        case 6: return f(*std::get_if<6>(&shape));
        case 7: return f(*std::get_if<7>(&shape));
        case 8: return f(*std::get_if<8>(&shape));
        case 9: return f(*std::get_if<9>(&shape));
        case 10: return f(*std::get_if<10>(&shape));
    }
    static_assert(kind_count == 11, "one case per kind");
    // Only a value left empty by a failed assignment gets here; no shape
    // value is ever assigned to.
    throw std::logic_error("shape value without a kind");
}

template <class>
struct PointersTo;
template <class... V>
struct PointersTo<std::variant<V...>> {
    using type = std::variant<const V*...>;
};

// A shape argument for the length of a call, without a copy where there is
// an object to read: shape objects never change, and the caller holds the
// argument until the call returns. A duck-typed shape has no such value and
// is converted into one the argument owns.
class ShapeArg {
public:
    using InPlace = PointersTo<AnyShape>::type;

    explicit ShapeArg(InPlace in_place) : in_place_(in_place) {}
    explicit ShapeArg(AnyShape owned) : owned_(std::move(owned)) {}

    // f(payload), chosen by one switch on the kind.
    template <class F>
    decltype(auto) with_payload(F&& f) const {
        if (owned_) return with_kind(*owned_, f);
        return with_kind(in_place_, [&f](const auto* payload) -> decltype(auto) { return f(*payload); });
    }
    AnyShape copy() && {
        if (owned_) return std::move(*owned_);
        return with_kind(in_place_, [](const auto* payload) { return AnyShape(*payload); });
    }

private:
    InPlace in_place_;
    std::optional<AnyShape> owned_;
};

}  // namespace vx::shapes

template <>
struct vx::bind::Caster<vx::shapes::ShapeArg> {
    static vx::shapes::ShapeArg from(PyObject* o);
};
template <>
struct vx::bind::Caster<vx::shapes::AnyShape> {
    static vx::shapes::AnyShape from(PyObject* o) { return cast<vx::shapes::ShapeArg>(o).copy(); }
};
