#pragma once
// Borrow flags of the mutable classes: any number of shared borrows, or one
// exclusive borrow, for the length of a call. A conflicting borrow (a method
// re-entered from Python code it calls) raises RuntimeError.
#include <type_traits>
#include <utility>

#include "error.hpp"

namespace vx::bind {

class BorrowFlag {
public:
    void acquire_shared() {
        if (count_ < 0) raise_runtime_error("Already mutably borrowed");
        ++count_;
    }
    void release_shared() noexcept { --count_; }
    void acquire_exclusive() {
        if (count_ != 0) raise_runtime_error("Already borrowed");
        count_ = -1;
    }
    void release_exclusive() noexcept { count_ = 0; }

private:
    long count_ = 0;  // >0 shared borrows, -1 exclusive
};

// A value held under a borrow for as long as this guard lives: shared when T
// is const, exclusive otherwise. A null flag (a class without flags) borrows
// nothing. Movable, so a converted argument can carry its borrow into the
// body.
template <class T>
class Borrowed {
public:
    static constexpr bool exclusive = !std::is_const_v<T>;

    Borrowed(T& value, BorrowFlag* flag) : value_(&value), flag_(flag) {
        if (!flag_) return;
        if constexpr (exclusive)
            flag_->acquire_exclusive();
        else
            flag_->acquire_shared();
    }
    Borrowed(Borrowed&& o) noexcept : value_(o.value_), flag_(std::exchange(o.flag_, nullptr)) {}
    Borrowed(const Borrowed&) = delete;
    Borrowed& operator=(const Borrowed&) = delete;
    Borrowed& operator=(Borrowed&&) = delete;
    ~Borrowed() {
        if (!flag_) return;
        if constexpr (exclusive)
            flag_->release_exclusive();
        else
            flag_->release_shared();
    }

    T& operator*() const { return *value_; }
    T* operator->() const { return value_; }
    operator T&() const { return *value_; }

private:
    T* value_;
    BorrowFlag* flag_;
};

}  // namespace vx::bind
