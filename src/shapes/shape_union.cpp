#include "shapes/shape_union.hpp"

#include <string_view>

namespace vx {
namespace {

using shapes::AnyShape;
using shapes::KindValue;

template <std::size_t N>
struct Text {
    char value[N]{};
};
// a then b and a NUL, in exactly N characters.
template <std::size_t N>
constexpr Text<N> joined(std::string_view a, std::string_view b) {
    Text<N> out;
    std::size_t k = 0;
    for (char c : a) out.value[k++] = c;
    for (char c : b) out.value[k++] = c;
    return out;
}

// "Sphere(_0)" and "Shape.Sphere" from the plain class's name, at compile time.
template <std::size_t K>
struct VariantText {
    static constexpr std::string_view name = PyShapeVariant<K>::name;
    static constexpr Text<name.size() + 5> signature_chars = joined<name.size() + 5>(name, "(_0)");
    static constexpr bind::fixed_string<name.size() + 5> signature{signature_chars.value};
    static constexpr Text<name.size() + 7> qualname = joined<name.size() + 7>("Shape.", name);
    static constexpr Text<name.size() + 1> name_chars = joined<name.size() + 1>(name, "");
    static constexpr bind::fixed_string<name.size() + 1> attribute{name_chars.value};
};

template <std::size_t K>
AnyShape construct(KindValue<K> payload) {
    return AnyShape(std::in_place_index<K>, std::move(payload));
}

// A new object of the plain class on every read, holding a copy.
template <std::size_t K>
KindValue<K> payload(const AnyShape& v) {
    return *std::get_if<K>(&v);
}

std::size_t one(const AnyShape&) { return 1; }

// The variant objects read as one-element tuples.
template <std::size_t K>
KindValue<K> item(const AnyShape& v, bind::UnsignedIndex idx) {
    if (idx.value != 0) bind::raise_index_error("tuple index out of range");
    return payload<K>(v);
}

bind::Ref match_args() { return bind::check(Py_BuildValue("(s)", "_0")); }

template <std::size_t K>
const bind::MethodTable variant_methods = [] {
    using D = bind::Declare<PyShapeVariant<K>>;
    return bind::MethodTable{
        D::template constructor<VariantText<K>::signature, &construct<K>>(),
        D::template getter<"_0", &payload<K>>(),
        D::template attribute<"__match_args__", &match_args>(),
        D::template slot<"__len__($self)", &one>(),
        D::template slot<"__getitem__($self, idx)", &item<K>>(),
    };
}();

template <std::size_t... K>
bind::MethodTable kind_attributes(std::index_sequence<K...>) {
    using D = bind::Declare<PyShape>;
    return {D::template attribute<VariantText<K>::attribute, &bind::class_ref<PyShapeVariant<K>>>()...};
}

// Shape.Sphere ... Shape.Pointcloud, in the variant order.
const bind::MethodTable shape_attributes = kind_attributes(std::make_index_sequence<shapes::kind_count>{});

}  // namespace

const bind::ClassDef& PyShape::def() {
    static const bind::ClassDef d{
        .blocks = {&shape_attributes},
        .fields = std::vector<const char*>{},
        .flags = Py_TPFLAGS_BASETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    };
    return d;
}

template <std::size_t K>
const bind::ClassDef& PyShapeVariant<K>::def() {
    static const bind::ClassDef d{
        .blocks = {&variant_methods<K>},
        .base = &bind::type_object<PyShape>,
        .qualname = VariantText<K>::qualname.value,
    };
    return d;
}

template struct PyShapeVariant<0>;
template struct PyShapeVariant<1>;
template struct PyShapeVariant<2>;
template struct PyShapeVariant<3>;
template struct PyShapeVariant<4>;
template struct PyShapeVariant<5>;
template struct PyShapeVariant<6>;
template struct PyShapeVariant<7>;
template struct PyShapeVariant<8>;
template struct PyShapeVariant<9>;
template struct PyShapeVariant<10>;

}  // namespace vx

PyObject* vx::bind::Wrap<vx::shapes::ShapeVariant>::to(vx::shapes::ShapeVariant v) {
    PyTypeObject* type = shapes::with_kind(v.value, []<class T>(const T&) {
        return bind::type_object<PyShapeVariant<shapes::kind_index<T>()>>();
    });
    return bind::new_object_of_type<PyShape>(type, std::move(v.value));
}
