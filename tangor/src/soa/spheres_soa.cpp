#include "tangor/soa/spheres_soa.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "soa/lane_kernels.hpp"
#include "tangor/lanes.hpp"

namespace tangor::soa {

namespace {

constexpr std::size_t kWidth = lanes::kWidth;

// A zeroed store of `stride` lanes per array with lanes `from` .. stride−1
// marked spare.
AlignedBuffer<float> fresh_storage(std::size_t stride, std::size_t from) {
  if (stride > SIZE_MAX / 4) throw std::bad_alloc();
  AlignedBuffer<float> data(4 * stride, 0.0f, kSpheresAlignment);
  std::fill(data.begin() + 3 * stride + from, data.end(), kSpareRadius);
  return data;
}

// The storage for at least `lanes` lanes when `stride` no longer holds them:
// exactly that many while small, else four times as much: the storage past
// the capacity is never written ahead, so it costs address space, not
// memory, and each lane is copied a third of a time on average.
std::size_t grown_stride(std::size_t stride, std::size_t lanes) {
  if (lanes <= kCompactLanes) return lanes;
  if (stride > SIZE_MAX / 16) throw std::bad_alloc();
  return std::max(lanes, 4 * stride);
}

// Copies `count` lanes of each of the four arrays of `from` to lane `at` of
// the four arrays of `to`.
void copy_lanes(const SpheresSoA& from, std::size_t count, SpheresSoA& to, std::size_t at) {
  for (std::size_t array = 0; array < 4; ++array) {
    const float* source = from.data.data() + array * from.stride;
    std::copy(source, source + count, to.data.data() + array * to.stride + at);
  }
}

// `lanes` lanes of storage or more, the first `keep` lanes of every array
// kept. Lanes past `keep` are left unwritten: only lanes that enter the
// capacity are ever initialised, so storage grown ahead is not touched (nor
// paged in) before it is used.
void reserve_lanes(SpheresSoA& s, std::size_t lanes, std::size_t keep) {
  if (lanes <= s.stride) return;
  SpheresSoA grown;
  grown.stride = grown_stride(s.stride, lanes);
  grown.data = AlignedBuffer<float>(kSpheresAlignment);
  grown.data.resize_for_overwrite(4 * grown.stride);
  copy_lanes(s, keep, grown, 0);
  s.data = std::move(grown.data);
  s.stride = grown.stride;
}

// Lanes from .. to−1 as never used: at the origin with radius NaN.
void make_fresh(SpheresSoA& s, std::size_t from, std::size_t to) {
  if (from >= to) return;
  for (float* array : {s.xs(), s.ys(), s.zs()}) std::fill(array + from, array + to, 0.0f);
  std::fill(s.rs() + from, s.rs() + to, kSpareRadius);
}

// Whole groups of eight lanes: the part of the storage the lane kernels run
// over (all of it, as capacities are multiples of sixteen).
std::size_t grouped_lanes(const SpheresSoA& s) { return s.capacity / kWidth * kWidth; }

}  // namespace

// The storage grown ahead of the capacity is left behind: it holds nothing
// yet, and copying it would cost up to four times the lanes' memory.
SpheresSoA::SpheresSoA(const SpheresSoA& other) : capacity(other.capacity), len(other.len), stride(other.capacity) {
  data.resize_for_overwrite(4 * stride);
  copy_lanes(other, capacity, *this, 0);
}

SpheresSoA& SpheresSoA::operator=(const SpheresSoA& other) {
  if (this != &other) *this = SpheresSoA(other);
  return *this;
}

SpheresSoA SpheresSoA::with_capacity(std::size_t) {
  // Nothing is reserved: the first push replaces the storage anyway.
  return SpheresSoA{};
}

SpheresSoA SpheresSoA::from_slice(std::span<const Sphere> spheres) {
  SpheresSoA out;
  out.capacity = lanes_for(spheres.size());
  out.stride = out.capacity;
  out.len = spheres.size();
  out.data = fresh_storage(out.stride, out.len);
  for (std::size_t i = 0; i < spheres.size(); ++i) {
    out.xs()[i] = spheres[i].center.x;
    out.ys()[i] = spheres[i].center.y;
    out.zs()[i] = spheres[i].center.z;
    out.rs()[i] = spheres[i].radius;
  }
  return out;
}

void SpheresSoA::grow_for_push() {
  if (capacity > SIZE_MAX - kCapacityStep) throw std::bad_alloc();
  reserve_lanes(*this, capacity + kCapacityStep, len);
  soa::make_fresh(*this, capacity, capacity + kCapacityStep);
  capacity += kCapacityStep;
}

void SpheresSoA::append(SpheresSoA& other) {
  // Moving an array's spheres behind themselves has no meaning; leave it.
  if (other.len == 0 || &other == this) return;
  const std::size_t total = len + other.len;
  const std::size_t joined_capacity = lanes_for(total);
  reserve_lanes(*this, joined_capacity, len);
  copy_lanes(other, other.len, *this, len);
  // The lanes behind the joined spheres read as freshly allocated ones, as
  // after the reallocation of the rule; lanes left over from an earlier,
  // larger capacity become unused storage again.
  make_fresh(*this, total, std::max(joined_capacity, std::min(capacity, stride)));
  capacity = joined_capacity;
  len = total;
  other.clear();
}

void SpheresSoA::clear() {
  std::fill(rs(), rs() + len, kSpareRadius);
  len = 0;
}

bool SpheresSoA::any_collides_sphere_f32x8(const Sphere& query) const {
  // One answer per group of eight (two 4-wide registers folded into one, or
  // one AVX2 register): returning after each half instead costs a reduction
  // per four lanes and a third of the speed, for the same answer.
  return kernels::any_overlap(xs(), ys(), zs(), rs(), grouped_lanes(*this), query.center.x, query.center.y,
                              query.center.z, query.radius);
}

bool abs_diff_eq(const SpheresSoA& a, const SpheresSoA& b, float epsilon) {
  if (a.len != b.len) return false;
  // Written so that a NaN on either side fails the comparison.
  const auto within = [epsilon](float u, float v) { return std::fabs(u - v) <= epsilon; };
  const float* arrays_a[] = {a.xs(), a.ys(), a.zs(), a.rs()};
  const float* arrays_b[] = {b.xs(), b.ys(), b.zs(), b.rs()};
  const std::size_t grouped = a.len / kWidth * kWidth;
  for (int array = 0; array < 4; ++array) {
    const float* u = arrays_a[array];
    const float* v = arrays_b[array];
    for (std::size_t g = 0; g < grouped; g += kWidth) {
      const unsigned equal =
          lanes::lane_mask<kWidth>([&](int l) { return within(u[g + l], v[g + l]); });
      if (equal != 0xFFu) return false;
    }
    for (std::size_t i = grouped; i < a.len; ++i)
      if (!within(u[i], v[i])) return false;
  }
  return true;
}

}  // namespace tangor::soa

namespace tangor {

using soa::SpheresSoA;

void Transformable<SpheresSoA>::translate(SpheresSoA& s, Vec3 t) {
  soa::kernels::move_lanes(s.xs(), s.ys(), s.zs(), soa::grouped_lanes(s), Affine3{curvel::MAT3_IDENTITY, t},
                           soa::kernels::Move::Translate);
}

void Transformable<SpheresSoA>::rotate_quat(SpheresSoA& s, Quat q) {
  rotate_mat(s, curvel::mat3_from_quat(q));
}

void Transformable<SpheresSoA>::rotate_mat(SpheresSoA& s, const Mat3& m) {
  soa::kernels::move_lanes(s.xs(), s.ys(), s.zs(), soa::grouped_lanes(s), Affine3{m, Vec3{}},
                           soa::kernels::Move::Linear);
}

void Transformable<SpheresSoA>::transform(SpheresSoA& s, const Affine3& a) {
  soa::kernels::move_lanes(s.xs(), s.ys(), s.zs(), soa::grouped_lanes(s), a, soa::kernels::Move::Affine);
}

void Transformable<SpheresSoA>::scale(SpheresSoA& s, float f) {
  float* r = s.rs();
  for (std::size_t i = 0; i < soa::grouped_lanes(s); ++i) r[i] *= f;
}

}  // namespace tangor
