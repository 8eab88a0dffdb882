#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tangor {

// A growable array of trivially copyable values whose storage starts on a
// boundary chosen at run time (a power of two, at least alignof(T)). The
// eight-lane kernels load whole groups from such storage; callers index it
// like a vector and never see the pointer arithmetic behind the alignment.
//
// Allocation failure throws std::bad_alloc, as any standard container does;
// builders that must report exhausted memory as an error catch it.
template <class T>
class AlignedBuffer {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  explicit AlignedBuffer(std::size_t alignment = alignof(T))
      : alignment_(std::max(alignment, alignof(T))) {}

  AlignedBuffer(std::size_t count, T value, std::size_t alignment) : AlignedBuffer(alignment) {
    resize(count, value);
  }

  AlignedBuffer(const AlignedBuffer& other) : alignment_(other.alignment_) {
    reserve(other.size_);
    copy_into(other.data_, other.size_);
    size_ = other.size_;
  }

  AlignedBuffer(AlignedBuffer&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)),
        alignment_(other.alignment_) {}

  AlignedBuffer& operator=(const AlignedBuffer& other) {
    if (this != &other) {
      AlignedBuffer copy(other);
      swap(copy);
    }
    return *this;
  }

  AlignedBuffer& operator=(AlignedBuffer&& other) noexcept {
    AlignedBuffer moved(std::move(other));
    swap(moved);
    return *this;
  }

  ~AlignedBuffer() { release(); }

  void swap(AlignedBuffer& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(alignment_, other.alignment_);
  }

  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  std::size_t alignment() const { return alignment_; }
  bool empty() const { return size_ == 0; }

  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  std::span<T> span() { return {data_, size_}; }
  std::span<const T> span() const { return {data_, size_}; }

  void reserve(std::size_t wanted) {
    if (wanted <= capacity_) return;
    if (wanted > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
    T* fresh = static_cast<T*>(::operator new(wanted * sizeof(T), std::align_val_t(alignment_)));
    if (size_ != 0) std::memcpy(fresh, data_, size_ * sizeof(T));
    release();
    data_ = fresh;
    capacity_ = wanted;
  }

  void push_back(T value) {
    if (size_ == capacity_) reserve(grown_capacity(size_ + 1));
    data_[size_++] = value;
  }

  // New entries take `value`; shrinking keeps the storage.
  void resize(std::size_t count, T value = T{}) {
    if (count > capacity_) reserve(count);
    for (std::size_t i = size_; i < count; ++i) data_[i] = value;
    size_ = count;
  }

  void clear() { size_ = 0; }

  // count entries whose values the caller writes before reading any of them.
  void resize_for_overwrite(std::size_t count) {
    if (count > capacity_) reserve(count);
    size_ = count;
  }

  // Asks the system to back large storage with huge pages where it can: a
  // buffer written once from end to end (the point tree's runs) otherwise
  // spends much of its time taking one page fault per 4 KiB.
  void advise_huge_pages() {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kPage = 4096;
    const std::size_t bytes = capacity_ * sizeof(T);
    if (bytes < (std::size_t{4} << 20)) return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data_) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data_) + bytes) & ~(kPage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
  }

  // Gives back the storage beyond size() (the alignment is kept).
  void shrink_to_fit() {
    if (capacity_ == size_) return;
    AlignedBuffer trimmed(alignment_);
    trimmed.reserve(size_);
    trimmed.copy_into(data_, size_);
    trimmed.size_ = size_;
    swap(trimmed);
  }

  friend bool operator==(const AlignedBuffer& a, const AlignedBuffer& b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  std::size_t grown_capacity(std::size_t needed) const {
    return std::max(needed, capacity_ < 8 ? std::size_t{8} : capacity_ * 2);
  }

  void copy_into(const T* source, std::size_t count) {
    if (count != 0) std::memcpy(data_, source, count * sizeof(T));
  }

  void release() {
    if (data_ != nullptr) ::operator delete(data_, std::align_val_t(alignment_));
    data_ = nullptr;
    capacity_ = 0;
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::size_t alignment_;
};

}  // namespace tangor
