#include "colliders/sphere_collection.hpp"

#include <cstdint>
#include <new>

#include "colliders/state.hpp"
#include "shapes/shape_frame.hpp"
#include "shapes/sphere.hpp"

namespace vx {

template <>
struct shapes::StateCodec<tangor::soa::SpheresSoA> {
    static std::string encode(const tangor::soa::SpheresSoA& s) {
        vxpickle::Writer w;
        tangor::serial::write(w, s);
        return w.finish();
    }
    static tangor::soa::SpheresSoA decode(std::string_view bytes) { return colliders::decode_sphere_collection(bytes); }
};

namespace {

using D = bind::Declare<PySphereCollection>;
using tangor::soa::SpheresSoA;

SpheresSoA construct(bind::PickleState state) {
    if (!state.bytes) return {};
    return shapes::decode_state<SpheresSoA>(*state.bytes);
}

// The reservation asked for is a hint the array never turns into lanes, so
// nothing is reserved; a request that no buffer could ever hold (four arrays
// of `cap` rounded up to 16 floats beyond the address space) is still refused
// as the failed reservation it would be.
SpheresSoA with_capacity(bind::UnsignedIndex cap) {
    constexpr std::size_t largest = PTRDIFF_MAX / (4 * sizeof(float));
    if (cap.value > largest - (tangor::soa::kCapacityStep - 1)) throw std::bad_alloc();
    return SpheresSoA::with_capacity(cap.value);
}

SpheresSoA from_slice(std::vector<tangor::Sphere> spheres) { return SpheresSoA::from_slice(spheres); }

std::size_t len(const SpheresSoA& s) { return s.len; }
bool is_empty(const SpheresSoA& s) { return s.len == 0; }
void push(SpheresSoA& s, tangor::Sphere sphere) { s.push(sphere); }
void clear(SpheresSoA& s) { s.clear(); }

tangor::Sphere get(const SpheresSoA& s, bind::UnsignedIndex index) {
    if (index.value >= s.len) bind::raise_index_error("SphereCollection index out of range");
    return s.sphere(index.value);
}

// Negative indexes count from the end.
tangor::Sphere item(const SpheresSoA& s, bind::Index index) {
    const long long n = static_cast<long long>(s.len);
    const long long i = index.value < 0 ? index.value + n : index.value;
    if (i < 0 || i >= n) bind::raise_index_error("SphereCollection index out of range");
    return s.sphere(static_cast<std::size_t>(i));
}

bool any_collides_sphere(const SpheresSoA& s, bind::InstanceOf<PySphere> sphere) {
    return s.len != 0 && s.any_collides_sphere_f32x8(sphere.value);
}

bool abs_diff_eq(const SpheresSoA& s, bind::SharedRef<PySphereCollection> rhs, float max_abs_diff) {
    return tangor::soa::abs_diff_eq(s, *rhs, max_abs_diff);
}

std::string repr(const SpheresSoA& s) { return "SphereCollection(len=" + std::to_string(s.len) + ")"; }

const bind::MethodTable methods = {
    D::constructor<"SphereCollection(*, __pickle_state__=None)", &construct>(),
    D::static_method<"with_capacity(cap)", &with_capacity>(),
    D::static_method<"from_slice(spheres)", &from_slice>(),
    D::method<"len($self)", &len>(),
    D::method<"is_empty($self)", &is_empty>(),
    D::method<"push($self, sphere)", &push>(),
    D::method<"get($self, index)", &get>(),
    D::method<"clear($self)", &clear>(),
    D::method<"any_collides_sphere($self, sphere)", &any_collides_sphere>(),
    D::method<"abs_diff_eq($self, rhs, max_abs_diff)", &abs_diff_eq>(),
    D::method<"__getnewargs_ex__($self)", &shapes::getnewargs_ex<SpheresSoA>>(),
    D::slot<"__len__($self)", &len>(),
    D::slot<"__getitem__($self, idx)", &item>(),
    D::slot<"__repr__($self)", &repr>(),
};

}  // namespace

const bind::ClassDef& PySphereCollection::def() {
    static const bind::ClassDef d{.blocks = {&methods}, .fields = std::vector<const char*>{}};
    return d;
}

}  // namespace vx
