#pragma once

namespace curvel {

// A closed range of curve parameters; min <= max is neither required nor
// restored.
struct Interval {
  float min = 0.0f;
  float max = 1.0f;

  friend constexpr bool operator==(const Interval&, const Interval&) = default;
};

}  // namespace curvel
