#pragma once

// Serialized forms declared once. A type's Codec writes it as one pickle
// value and reads it back; a record's codec comes from its field table,
// which drives both directions, so keys, order and field types are written
// down in one place:
//
//   constinit const vxpickle::RecordForm<Sphere, 2> sphere_form = vxpickle::record_form<Sphere>(
//       "Sphere", vxpickle::member<&Sphere::center>("center"), vxpickle::member<&Sphere::radius>("radius"));
//   sphere_form.write(w, s);            // {"center": (x, y, z), "radius": r}
//   Sphere back = sphere_form.read(v);  // the dict, or the sequence [center, radius]
//
// Libraries declare Codec<T> for their own types in their headers: a
// RecordCodec of the record's form, or a codec of their own that adds checks
// to what the form reads.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "vxpickle/reader.hpp"
#include "vxpickle/record.hpp"
#include "vxpickle/value.hpp"
#include "vxpickle/writer.hpp"

namespace vxpickle {

// static void write(Writer&, const T&);  static T read(const Value&);
template <class T>
struct Codec;

template <>
struct Codec<float> {
  static void write(Writer& w, float value) { w.f32(value); }
  static float read(const Value& value) { return read_f32(value); }
};

template <>
struct Codec<bool> {
  static void write(Writer& w, bool value) { w.boolean(value); }
  static bool read(const Value& value) { return read_bool(value); }
};

template <>
struct Codec<std::uint32_t> {
  static void write(Writer& w, std::uint32_t value) { w.uint(value); }
  static std::uint32_t read(const Value& value) { return read_u32(value); }
};

template <>
struct Codec<std::size_t> {
  static void write(Writer& w, std::size_t value) { w.uint(value); }
  static std::size_t read(const Value& value) { return read_usize(value); }
};

// A growable array: a list, read from a list or tuple of any length.
template <class ItemCodec>
struct ListOf {
  using Item = std::remove_cvref_t<decltype(ItemCodec::read(std::declval<const Value&>()))>;
  template <class Range>
  static void write(Writer& w, const Range& items) {
    write_list(w, items, [](Writer& out, const auto& item) { ItemCodec::write(out, item); });
  }
  static std::vector<Item> read(const Value& value) { return read_vector<Item>(value, ItemCodec::read); }
};

template <class T>
struct Codec<std::vector<T>> : ListOf<Codec<T>> {};

// A fixed array of N: written as a tuple (or, where a form says so, a list),
// read from a list or tuple of at least N ("an array of length N"), extra
// items ignored.
template <class ItemCodec, std::size_t N, bool as_list = false>
struct ArrayOf {
  using Item = std::remove_cvref_t<decltype(ItemCodec::read(std::declval<const Value&>()))>;
  static void write(Writer& w, const std::array<Item, N>& items) {
    if constexpr (as_list) {
      w.begin_list();
      for (const Item& item : items) ItemCodec::write(w, item);
      w.end_list();
    } else {
      w.begin_tuple();
      for (const Item& item : items) ItemCodec::write(w, item);
      w.end_tuple();
    }
  }
  static std::array<Item, N> read(const Value& value) {
    std::array<Item, N> out{};
    read_fixed(value, N, array_expectation(N), [&](std::size_t i, const Value& item) { out[i] = ItemCodec::read(item); });
    return out;
  }
};

template <class T, std::size_t N>
struct Codec<std::array<T, N>> : ArrayOf<Codec<T>, N> {};

// A small vector: the tuple of its float components, read from a list or
// tuple of at least that many numbers; the codec that uses it names the
// expectation of its length message.
template <class T, auto... components>
struct FloatComponents {
  static void write(Writer& w, const T& value) {
    w.begin_tuple();
    (w.f32(value.*components), ...);
    w.end_tuple();
  }
  static T read_as(const Value& value, std::string_view expectation) {
    std::array<float, sizeof...(components)> f{};
    read_f32s(value, f, expectation);
    T out{};
    std::size_t i = 0;
    ((out.*components = f[i++]), ...);
    return out;
  }
};

// One field of a record form: its key, how it is written from the value and
// how its stored value is read into what the reader builds (the value
// itself, or a record of parts that is checked and assembled afterwards).
template <class T, class Building = T>
struct FieldCodec {
  Field key;
  void (*write)(Writer&, const T&);
  void (*read)(const Value&, Building&);
};

namespace detail {
template <class>
struct member_traits;
template <class C, class M>
struct member_traits<M C::*> {
  using owner = C;
  using type = M;
};
}  // namespace detail

// A data member written and read by the codec of its type (or the one
// given). It becomes a field of a form over its class, read into that class
// or into a record of parts derived from it.
template <auto member_pointer, class MemberCodec>
struct MemberField {
  using Owner = typename detail::member_traits<decltype(member_pointer)>::owner;
  std::string_view name;
  bool optional = false;

  template <class T, class Building>
    requires std::is_same_v<T, Owner> && std::is_base_of_v<Owner, Building>
  constexpr operator FieldCodec<T, Building>() const {
    return {{name, optional},
            [](Writer& w, const T& value) { MemberCodec::write(w, value.*member_pointer); },
            [](const Value& stored, Building& out) { out.*member_pointer = MemberCodec::read(stored); }};
  }
};

template <auto member_pointer,
          class MemberCodec = Codec<typename detail::member_traits<decltype(member_pointer)>::type>>
constexpr MemberField<member_pointer, MemberCodec> member(std::string_view name) {
  return {name};
}

// The same member allowed to be missing from the dict form: the reader then
// leaves it as the value being built had it.
template <auto member_pointer, class MemberCodec>
constexpr MemberField<member_pointer, MemberCodec> optional_field(MemberField<member_pointer, MemberCodec> field) {
  field.optional = true;
  return field;
}

// A field with its own writer and reader. An optional field may be missing
// from the dict form; the reader then leaves what it builds as it was.
template <class T, class Building = T>
constexpr FieldCodec<T, Building> field(std::string_view name, void (*write)(Writer&, const T&),
                                        void (*read)(const Value&, Building&), bool optional = false) {
  return {{name, optional}, write, read};
}

// A record: a dict of its fields in declared order when written; read from
// that dict (any order, unknown keys skipped) or from the sequence of its
// field values, with the messages of read_record.
template <class T, std::size_t N, class Building = T>
struct RecordForm {
  using Type = T;
  std::string_view name;
  std::array<Field, N> keys;
  std::array<void (*)(Writer&, const T&), N> writers;
  std::array<void (*)(const Value&, Building&), N> readers;

  void write(Writer& w, const T& value) const {
    w.begin_record();
    for (std::size_t i = 0; i < N; ++i) {
      w.field(keys[i].name);
      writers[i](w, value);
    }
    w.end_record();
  }

  // Visits each field the stream carries; `out` starts as the caller made it.
  void read(const Value& value, Building& out) const {
    read_record(value, RecordSpec{name, keys}, [&](std::size_t i, const Value& stored) { readers[i](stored, out); });
  }

  // Fields the stream does not carry keep the default value.
  T read(const Value& value) const
    requires std::is_same_v<T, Building>
  {
    T out{};
    read(value, out);
    return out;
  }
};

template <class T, class Building = T, class... Fields>
constexpr RecordForm<T, sizeof...(Fields), Building> record_form(std::string_view name, const Fields&... fields) {
  return {name,
          {static_cast<FieldCodec<T, Building>>(fields).key...},
          {static_cast<FieldCodec<T, Building>>(fields).write...},
          {static_cast<FieldCodec<T, Building>>(fields).read...}};
}

// The codec of a record that its form alone writes and reads. A library
// declares the form in its header and defines it in its source:
//
//   extern const vxpickle::RecordForm<Sphere, 2> sphere_form;
//   template <> struct vxpickle::Codec<Sphere> : vxpickle::RecordCodec<sphere_form> {};
template <const auto& form>
struct RecordCodec {
  using T = typename std::remove_cvref_t<decltype(form)>::Type;
  static void write(Writer& w, const T& value) { form.write(w, value); }
  static T read(const Value& value) { return form.read(value); }
};

// The codec's two directions by name, and whole streams: PROTO 3, the value,
// STOP. Faults of reading leave as DecodeError with the bare description.
template <class T>
void write(Writer& w, const T& value) {
  Codec<T>::write(w, value);
}

template <class T>
T read(const Value& value) {
  return Codec<T>::read(value);
}

template <class T>
std::string encode(const T& value) {
  Writer w;
  Codec<T>::write(w, value);
  return w.finish();
}

template <class T>
T decode(std::string_view bytes) {
  return decode_stream(bytes, [](const Value& root) { return Codec<T>::read(root); });
}

}  // namespace vxpickle
