#pragma once
// Borrow flags of the mutable classes: any number of shared borrows, or one
// exclusive borrow, for the length of a call. A conflicting borrow (a method
// re-entered from Python code it calls) raises RuntimeError.
#include "error.hpp"

namespace vx::bind {

class BorrowFlag {
public:
    void acquire_shared() {
        if (count_ < 0) raise_runtime_error("Already mutably borrowed");
        ++count_;
    }
    void release_shared() { --count_; }
    void acquire_exclusive() {
        if (count_ != 0) raise_runtime_error("Already borrowed");
        count_ = -1;
    }
    void release_exclusive() { count_ = 0; }

private:
    long count_ = 0;  // >0 shared borrows, -1 exclusive
};

template <class T>
class SharedBorrow {
public:
    SharedBorrow(const T& v, BorrowFlag& f) : v_(&v), f_(&f) { f_->acquire_shared(); }
    SharedBorrow(const SharedBorrow&) = delete;
    SharedBorrow& operator=(const SharedBorrow&) = delete;
    ~SharedBorrow() { f_->release_shared(); }
    operator const T&() const { return *v_; }

private:
    const T* v_;
    BorrowFlag* f_;
};

template <class T>
class ExclusiveBorrow {
public:
    ExclusiveBorrow(T& v, BorrowFlag& f) : v_(&v), f_(&f) { f_->acquire_exclusive(); }
    ExclusiveBorrow(const ExclusiveBorrow&) = delete;
    ExclusiveBorrow& operator=(const ExclusiveBorrow&) = delete;
    ~ExclusiveBorrow() { f_->release_exclusive(); }
    operator T&() const { return *v_; }

private:
    T* v_;
    BorrowFlag* f_;
};

}  // namespace vx::bind
