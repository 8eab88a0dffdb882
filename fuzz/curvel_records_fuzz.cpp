// Any byte string must decode, as each of the curve library's records, to a
// value that writes back to a stream decoding to the same bytes again, or
// fail with DecodeError. The curve classes' pickled states take this path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "curvel/serialize.hpp"
#include "vxpickle/error.hpp"

namespace {

template <class T>
void round_trip(std::string_view bytes) {
  T value;
  try {
    value = curvel::serial::decode<T>(bytes);
  } catch (const vxpickle::DecodeError&) {
    return;
  }
  // Stored as read: writing and reading again must reproduce the first writing.
  const std::string written = curvel::serial::encode(value);
  if (curvel::serial::encode(curvel::serial::decode<T>(written)) != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  round_trip<curvel::Line>(bytes);
  round_trip<curvel::Ray>(bytes);
  round_trip<curvel::LineSegment>(bytes);
  round_trip<curvel::Interval>(bytes);
  round_trip<curvel::Nearest>(bytes);
  round_trip<curvel::QuadraticBezier>(bytes);
  round_trip<curvel::CubicBezier>(bytes);
  round_trip<curvel::Spline>(bytes);
  round_trip<curvel::Polyline>(bytes);
  return 0;
}
