#pragma once

#include <stdexcept>
#include <string>

namespace vxpickle {

// The one way decoding reports a fault. what() is the bare description
// ("EOF while parsing", "missing field `center`", ...); callers add their own
// prefix when they report it.
struct DecodeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace vxpickle
