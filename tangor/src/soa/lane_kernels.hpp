#pragma once

// The sphere arrays' sweeps over whole groups of eight lanes, compiled twice:
// for the baseline instruction set and for AVX2 (eight lanes in one
// register). The two give the same bits: the same operations in the same
// order, no fused multiply-add (-ffp-contract=off holds for both), only
// wider registers. The plain names pick one at run time, by the processor.

#include <cstddef>

#include "curvel/math/affine3f.hpp"

namespace tangor::soa::kernels {

// Some lane i < lanes (a multiple of 8) overlaps or touches the query:
// (q − c)² <= (q.r + r)², differences query minus stored.
using AnyOverlap = bool (*)(const float* x, const float* y, const float* z, const float* r, std::size_t lanes,
                            float qx, float qy, float qz, float qr);
// How the lane moves take the affine map (M, t): c + t, M·c, or M·c + t,
// each rounding exactly as the vector formula of curvel does (the products
// added in column order, t last).
enum class Move { Translate, Linear, Affine };

// Every lane i < lanes (a multiple of 8) moved.
using MoveLanes = void (*)(float* x, float* y, float* z, std::size_t lanes, const curvel::Affine3& a, Move move);

bool any_overlap(const float* x, const float* y, const float* z, const float* r, std::size_t lanes, float qx,
                 float qy, float qz, float qr);
void move_lanes(float* x, float* y, float* z, std::size_t lanes, const curvel::Affine3& a, Move move);

// The two builds, for the tests that compare them and the benchmarks.
struct Variant {
  AnyOverlap any_overlap;
  MoveLanes move_lanes;
};
Variant baseline();
// Present only where the processor has AVX2 (and the library was built for
// x86-64 by GCC or Clang).
const Variant* avx2();

}  // namespace tangor::soa::kernels
