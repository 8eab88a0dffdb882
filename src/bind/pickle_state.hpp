#pragma once
// The keyword-only `__pickle_state__` argument every picklable class takes:
// None (or absent) means no state; bytes and bytearray give their bytes; a
// str is refused; any other sequence gives one byte per item.
#include <optional>
#include <string>

#include "convert.hpp"

namespace vx::bind {

struct PickleState {
    std::optional<std::string> bytes;
};

template <>
struct Caster<PickleState> {
    static PickleState absent() { return {}; }
    static PickleState from(PyObject* o);
};

// ValueError "pickle decode failed: {what}".
[[noreturn]] void raise_decode_failed(const std::string& what);
// ValueError "pickle encode failed: {what}".
[[noreturn]] void raise_encode_failed(const std::string& what);

// ((), {"__pickle_state__": bytes(state)}): what __getnewargs_ex__ returns.
Ref getnewargs_ex(const std::string& state);

}  // namespace vx::bind
