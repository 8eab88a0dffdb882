#pragma once
// What every shape class shares: the constructor with its keyword-only
// `__pickle_state__`, `__getnewargs_ex__` and the representation's number
// format (the class-or-subclass converter is instance_caster.hpp, the
// narrowing single_precision.hpp). A class file declares
//
//   tangor::Sphere build(curvel::Vec3 center, std::optional<float> radius);
//   std::string repr(const tangor::Sphere& s);
//   const bind::MethodTable frame =
//       shape_frame_methods<PySphere, "Sphere(center=None, radius=0.0, *, __pickle_state__=None)", &build, &repr>();
//
// and lists `frame` among its ClassDef blocks with its field names; the core
// derives `__dict__` and `__dataclass_fields__` from those names.
//
// The build function's parameters are the constructor's fields in signature
// order. A std::optional<T> field has a default (absent -> nullopt; None goes
// to T's conversion, so a float refuses it); any other field is required:
// None or absent counts as missing. The constructor then runs its steps in
// their fixed order: every given field is converted (the core does that in
// signature order, the state last); a state, when given, is decoded and the
// fields are dropped; otherwise a missing required field raises ValueError
// "{Class} requires {required fields} argument(s)"; otherwise Build makes
// the value.
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "bind/class.hpp"
#include "bind/pickle_state.hpp"
#include "curvel/serialize.hpp"
#include "shapes/instance_caster.hpp"
#include "shapes/single_precision.hpp"
#include "tangor/serialize.hpp"
#include "vxformats/number_text.hpp"
#include "vxpickle/error.hpp"
#include "vxpickle/reader.hpp"

namespace vx::shapes {

// ---- pickled state ----

// The pickled state of a library value: the serialized form of its library
// (the collision library's; the line primitives' is the curve library's),
// read by the library's reader of the value's type.
template <class V>
struct StateCodec {
    static std::string encode(const V& v) { return tangor::serial::encode(v); }
    static V decode(std::string_view bytes) { return vxpickle::decode_stream(bytes, &tangor::serial::read<V>); }
};
template <class V>
struct CurveStateCodec {
    static std::string encode(const V& v) { return curvel::serial::encode(v); }
    static V decode(std::string_view bytes) { return vxpickle::decode_stream(bytes, &curvel::serial::read<V>); }
};
template <>
struct StateCodec<curvel::Line> : CurveStateCodec<curvel::Line> {};
template <>
struct StateCodec<curvel::Ray> : CurveStateCodec<curvel::Ray> {};
template <>
struct StateCodec<curvel::LineSegment> : CurveStateCodec<curvel::LineSegment> {};

// The whole byte string must be one pickle of the value: the decoder refuses
// bytes left after STOP.
template <class V>
V decode_state(std::string_view bytes) {
    try {
        return StateCodec<V>::decode(bytes);
    } catch (const vxpickle::DecodeError& e) {
        bind::raise_decode_failed(e.what());
    }
}

template <class V>
bind::Ref getnewargs_ex(const V& v) {
    return bind::getnewargs_ex(StateCodec<V>::encode(v));
}

// ---- construction ----

template <class T>
struct FieldParam {
    using type = bind::OrNone<T>;
    static constexpr bool required = true;
    static bool given(const type& p) { return p.value.has_value(); }
    static T take(type& p) { return std::move(*p.value); }
};
template <class T>
struct FieldParam<std::optional<T>> {
    using type = std::optional<T>;
    static constexpr bool required = false;
    static bool given(const type&) { return true; }
    static type take(type& p) { return std::move(p); }
};

template <class Cls, bind::fixed_string Sig, auto Build, class = decltype(Build)>
struct ShapeConstructor;

template <class Cls, bind::fixed_string Sig, auto Build, class... A>
struct ShapeConstructor<Cls, Sig, Build, typename Cls::Value (*)(A...)> {
    using V = typename Cls::Value;

    static V construct(typename FieldParam<std::remove_cvref_t<A>>::type... fields, bind::PickleState state) {
        if (state.bytes) return decode_state<V>(*state.bytes);
        if (!(FieldParam<std::remove_cvref_t<A>>::given(fields) && ...)) bind::raise_value_error(missing_message());
        return Build(FieldParam<std::remove_cvref_t<A>>::take(fields)...);
    }

    // The same text whichever required field is missing: all of them named.
    static const std::string& missing_message() {
        static const std::string text = [] {
            constexpr bind::Signature sig = bind::parse_signature(Sig.view());
            constexpr bool required[] = {FieldParam<std::remove_cvref_t<A>>::required...};
            std::string names;
            std::size_t count = 0;
            for (std::size_t i = 0; i < sizeof...(A); ++i) {
                if (!required[i]) continue;
                if (count++ > 0) names += ", ";
                names += sig.params[i].name;
            }
            return std::string(Cls::name) + " requires " + names + (count == 1 ? " argument" : " arguments");
        }();
        return text;
    }
};

// ---- representation ----

// "{Name}(label: [x, y, z], label: r, ...)": every number the stored
// single-precision value in its shortest plain text ("1", "0.1", "-0",
// "NaN", "inf"), never with an exponent.
class ShapeRepr {
public:
    explicit ShapeRepr(std::string_view name) : out_(name) { out_ += '('; }
    ShapeRepr& vec(std::string_view label, curvel::Vec3 v) {
        open(label);
        out_ += '[';
        vxformats::append_plain(out_, v.x);
        out_ += ", ";
        vxformats::append_plain(out_, v.y);
        out_ += ", ";
        vxformats::append_plain(out_, v.z);
        out_ += ']';
        return *this;
    }
    ShapeRepr& number(std::string_view label, float x) {
        open(label);
        vxformats::append_plain(out_, x);
        return *this;
    }
    ShapeRepr& count(std::string_view label, std::size_t n) {
        open(label);
        out_ += std::to_string(n);
        return *this;
    }
    std::string finish() {
        out_ += ')';
        return std::move(out_);
    }

private:
    void open(std::string_view label) {
        if (out_.back() != '(') out_ += ", ";
        out_ += label;
        out_ += ": ";
    }
    std::string out_;
};

// ---- members ----

// A stored field as a read-only property: D::getter<"radius", &Stored<&Sphere::radius>::get>().
template <auto Member>
struct Stored;
template <class V, class T, T V::*Member>
struct Stored<Member> {
    static T get(const V& v) { return v.*Member; }
};

// The frame block of a shape class: constructor, __getnewargs_ex__, repr.
template <class Cls, bind::fixed_string Sig, auto Build, auto Repr>
bind::MethodTable shape_frame_methods() {
    using D = bind::Declare<Cls>;
    using V = typename Cls::Value;
    return {
        D::template constructor<Sig, &ShapeConstructor<Cls, Sig, Build>::construct>(),
        D::template method<"__getnewargs_ex__($self)", &getnewargs_ex<V>>(),
        D::template slot<"__repr__($self)", Repr>(),
    };
}

}  // namespace vx::shapes
