#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "vxpickle/value.hpp"

namespace vxpickle::test {

inline std::string from_hex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return out;
}

inline std::string to_hex(std::string_view bytes) {
  std::string out;
  char buf[3];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02x", c);
    out += buf;
  }
  return out;
}

// The tree in the notation of make_cpython_streams.py: floats by their bits,
// text and bytes as hex, integers beyond 64 bits as "big".
inline std::string tree_text(const Value& v) {
  auto join = [](const Items& items) {
    std::string s;
    for (const Value item : items) {
      if (!s.empty()) s += ',';
      s += tree_text(item);
    }
    return s;
  };
  auto wrap = [](std::string_view open, const std::string& body, std::string_view close) {
    std::string s(open);
    s += body;
    s += close;
    return s;
  };
  switch (v.kind()) {
    case Kind::None: return "None";
    case Kind::Bool: return v.boolean() ? "True" : "False";
    case Kind::Int: return std::to_string(v.integer());
    case Kind::BigInt: {
      auto u = to_u64(v);
      return u ? std::to_string(*u) : "big";
    }
    case Kind::Float: {
      std::uint64_t bits;
      const double number = v.number();
      std::memcpy(&bits, &number, 8);
      char buf[20];
      std::snprintf(buf, sizeof buf, "f%016llx", static_cast<unsigned long long>(bits));
      return buf;
    }
    case Kind::Str: return wrap("s", to_hex(v.data()), "");
    case Kind::Bytes: return wrap("b", to_hex(v.data()), "");
    case Kind::List: return wrap("[", join(v.items()), "]");
    case Kind::Tuple: return wrap("(", join(v.items()), ")");
    case Kind::Set: return wrap("set{", join(v.items()), "}");
    case Kind::Dict: {
      std::string s = "{";
      bool first = true;
      for (const Entry e : v.entries()) {
        if (!first) s += ',';
        first = false;
        s += tree_text(e.key);
        s += ':';
        s += tree_text(e.value);
      }
      return s + "}";
    }
  }
  return "?";
}

// Opcodes spelled out independently of the library's own constants, so
// expectations never share the code under test.
inline std::string binint(std::int32_t v) {
  std::string s = "J";
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i)));
  return s;
}

inline std::string binfloat(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, 8);
  std::string s = "G";
  for (int i = 7; i >= 0; --i) s.push_back(static_cast<char>(bits >> (8 * i)));
  return s;
}

inline std::string binunicode(std::string_view text) {
  std::string s = "X";
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(text.size() >> (8 * i)));
  s += text;
  return s;
}

// The message of the DecodeError that decoding throws, or "" when it succeeds.
template <class Fn>
std::string decode_failure(Fn&& fn) {
  try {
    fn();
  } catch (const DecodeError& e) {
    return e.what();
  }
  return "";
}

}  // namespace vxpickle::test
