// Any byte string must decode, as each of the seven shape records, to a value
// that writes back to a stream decoding to the same bytes again, or fail with
// DecodeError. The shape classes' pickled states take this path. A decoded
// value must then survive what the classes do with it: its bounds, the pair
// tests against one shape of every kind and against itself, the moves and
// the sweep. A crash, a sanitizer report or any other exception is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <variant>

#include "tangor/pairs.hpp"
#include "tangor/serialize.hpp"
#include "tangor/stretch.hpp"
#include "vxpickle/error.hpp"
#include "vxpickle/reader.hpp"

namespace {

using namespace tangor;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "tangor_records_fuzz: %s\n", what);
  std::abort();
}

volatile bool sink = false;
void keep(bool answer) { sink = sink ^ answer; }

const auto& probes() {
  static const auto all = std::make_tuple(
      Sphere{{0.5f, -0.25f, 1.0f}, 2.0f}, Capsule::create({-1, 0, 0}, {1, 1, 0}, 0.5f),
      Cuboid::create({0, 1, 0}, cuboid::IDENTITY_AXES, {1, 0.5f, 2}), Cylinder::create({0, 0, -1}, {0, 0, 1}, 0.75f),
      ConvexPolygon::create({0, 0, 0}, {0, 0, 1}, {{-1, -1}, {1, -1}, {0, 1}}),
      ConvexPolytope::create(
          {{{1, 0, 0}, 1}, {{-1, 0, 0}, 1}, {{0, 1, 0}, 1}, {{0, -1, 0}, 1}, {{0, 0, 1}, 1}, {{0, 0, -1}, 1}},
          {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}}),
      Plane{{0, 0, 1}, 0.5f}, curvel::Line{{0, 0, 0}, {1, 1, 0}}, curvel::Ray{{0, 0, 0}, {0, 1, 1}},
      curvel::LineSegment{{-2, 0, 0}, {2, 0, 0}});
  return all;
}

// Both forms of the catalogue, the value on either side.
template <class V>
void against_probes(const V& v) {
  std::apply(
      [&](const auto&... p) {
        (keep(collides(v, p) ^ collides(p, v) ^ collides_member(v, p) ^ collides_member(p, v)), ...);
      },
      probes());
  keep(collides(v, v) ^ collides_member(v, v));
}

template <class V>
void use(const V& v) {
  if constexpr (bounded<V>) {
    const Sphere ball = broadphase(v);
    const Cuboid box = aabb(v);
    keep(collides(ball, box));
  }
  against_probes(v);

  V moved = v;
  translate(moved, {1, 2, 3});
  rotate_quat(moved, {0.0f, 0.6f, 0.0f, 0.8f});
  rotate_mat(moved, Mat3{{2, 0, 0}, {0, 1, 0}, {0, 0, 0}});
  transform(moved, Affine3{Mat3{{1, 0, 0}, {0.5f, 1, 0}, {0, 0, 1}}, {0, -1, 0}});
  scale(moved, -0.5f);
  keep(collides(moved, v));

  const Vec3 t{0.5f, 0.0f, -0.25f};
  const auto swept_use = [&](const auto& s) {
    using S = std::remove_cvref_t<decltype(s)>;
    if constexpr (std::is_same_v<S, sweep::SweptSlab>) {
      against_probes(s.slab);
      for (const Capsule& edge : s.edges) keep(collides(edge, v));
    } else {
      keep(collides(s, v) ^ collides(s, std::get<0>(probes())));
    }
  };
  if constexpr (std::is_same_v<V, Sphere>) {
    std::visit(swept_use, sweep::stretch_sphere(v, t));
  } else if constexpr (std::is_same_v<V, Plane>) {
    swept_use(sweep::stretch_plane(v, t));
  } else if constexpr (std::is_same_v<V, ConvexPolytope>) {
    swept_use(stretch(v, t));
  } else {
    std::visit(swept_use, stretch(v, t));
  }
}

template <class V>
void round_trip(std::string_view bytes) {
  std::optional<V> value;
  try {
    value = vxpickle::decode_stream(bytes, &serial::read<V>);
  } catch (const vxpickle::DecodeError& e) {
    if (std::string_view(e.what()).empty()) fail("refusal without a description");
    return;
  }
  // Stored as read: writing and reading again must reproduce the first writing.
  const std::string written = serial::encode(*value);
  std::optional<V> back;
  try {
    back = vxpickle::decode_stream(written, &serial::read<V>);
  } catch (const vxpickle::DecodeError&) {
    fail("a written record does not read back");
  }
  if (serial::encode(*back) != written) fail("round trip changed the stream");
  use(*value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  round_trip<Sphere>(bytes);
  round_trip<Capsule>(bytes);
  round_trip<Cuboid>(bytes);
  round_trip<Cylinder>(bytes);
  round_trip<Plane>(bytes);
  round_trip<ConvexPolygon>(bytes);
  round_trip<ConvexPolytope>(bytes);
  return 0;
}
