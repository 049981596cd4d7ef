// The owner of one handle of the system, for every layer: not copyable, movable, released
// exactly once. Traits say which value means "none" and how a handle is released (Empty(),
// Close(value)); each handle kind names its owner as an instance of this one.
#pragma once
#include <utility>

template <typename T, typename Traits>
class TUniqueHandle {
 public:
  TUniqueHandle() = default;
  explicit TUniqueHandle(T value) : value_(value) {}
  ~TUniqueHandle() { reset(); }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  TUniqueHandle(TUniqueHandle&& other) noexcept : value_(other.release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Empty(); }
  // For out-parameters: releases what is held and hands out the slot.
  T* put() {
    reset();
    return &value_;
  }
  T release() { return std::exchange(value_, Traits::Empty()); }
  void reset(T value = Traits::Empty()) {
    T old = std::exchange(value_, value);
    if (old != Traits::Empty()) Traits::Close(old);
  }

 private:
  T value_ = Traits::Empty();
};
