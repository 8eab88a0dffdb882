#include "colliders/collider.hpp"

#include <cstdio>

#include "colliders/state.hpp"
#include "shapes/shape_frame.hpp"

namespace vx {

template <>
struct shapes::StateCodec<tangor::Collider<>> {
    static std::string encode(const tangor::Collider<>& c) { return tangor::serial::encode(c); }
    static tangor::Collider<> decode(std::string_view bytes) { return colliders::decode_collider(bytes); }
};

namespace {

using D = bind::Declare<PyCollider>;
using colliders::AnyCollider;
using Collider = tangor::Collider<>;

// A decoded collider has its mask and bounding sphere rebuilt from its
// members by the reader.
Collider construct(bind::PickleState state) {
    if (!state.bytes) return {};
    return shapes::decode_state<Collider>(*state.bytes);
}

std::uint16_t mask(const Collider& c) { return c.mask; }

std::string repr(const Collider& c) {
    char text[32];
    std::snprintf(text, sizeof text, "Collider(mask=0x%04x)", static_cast<unsigned>(c.mask));
    return text;
}

void add(Collider& c, shapes::AnyShape shape) { colliders::push_into(std::move(shape), c); }

void include(Collider& c, AnyCollider other) { c.include(std::move(other.value)); }

Collider merge(const Collider& c, AnyCollider other) {
    Collider out = c;
    out.include(std::move(other.value));
    return out;
}

Collider from_any(AnyCollider obstacles) { return std::move(obstacles.value); }

const bind::MethodTable frame = {
    D::constructor<"Collider(*, __pickle_state__=None)", &construct>(),
    D::method<"add($self, shape)", &add>(),
    D::method<"include($self, other)", &include>(),
    D::method<"merge($self, other)", &merge>(),
    D::method<"with_any($self, obstacle)", &merge>(),
    D::static_method<"from_any(obstacles)", &from_any>(),
    D::method<"mask($self)", &mask>(),
    D::method<"__getnewargs_ex__($self)", &shapes::getnewargs_ex<Collider>>(),
    D::slot<"__repr__($self)", &repr>(),
};

}  // namespace

const bind::ClassDef& PyCollider::def() {
    static const bind::ClassDef d{
        .blocks =
            {
                &frame,
                &colliders::query_methods(),
                &colliders::view_methods(),
                &colliders::move_methods(),
            },
        .fields = std::vector<const char*>{},
    };
    return d;
}

}  // namespace vx
