// One small owner per Win32 handle kind (TUniqueHandle with the kind's traits). Where a
// handle comes with the call that releases it in pairs (a device context and its window, a
// paint and its record, a selection and what it replaced), a function returns the owner, so the
// acquiring call and the release are never written apart.
#pragma once
#include <windows.h>

// The owner itself, and that of files (TFileHandle), which the portable stream layer shares.
#include "base/uFileHandle.h"
#include "base/uUniqueHandle.h"

namespace handles {

// An owner whose empty value is null and whose release is one call of the system.
template <typename T, auto CloseFn>
struct NullTraits {
  static T Empty() { return nullptr; }
  static void Close(T value) { CloseFn(value); }
};
// ReleaseActCtx exists from Windows XP on: it is looked up when a context is released (a
// context can only have come from a system that has it).
struct ActCtxTraits {
  static HANDLE Empty() { return nullptr; }
  static void Close(HANDLE context);
};

// A kernel object that CloseHandle releases and that a null value leaves empty (a process, a
// thread, an event, a mutex, a pipe end); files, whose empty value is INVALID_HANDLE_VALUE, have
// TFileHandle.
using TUniqueKernelObject = TUniqueHandle<HANDLE, NullTraits<HANDLE, &CloseHandle>>;
using TUniqueKey = TUniqueHandle<HKEY, NullTraits<HKEY, &RegCloseKey>>;
using TUniqueHook = TUniqueHandle<HHOOK, NullTraits<HHOOK, &UnhookWindowsHookEx>>;
using TUniqueModule = TUniqueHandle<HMODULE, NullTraits<HMODULE, &FreeLibrary>>;
using TUniqueGdiObject = TUniqueHandle<HGDIOBJ, NullTraits<HGDIOBJ, &DeleteObject>>;
using TUniqueWindow = TUniqueHandle<HWND, NullTraits<HWND, &DestroyWindow>>;
using TUniqueActCtx = TUniqueHandle<HANDLE, ActCtxTraits>;

// A window's device context from GetDC, released to that window.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~TWindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// One WM_PAINT's BeginPaint, ended with EndPaint.
class TPaint {
 public:
  explicit TPaint(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~TPaint() {
    if (dc_) EndPaint(window_, &paint_);
  }
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// An object selected into a device context; the object it replaced goes back in at the end.
class TSelection {
 public:
  TSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~TSelection() {
    if (old_) ::SelectObject(dc_, old_);
  }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

inline TWindowDC GetDC(HWND window) { return TWindowDC(window); }
inline TPaint BeginPaint(HWND window) { return TPaint(window); }
inline TSelection SelectObject(HDC dc, HGDIOBJ object) { return TSelection(dc, object); }

}  // namespace handles
