// One small owner per Win32 handle kind: not copyable, movable, released exactly once.
#pragma once
#include <windows.h>

#include <utility>

namespace handles {

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

struct HandleTraits {
  static HANDLE Empty() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct KeyTraits {
  static HKEY Empty() { return nullptr; }
  static void Close(HKEY k) { RegCloseKey(k); }
};
struct HookTraits {
  static HHOOK Empty() { return nullptr; }
  static void Close(HHOOK h) { UnhookWindowsHookEx(h); }
};
struct ModuleTraits {
  static HMODULE Empty() { return nullptr; }
  static void Close(HMODULE m) { FreeLibrary(m); }
};
struct GdiObjectTraits {
  static HGDIOBJ Empty() { return nullptr; }
  static void Close(HGDIOBJ o) { DeleteObject(o); }
};

using TUniqueHandleObj = TUniqueHandle<HANDLE, HandleTraits>;
using TUniqueFile = TUniqueHandle<HANDLE, FileHandleTraits>;
using TUniqueKey = TUniqueHandle<HKEY, KeyTraits>;
using TUniqueHook = TUniqueHandle<HHOOK, HookTraits>;
using TUniqueModule = TUniqueHandle<HMODULE, ModuleTraits>;
using TUniqueGdiObject = TUniqueHandle<HGDIOBJ, GdiObjectTraits>;

}  // namespace handles
