#pragma once
// Construction of the curve classes and records: from their pickled state
// (the library's serialized form, which alone defines the object when given)
// or from their fields, and the state that __getnewargs_ex__ hands out.
#include <string>

#include "bind/pickle_state.hpp"
#include "curvel/serialize.hpp"

namespace vx::curves {

// The whole byte string must be the one pickle: the reader refuses trailing
// bytes.
template <class T>
T decode_state(const std::string& bytes) {
    try {
        return curvel::serial::decode<T>(bytes);
    } catch (const vxpickle::DecodeError& e) {
        bind::raise_decode_failed(e.what());
    }
}

template <class T>
bind::Ref getnewargs_ex(const T& value) {
    return bind::getnewargs_ex(curvel::serial::encode(value));
}

// The state when given; otherwise make(fields...), every field required
// (ValueError `missing` when one is absent or None). The fields were
// converted before the state, so a bad field is reported even beside a valid
// state.
template <class T, class Make, class... F>
T state_or_fields(const bind::PickleState& state, const char* missing, Make make, const bind::OrNone<F>&... fields) {
    if (state.bytes) return decode_state<T>(*state.bytes);
    if ((!fields.value || ...)) bind::raise_value_error(missing);
    return make(*fields.value...);
}

}  // namespace vx::curves
