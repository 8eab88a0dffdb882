#pragma once

// Measures the memory a piece of code holds at its peak, through the global
// allocation functions, which this header replaces: include it in exactly
// one source file of a test program.

#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace vxpickle::test {

struct AllocationMeter {
  static inline std::size_t current = 0;
  static inline std::size_t peak = 0;

  static void* hold(void* p) {
    if (p == nullptr) throw std::bad_alloc();
    current += malloc_usable_size(p);
    peak = std::max(peak, current);
    return p;
  }
  static void release(void* p) {
    if (p == nullptr) return;
    current -= malloc_usable_size(p);
    std::free(p);
  }
};

// The most bytes held at once while fn runs, beyond what was held before.
template <class Fn>
std::size_t peak_allocation_of(Fn&& fn) {
  const std::size_t before = AllocationMeter::current;
  AllocationMeter::peak = before;
  fn();
  return AllocationMeter::peak - before;
}

}  // namespace vxpickle::test

void* operator new(std::size_t n) { return vxpickle::test::AllocationMeter::hold(std::malloc(n == 0 ? 1 : n)); }
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, std::align_val_t a) {
  const auto alignment = static_cast<std::size_t>(a);
  const std::size_t rounded = (std::max<std::size_t>(n, 1) + alignment - 1) / alignment * alignment;
  return vxpickle::test::AllocationMeter::hold(std::aligned_alloc(alignment, rounded));
}
void* operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
void operator delete(void* p) noexcept { vxpickle::test::AllocationMeter::release(p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
void operator delete(void* p, std::align_val_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::align_val_t) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { operator delete(p); }
