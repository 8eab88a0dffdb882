#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace tangor::lanes {

// Number of lanes one step of the structure-of-arrays kernels handles.
inline constexpr int kWidth = 8;

// Complete unrolling (on at -O3) runs before GCC's loop vectoriser and leaves
// it eight scalar copies that SLP fails to pack; a rolled loop of fixed trip
// count is what both GCC and Clang turn into packed SSE2/NEON code.
#define TANGOR_LANE_LOOP _Pragma("GCC unroll 1")

// hit[l] = −1 where lane_hit(l) holds, else 0, for l = 0 .. Lanes-1. The
// predicate is evaluated for every lane (no early exit) so that the loop
// stays branch-free and vectorises.
template <int Lanes, class LaneHit>
inline void evaluate_lanes(LaneHit&& lane_hit, std::int32_t (&hit)[Lanes]) {
  TANGOR_LANE_LOOP
  for (int l = 0; l < Lanes; ++l) hit[l] = lane_hit(l) ? -1 : 0;
}

// Bit l of the result is set when lane_hit(l) holds.
template <int Lanes, class LaneHit>
inline unsigned lane_mask(LaneHit&& lane_hit) {
  static_assert(Lanes > 0 && Lanes <= 32);
  std::int32_t hit[Lanes];
  evaluate_lanes<Lanes>(lane_hit, hit);
  // The reduction is left to unroll: a rolled loop here costs a scalar loop
  // per group.
  unsigned mask = 0;
  for (int l = 0; l < Lanes; ++l) mask |= static_cast<unsigned>(hit[l]) & (1u << l);
  return mask;
}

// The lanes of hit (each 0 or −1) combined by `op`, folded by halves
// (l = op(l, l + width)), whose wide steps are whole-register operations:
// much cheaper than extracting a bit per lane when only "any" or "all" is
// asked.
template <int Lanes, class Op>
inline std::int32_t fold_lanes(std::int32_t (&hit)[Lanes], Op op) {
  static_assert(Lanes > 0 && (Lanes & (Lanes - 1)) == 0);
  for (int width = Lanes / 2; width >= 1; width /= 2)
    for (int l = 0; l < width; ++l) hit[l] = op(hit[l], hit[l + width]);
  return hit[0];
}

// Whether lane_hit(l) holds for some lane.
template <int Lanes, class LaneHit>
inline bool any_lane(LaneHit&& lane_hit) {
  std::int32_t hit[Lanes];
  evaluate_lanes<Lanes>(lane_hit, hit);
  return fold_lanes(hit, [](std::int32_t a, std::int32_t b) { return a | b; }) != 0;
}

// Whether every lane of `set` (each 0 or −1) is set.
template <int Lanes>
inline bool all_set(const std::int32_t (&set)[Lanes]) {
  std::int32_t folded[Lanes];
  for (int l = 0; l < Lanes; ++l) folded[l] = set[l];
  return fold_lanes(folded, [](std::int32_t a, std::int32_t b) { return a & b; }) != 0;
}

// `a` where choose_a holds, else `b`, by bit masks. Under the default
// -ftrapping-math GCC will not if-convert a float comparison that selects a
// value, so a ternary or curvel::clamp inside a lane loop keeps it scalar;
// a comparison whose result is only combined as a value vectorises.
inline float pick(bool choose_a, float a, float b) {
  const std::uint32_t mask = 0u - static_cast<std::uint32_t>(choose_a);
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                              (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// curvel::clamp for lane loops: x < lo gives lo, then a value > hi gives hi;
// a NaN x stays NaN.
inline float clamp(float x, float lo, float hi) {
  const float raised = pick(x < lo, lo, x);
  return pick(raised > hi, hi, raised);
}

// The sphere lanes (x, y, z, r) that overlap or touch the query sphere:
// (q − c)² ≤ (q.r + r)², differences taken query minus stored, radii summed
// before squaring. A NaN anywhere in a lane or in the query fails it.
inline auto sphere_overlap(const float* x, const float* y, const float* z, const float* r, float qx,
                           float qy, float qz, float qr) {
  return [=](int l) {
    const float dx = qx - x[l];
    const float dy = qy - y[l];
    const float dz = qz - z[l];
    const float reach = qr + r[l];
    return dx * dx + dy * dy + dz * dz <= reach * reach;
  };
}

template <int Lanes>
inline unsigned sphere_overlap_mask(const float* x, const float* y, const float* z,
                                    const float* r, float qx, float qy, float qz, float qr) {
  return lane_mask<Lanes>(sphere_overlap(x, y, z, r, qx, qy, qz, qr));
}

template <int Lanes>
inline bool sphere_overlap_any(const float* x, const float* y, const float* z, const float* r,
                               float qx, float qy, float qz, float qr) {
  return any_lane<Lanes>(sphere_overlap(x, y, z, r, qx, qy, qz, qr));
}

// The point lanes (x, y, z) within squared distance reach_sq of (cx, cy, cz).
template <int Lanes>
inline bool points_within_any(const float* x, const float* y, const float* z, float cx, float cy,
                              float cz, float reach_sq) {
  return any_lane<Lanes>([&](int l) {
    const float dx = x[l] - cx;
    const float dy = y[l] - cy;
    const float dz = z[l] - cz;
    return dx * dx + dy * dy + dz * dz <= reach_sq;
  });
}

// Eight values of one coordinate, one per lane.
using Row = std::array<float, kWidth>;

}  // namespace tangor::lanes
