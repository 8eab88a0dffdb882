#include "soa/lane_kernels.hpp"

#include "tangor/lanes.hpp"

namespace tangor::soa::kernels {

namespace {

constexpr std::size_t kWidth = lanes::kWidth;

// The bodies, inlined into each build. A group of eight is one answer (the
// two 4-wide halves folded into one on the baseline, one register on AVX2).
[[gnu::always_inline]] inline bool any_overlap_body(const float* x, const float* y, const float* z, const float* r,
                                                    std::size_t lanes, float qx, float qy, float qz, float qr) {
  for (std::size_t g = 0; g < lanes; g += kWidth)
    if (lanes::sphere_overlap_any<lanes::kWidth>(x + g, y + g, z + g, r + g, qx, qy, qz, qr)) return true;
  return false;
}

// A group is loaded before anything is stored, so the vectoriser need not
// prove the three arrays apart.
[[gnu::always_inline]] inline void move_lanes_body(float* x, float* y, float* z, std::size_t lanes,
                                                   const curvel::Affine3& a, Move move) {
  const curvel::Mat3& m = a.matrix3;
  const curvel::Vec3 t = a.translation;
  for (std::size_t g = 0; g < lanes; g += kWidth) {
    float cx[kWidth], cy[kWidth], cz[kWidth];
    TANGOR_LANE_LOOP
    for (std::size_t l = 0; l < kWidth; ++l) {
      cx[l] = x[g + l];
      cy[l] = y[g + l];
      cz[l] = z[g + l];
    }
    if (move == Move::Translate) {
      TANGOR_LANE_LOOP
      for (std::size_t l = 0; l < kWidth; ++l) {
        cx[l] = cx[l] + t.x;
        cy[l] = cy[l] + t.y;
        cz[l] = cz[l] + t.z;
      }
    } else {
      TANGOR_LANE_LOOP
      for (std::size_t l = 0; l < kWidth; ++l) {
        const float px = m.x_axis.x * cx[l] + m.y_axis.x * cy[l] + m.z_axis.x * cz[l];
        const float py = m.x_axis.y * cx[l] + m.y_axis.y * cy[l] + m.z_axis.y * cz[l];
        const float pz = m.x_axis.z * cx[l] + m.y_axis.z * cy[l] + m.z_axis.z * cz[l];
        cx[l] = px;
        cy[l] = py;
        cz[l] = pz;
      }
      if (move == Move::Affine) {
        TANGOR_LANE_LOOP
        for (std::size_t l = 0; l < kWidth; ++l) {
          cx[l] = cx[l] + t.x;
          cy[l] = cy[l] + t.y;
          cz[l] = cz[l] + t.z;
        }
      }
    }
    TANGOR_LANE_LOOP
    for (std::size_t l = 0; l < kWidth; ++l) {
      x[g + l] = cx[l];
      y[g + l] = cy[l];
      z[g + l] = cz[l];
    }
  }
}

bool any_overlap_baseline(const float* x, const float* y, const float* z, const float* r, std::size_t lanes,
                          float qx, float qy, float qz, float qr) {
  return any_overlap_body(x, y, z, r, lanes, qx, qy, qz, qr);
}
void move_lanes_baseline(float* x, float* y, float* z, std::size_t lanes, const curvel::Affine3& a, Move move) {
  move_lanes_body(x, y, z, lanes, a, move);
}

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define TANGOR_HAS_AVX2_BUILD 1

[[gnu::target("avx2")]] bool any_overlap_avx2(const float* x, const float* y, const float* z, const float* r,
                                              std::size_t lanes, float qx, float qy, float qz, float qr) {
  return any_overlap_body(x, y, z, r, lanes, qx, qy, qz, qr);
}
[[gnu::target("avx2")]] void move_lanes_avx2(float* x, float* y, float* z, std::size_t lanes,
                                             const curvel::Affine3& a, Move move) {
  move_lanes_body(x, y, z, lanes, a, move);
}

bool cpu_has_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

constexpr Variant kBaseline{any_overlap_baseline, move_lanes_baseline};
#ifdef TANGOR_HAS_AVX2_BUILD
constexpr Variant kAvx2{any_overlap_avx2, move_lanes_avx2};
#endif

// Chosen once per process, on first use.
const Variant& chosen() {
#ifdef TANGOR_HAS_AVX2_BUILD
  static const Variant& pick = cpu_has_avx2() ? kAvx2 : kBaseline;
  return pick;
#else
  return kBaseline;
#endif
}

}  // namespace

bool any_overlap(const float* x, const float* y, const float* z, const float* r, std::size_t lanes, float qx,
                 float qy, float qz, float qr) {
  return chosen().any_overlap(x, y, z, r, lanes, qx, qy, qz, qr);
}

void move_lanes(float* x, float* y, float* z, std::size_t lanes, const curvel::Affine3& a, Move move) {
  chosen().move_lanes(x, y, z, lanes, a, move);
}

Variant baseline() { return kBaseline; }

const Variant* avx2() {
#ifdef TANGOR_HAS_AVX2_BUILD
  return cpu_has_avx2() ? &kAvx2 : nullptr;
#else
  return nullptr;
#endif
}

}  // namespace tangor::soa::kernels
