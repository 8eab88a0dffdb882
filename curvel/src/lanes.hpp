#pragma once

#include <cmath>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace curvel::lanes {

// Four single-precision lanes. A kernel written over a number type S runs with
// S = float or S = F4; each lane performs the scalar operations in the same
// order, so it gives the scalar result bit for bit (the vector square root is
// correctly rounded like the scalar one).
using F4 = float __attribute__((vector_size(16)));

inline F4 sqrt(F4 v) {
#if defined(__SSE__)
  return reinterpret_cast<F4>(_mm_sqrt_ps(reinterpret_cast<__m128>(v)));
#else
  return F4{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}
inline float sqrt(float v) { return std::sqrt(v); }

// The parameters first, first + 1, first + 2, first + 3 (exact as floats for
// the small counts used here).
inline F4 iota(float first) { return F4{first, first + 1.0f, first + 2.0f, first + 3.0f}; }

// Three components over S.
template <class S>
struct Vec3Of {
  S x, y, z;
};

// (x·x + y·y) + z·z, as length_squared.
template <class S>
S length_squared(const Vec3Of<S>& v) {
  return v.x * v.x + v.y * v.y + v.z * v.z;
}

}  // namespace curvel::lanes
